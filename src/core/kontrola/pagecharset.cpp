#include "kontrola/pagecharset.h"

#include "SzukajDaty/pagelinesplit.h"
#include "text/cp1250.h"

#include <QStringDecoder>

#include <array>
#include <optional>
#include <cstring>

namespace {

bool isCharsetNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

qsizetype indexOfIgnoringCase(QByteArrayView text, QByteArrayView what, qsizetype from = 0)
{
    for (qsizetype at = from; at + what.size() <= text.size(); ++at)
        if (qstrnicmp(text.data() + at, what.data(), what.size()) == 0)
            return at;
    return -1;
}

// "charset" followed by "=", blanks and quotes allowed around the value.
QByteArray charsetAfterKeyword(QByteArrayView text)
{
    for (qsizetype at = indexOfIgnoringCase(text, "charset"); at >= 0;
         at = indexOfIgnoringCase(text, "charset", at + 1)) {
        qsizetype p = at + 7;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t'))
            ++p;
        if (p >= text.size() || text[p] != '=')
            continue;
        ++p;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '"' || text[p] == '\''))
            ++p;
        const qsizetype begin = p;
        while (p < text.size() && isCharsetNameByte(text[p]))
            ++p;
        if (p > begin)
            return text.sliced(begin, p - begin).toByteArray().toLower();
    }
    return {};
}

// A <meta> tag may run over a few lines; no more are joined than this.
constexpr qsizetype kMetaTagLines = 8;

enum class Family { AsIs, Utf8, Iso88592, Other };

Family familyOf(const QByteArray& name)
{
    static const char* const asIs[] = {"windows-1250", "cp1250", "x-cp1250", "win-1250", "us-ascii", "ascii"};
    static const char* const utf8[] = {"utf-8", "utf8", "unicode-1-1-utf-8"};
    static const char* const iso88592[] = {"iso-8859-2", "iso8859-2", "iso_8859-2", "iso_8859-2:1987", "latin2",
                                           "l2", "csisolatin2", "iso-ir-101"};
    for (const char* n : asIs)
        if (name == n)
            return Family::AsIs;
    for (const char* n : utf8)
        if (name == n)
            return Family::Utf8;
    for (const char* n : iso88592)
        if (name == n)
            return Family::Iso88592;
    return Family::Other;
}

// ISO-8859-2 from 0xA0 up; below that it is ASCII and the C1 controls.
// Our own table, because not every Qt build can decode it (without ICU).
constexpr std::array<char16_t, 96> kIso88592Upper = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD,
    0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7, 0x00B8, 0x0161, 0x015F, 0x0165,
    0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9,
    0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A,
    0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// ISO-8859-2 byte -> Windows-1250 byte, in one table.
const std::array<char, 256>& iso88592ToCp1250()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char16_t unicode = b < 0xA0 ? static_cast<char16_t>(b) : kIso88592Upper[b - 0xA0];
            const QChar c(unicode);
            t[b] = cp1250::fromUnicode(QStringView(&c, 1)).at(0);
        }
        return t;
    }();
    return table;
}

bool hasNonAscii(const QList<QByteArray>& lines)
{
    for (const QByteArray& line : lines)
        for (const char c : line)
            if (static_cast<unsigned char>(c) >= 0x80)
                return true;
    return false;
}

bool isValidUtf8(const QList<QByteArray>& lines)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    for (const QByteArray& line : lines) {
        const QString text = decoder.decode(line); // decodes only when taken
        if (decoder.hasError())
            return false;
    }
    return true;
}

bool pageHasNonAscii(QByteArrayView page)
{
    for (const char c : PageBeforeNul(page))
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// Line by line, so that no decoded copy of the whole page is ever made.
bool pageIsValidUtf8(QByteArrayView page)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    bool valid = true;
    ForEachPageLine(page, [&](QByteArrayView line) {
        if (!valid)
            return;
        const QString text = decoder.decode(line);
        valid = !decoder.hasError();
    });
    return valid;
}

// The text of a <meta> tag from its "<" on, as the line-wise search joins
// it: each line break becomes one blank, at most kMetaTagLines more lines
// are taken, and it ends before the first ">".
QByteArray metaTagAt(QByteArrayView page, qsizetype at)
{
    QByteArray tag;
    qsizetype breaks = 0;
    for (qsizetype p = at; p < page.size(); ++p) {
        const char c = page[p];
        if (c == '>')
            break;
        if (c == '\r' || c == '\n') {
            if (c == '\r' && p + 1 < page.size() && page[p + 1] == '\n')
                ++p;
            if (++breaks > kMetaTagLines)
                break;
            tag += ' ';
            continue;
        }
        tag += c;
    }
    return tag;
}

QByteArray convertLine(QByteArrayView line, Family family, QStringDecoder* decoder)
{
    switch (family) {
    case Family::Utf8:
        return cp1250::fromUnicode(QString::fromUtf8(line));
    case Family::Iso88592: {
        const auto& table = iso88592ToCp1250();
        QByteArray converted(line.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < line.size(); ++i)
            converted[i] = table[static_cast<unsigned char>(line[i])];
        return converted;
    }
    case Family::Other:
        if (decoder)
            return cp1250::fromUnicode(QString(decoder->decode(line)));
        break;
    case Family::AsIs:
        break;
    }
    return line.toByteArray();
}

} // namespace

QByteArray CharsetFromContentType(QByteArrayView contentType)
{
    return charsetAfterKeyword(contentType);
}

QByteArray CharsetFromMeta(const QList<QByteArray>& lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        for (qsizetype at = indexOfIgnoringCase(line, "<meta"); at >= 0;
             at = indexOfIgnoringCase(line, "<meta", at + 5)) {
            QByteArray tag = line.mid(at);
            for (qsizetype next = i + 1; !tag.contains('>') && next < lines.size() && next <= i + kMetaTagLines;
                 ++next)
                tag += ' ' + lines[next];
            const qsizetype close = tag.indexOf('>');
            if (close >= 0)
                tag.truncate(close);
            const QByteArray charset = charsetAfterKeyword(tag);
            if (!charset.isEmpty())
                return charset;
        }
    }
    return {};
}

QByteArray PageCharset(const QString& contentType, const QList<QByteArray>& lines)
{
    QByteArray charset = CharsetFromContentType(contentType.toLatin1());
    if (charset.isEmpty())
        charset = CharsetFromMeta(lines);
    if (charset.isEmpty() && hasNonAscii(lines) && isValidUtf8(lines))
        charset = "utf-8";
    return charset;
}

QList<QByteArray> ConvertLinesToCp1250(const QList<QByteArray>& lines, QByteArrayView charset)
{
    const QByteArray name = charset.toByteArray().toLower();
    switch (familyOf(name)) {
    case Family::AsIs:
        return lines;
    case Family::Utf8: {
        QList<QByteArray> converted;
        converted.reserve(lines.size());
        for (const QByteArray& line : lines)
            converted.append(cp1250::fromUnicode(QString::fromUtf8(line)));
        return converted;
    }
    case Family::Iso88592: {
        const auto& table = iso88592ToCp1250();
        QList<QByteArray> converted;
        converted.reserve(lines.size());
        for (QByteArray line : lines) {
            for (char& c : line)
                c = table[static_cast<unsigned char>(c)];
            converted.append(line);
        }
        return converted;
    }
    case Family::Other:
        break;
    }
    // Any other charset that this Qt build can decode (through ICU on Linux).
    QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
    if (name.isEmpty() || !decoder.isValid())
        return lines;
    QList<QByteArray> converted;
    converted.reserve(lines.size());
    for (const QByteArray& line : lines)
        converted.append(cp1250::fromUnicode(QString(decoder.decode(line))));
    return converted;
}

QList<QByteArray> LinesAsCp1250(const QList<QByteArray>& lines, const QString& contentType)
{
    return ConvertLinesToCp1250(lines, PageCharset(contentType, lines));
}

QByteArray CharsetFromMetaInPage(QByteArrayView page)
{
    page = PageBeforeNul(page);
    for (qsizetype at = page.indexOf('<'); at >= 0; at = page.indexOf('<', at + 1)) {
        if (at + 5 > page.size() || qstrnicmp(page.data() + at, "<meta", 5) != 0)
            continue;
        const QByteArray charset = charsetAfterKeyword(metaTagAt(page, at));
        if (!charset.isEmpty())
            return charset;
    }
    return {};
}

QByteArray PageCharsetOf(const QString& contentType, QByteArrayView page)
{
    QByteArray charset = CharsetFromContentType(contentType.toLatin1());
    if (charset.isEmpty())
        charset = CharsetFromMetaInPage(page);
    if (charset.isEmpty() && pageHasNonAscii(page) && pageIsValidUtf8(page))
        charset = "utf-8";
    return charset;
}

bool CharsetNeedsConversion(QByteArrayView charset)
{
    const QByteArray name = charset.toByteArray().toLower();
    switch (familyOf(name)) {
    case Family::AsIs: return false;
    case Family::Utf8:
    case Family::Iso88592: return true;
    case Family::Other: break;
    }
    return !name.isEmpty() && QStringDecoder(name.constData(), QStringDecoder::Flag::Stateless).isValid();
}

struct LineConverter::State
{
    Family family = Family::AsIs;
    std::optional<QStringDecoder> decoder;
    QByteArray converted;
};

LineConverter::LineConverter(QByteArrayView charset) : m_state(std::make_unique<State>())
{
    const QByteArray name = charset.toByteArray().toLower();
    m_state->family = familyOf(name);
    if (m_state->family == Family::Other) {
        m_state->decoder.emplace(name.constData(), QStringDecoder::Flag::Stateless);
        if (name.isEmpty() || !m_state->decoder->isValid())
            m_state->family = Family::AsIs;
    }
}

LineConverter::~LineConverter() = default;

QByteArrayView LineConverter::line(QByteArrayView line)
{
    State& s = *m_state;
    if (s.family == Family::AsIs)
        return line; // nothing to convert, nothing brought in
    s.converted = convertLine(line, s.family, s.decoder ? &*s.decoder : nullptr);
    for (char& c : s.converted)
        if (c == '\r' || c == '\n' || c == '\0')
            c = '?';
    return s.converted;
}

bool LineConverter::keepsAscii() const
{
    return m_state->family != Family::Other;
}

QByteArray PageAsCp1250(QByteArrayView page, QByteArrayView charset)
{
    LineConverter convert(charset);
    QByteArray converted;
    converted.reserve(PageBeforeNul(page).size() + 1);
    ForEachPageLine(page, [&](QByteArrayView line) {
        converted += convert.line(line);
        converted += '\n';
    });
    return converted;
}
