#include "dokumenty/documenttype.h"

#include <QUrl>

namespace dokumenty {

namespace {

struct Known
{
    DocumentType type;
    const char* name;
    const char* key;
    const char* extension;
};

constexpr Known kKnown[] = {
    {DocumentType::Pdf, "PDF", "pdf", "pdf"},    {DocumentType::Doc, "DOC", "doc", "doc"},
    {DocumentType::Docx, "DOCX", "docx", "docx"}, {DocumentType::Odt, "ODT", "odt", "odt"},
    {DocumentType::Rtf, "RTF", "rtf", "rtf"},
};

const Known& KnownOf(DocumentType type)
{
    for (const Known& known : kKnown) {
        if (known.type == type)
            return known;
    }
    return kKnown[0];
}

// The extension of the address's path (query and fragment aside), lower case.
QByteArray ExtensionOf(const QString& address)
{
    const QString path = QUrl(address).path();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return path.mid(dot + 1).toLower().toLatin1();
}

std::optional<DocumentType> FromContentType(const QByteArray& contentType)
{
    QByteArray mime = contentType;
    const qsizetype semicolon = mime.indexOf(';');
    if (semicolon >= 0)
        mime.truncate(semicolon);
    mime = mime.trimmed().toLower();
    if (mime == "application/pdf" || mime == "application/x-pdf")
        return DocumentType::Pdf;
    if (mime == "application/msword")
        return DocumentType::Doc;
    if (mime == "application/vnd.openxmlformats-officedocument.wordprocessingml.document")
        return DocumentType::Docx;
    if (mime == "application/vnd.oasis.opendocument.text")
        return DocumentType::Odt;
    if (mime == "application/rtf" || mime == "text/rtf")
        return DocumentType::Rtf;
    return std::nullopt;
}

std::optional<DocumentType> FromExtension(const QByteArray& extension)
{
    for (const Known& known : kKnown) {
        if (extension == known.extension)
            return known.type;
    }
    return std::nullopt;
}

// What the bytes say: a definite type, "a ZIP or CFB we cannot place" (the
// names decide among the types that fit), or "none of ours".
enum class Magic { None, Pdf, Cfb, Zip, Rtf, Docx, Odt };

Magic MagicOf(const QByteArray& bytes)
{
    // Some servers put a BOM or blank lines before "%PDF"; readers accept
    // the header within the first KB.
    const qsizetype pdf = bytes.left(1024).indexOf("%PDF-");
    if (bytes.startsWith("%PDF") || pdf >= 0)
        return Magic::Pdf;
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Magic::Cfb;
    if (bytes.startsWith("{\\rtf"))
        return Magic::Rtf;
    if (bytes.startsWith("PK\x03\x04")) {
        // An ODT stores "mimetype" first and uncompressed, as the format asks.
        if (bytes.mid(30, 8) == "mimetype") {
            if (bytes.mid(38, 39) == "application/vnd.oasis.opendocument.text")
                return Magic::Odt;
            return Magic::None; // a spreadsheet, a drawing, an EPUB...
        }
        if (bytes.contains("[Content_Types].xml") && bytes.contains("word/"))
            return Magic::Docx;
        return Magic::Zip;
    }
    return Magic::None;
}

} // namespace

std::optional<DocumentType> DocumentTypeOf(const QString& address, const QByteArray& contentType,
                                           const QByteArray& firstBytes)
{
    const std::optional<DocumentType> byMime = FromContentType(contentType);
    const std::optional<DocumentType> byName = FromExtension(ExtensionOf(address));
    switch (MagicOf(firstBytes)) {
    case Magic::Pdf:
        return DocumentType::Pdf;
    case Magic::Rtf:
        return DocumentType::Rtf;
    case Magic::Docx:
        return DocumentType::Docx;
    case Magic::Odt:
        return DocumentType::Odt;
    case Magic::Cfb:
        // A CFB file may as well be an Excel sheet or an MSI: only a name
        // that says DOC makes it one of ours; the reader finds out for sure.
        if (byMime == DocumentType::Doc || byName == DocumentType::Doc)
            return DocumentType::Doc;
        return std::nullopt;
    case Magic::Zip:
        for (const std::optional<DocumentType>& named : {byMime, byName}) {
            if (named == DocumentType::Docx || named == DocumentType::Odt)
                return named;
        }
        return std::nullopt;
    case Magic::None:
        break;
    }
    // Bytes known and none of ours: an HTML page behind a ".pdf" link is not
    // a PDF. Only with no bytes at all do the names decide.
    if (!firstBytes.isEmpty())
        return std::nullopt;
    return byMime ? byMime : byName;
}

QString DocumentTypeName(DocumentType type)
{
    return QString::fromLatin1(KnownOf(type).name);
}

QByteArray DocumentTypeKey(DocumentType type)
{
    return QByteArray(KnownOf(type).key);
}

std::optional<DocumentType> DocumentTypeFromKey(const QByteArray& key)
{
    for (const Known& known : kKnown) {
        if (key == known.key)
            return known.type;
    }
    return std::nullopt;
}

} // namespace dokumenty
