// DOCX and ODT: a ZIP file with the text in one XML entry (word/document.xml,
// content.xml), read with libzip and QXmlStreamReader as it inflates, so
// that neither the entry nor its text is held twice. The size that counts is
// what really comes out of the inflater, not what the ZIP declares.
#include "reading.h"

#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

namespace dokument {

namespace {

struct ZipCloser
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser
{
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// One entry of the archive, inflating on demand within the unpacked limit.
class Entry
{
public:
    Entry(const QByteArray& input, const char* name, const QString& format, qint64 cap)
        : format_(format), cap_(cap)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(input.constData(), zip_uint64_t(input.size()), 0, &error);
        if (!source)
            Fail(Damaged());
        archive_.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        zip_error_fini(&error);
        if (!archive_) {
            zip_source_free(source);
            Fail(Damaged());
        }
        const zip_int64_t index = zip_name_locate(archive_.get(), name, 0);
        if (index < 0)
            Fail(QStringLiteral("plik %1 bez treści dokumentu (brak %2)").arg(format, QLatin1String(name)));
        file_.reset(zip_fopen_index(archive_.get(), zip_uint64_t(index), 0));
        if (!file_)
            Fail(QStringLiteral("nie można rozpakować pliku %1 (zaszyfrowany albo uszkodzony)").arg(format));
    }

    // The next piece of the entry; empty at its end.
    QByteArray Next()
    {
        QByteArray chunk(65536, Qt::Uninitialized);
        const zip_int64_t got = zip_fread(file_.get(), chunk.data(), zip_uint64_t(chunk.size()));
        if (got < 0)
            Fail(Damaged());
        unpacked_ += got;
        if (unpacked_ > cap_)
            TooLarge(QStringLiteral("dokument zbyt duży po rozpakowaniu (ponad %1)").arg(Megabytes(cap_)));
        chunk.truncate(qsizetype(got));
        return chunk;
    }

    QString Damaged() const { return QStringLiteral("uszkodzony plik %1").arg(format_); }
    const QString& Format() const { return format_; }

private:
    QString format_;
    qint64 cap_;
    qint64 unpacked_ = 0;
    std::unique_ptr<zip_t, ZipCloser> archive_;
    std::unique_ptr<zip_file_t, EntryCloser> file_;
};

// The XML of an entry, token by token, fed as it inflates. A DTD is refused:
// with it come entity declarations, the oldest XML bomb.
class XmlEntry
{
public:
    explicit XmlEntry(Entry& entry) : entry_(entry) {}

    QXmlStreamReader::TokenType Next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType token = xml_.readNext();
            if (token == QXmlStreamReader::DTD)
                Fail(QStringLiteral("dokument %1 z deklaracją DTD (odrzucony)").arg(entry_.Format()));
            if (token != QXmlStreamReader::Invalid)
                return token;
            if (xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError || ended_)
                Fail(entry_.Damaged());
            const QByteArray chunk = entry_.Next();
            if (chunk.isEmpty())
                ended_ = true;
            else
                xml_.addData(chunk);
        }
    }

    QXmlStreamReader& Reader() { return xml_; }

private:
    Entry& entry_;
    QXmlStreamReader xml_;
    bool ended_ = false;
};

void SkipElement(XmlEntry& xml)
{
    int depth = 1;
    while (depth > 0) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token == QXmlStreamReader::EndDocument)
            return;
    }
}

const QString kWord = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kCompatibility = QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");
const QString kOdfText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOdfOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");

} // namespace

int ReadDocx(const QByteArray& input, const Limits& limits, TextOut& out)
{
    Entry entry(input, "word/document.xml", QStringLiteral("DOCX"), limits.unpackedBytes);
    XmlEntry xml(entry);
    QXmlStreamReader& reader = xml.Reader();
    Lines lines(out, limits.textBytes);
    int inText = 0; // inside <w:t>: only its characters are the text
    int inRun = 0;  // inside <w:r>: a tab there is a character, elsewhere a tab stop
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (reader.namespaceUri() == kCompatibility && name == u"Fallback") {
                // The same content once more, for older readers.
                SkipElement(xml);
                continue;
            }
            if (reader.namespaceUri() != kWord)
                continue;
            if (name == u"p") {
                if (lines.Open()) // a paragraph inside one (a text box)
                    lines.End();
            } else if (name == u"r") {
                ++inRun;
            } else if (name == u"t") {
                ++inText;
            } else if (inRun && name == u"tab") {
                lines.Add(QLatin1Char('\t'));
            } else if (inRun && (name == u"br" || name == u"cr")) {
                lines.End();
            } else if (inRun && name == u"noBreakHyphen") {
                lines.Add(QLatin1Char('-'));
            } else if (name == u"delText" || name == u"instrText" || name == u"del") {
                SkipElement(xml); // deleted text and field codes are not what the page says
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (reader.namespaceUri() != kWord)
                continue;
            const QStringView name = reader.name();
            if (name == u"p")
                lines.End();
            else if (name == u"r")
                inRun = std::max(0, inRun - 1);
            else if (name == u"t")
                inText = std::max(0, inText - 1);
        } else if (token == QXmlStreamReader::Characters && inText) {
            lines.Add(reader.text());
        }
    }
    lines.End();
    return 0;
}

int ReadOdt(const QByteArray& input, const Limits& limits, TextOut& out)
{
    Entry entry(input, "content.xml", QStringLiteral("ODT"), limits.unpackedBytes);
    XmlEntry xml(entry);
    QXmlStreamReader& reader = xml.Reader();
    Lines lines(out, limits.textBytes);
    int inParagraph = 0;
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.Next();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (reader.namespaceUri() == kOdfOffice && name == u"annotation") {
                SkipElement(xml);
                continue;
            }
            if (reader.namespaceUri() != kOdfText)
                continue;
            if (name == u"p" || name == u"h") {
                if (lines.Open())
                    lines.End();
                ++inParagraph;
            } else if (name == u"s") {
                // <text:s text:c="3"/>: that many spaces, within reason.
                bool ok = false;
                const int count = reader.attributes().value(kOdfText, QStringLiteral("c")).toInt(&ok);
                lines.Add(QString(ok ? std::clamp(count, 1, 200) : 1, QLatin1Char(' ')));
            } else if (name == u"tab") {
                lines.Add(QLatin1Char('\t'));
            } else if (name == u"line-break") {
                lines.End();
            } else if (name == u"tracked-changes" || name == u"deletion") {
                SkipElement(xml); // removed text kept for the change history
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (reader.namespaceUri() == kOdfText && (reader.name() == u"p" || reader.name() == u"h")) {
                lines.End();
                inParagraph = std::max(0, inParagraph - 1);
            }
        } else if (token == QXmlStreamReader::Characters && inParagraph) {
            // White space in ODF paragraphs collapses to one space; spaces
            // meant as such are <text:s>.
            for (const QChar c : reader.text()) {
                if (c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r')) {
                    if (lines.Open() && lines.Last() != QLatin1Char(' '))
                        lines.Add(QLatin1Char(' '));
                } else {
                    lines.Add(c);
                }
            }
        }
    }
    lines.End();
    return 0;
}

} // namespace dokument
