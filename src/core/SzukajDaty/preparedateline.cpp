#include "SzukajDaty/szukajdaty.h"
#include "text/cp1250.h"

#include <QList>
#include <QString>

#include <array>
#include <cstring>

namespace {

// --- bytes of Windows-1250 ---

struct ByteClasses
{
    std::array<bool, 256> letter{};
    std::array<bool, 256> upper{};

    ByteClasses()
    {
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            const char l = cp1250::toLower(c);
            if (l != c) {
                upper[b] = true;
                letter[b] = true;
                letter[static_cast<unsigned char>(l)] = true;
            }
        }
    }
};

const ByteClasses& classes()
{
    static const ByteClasses c;
    return c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return classes().letter[static_cast<unsigned char>(c)];
}

bool isUpper(char c)
{
    return classes().upper[static_cast<unsigned char>(c)];
}

bool isSeparator(char c)
{
    return c == '-' || c == '.' || c == '/';
}

// --- entities and blanks ---

char32_t namedEntity(QByteArrayView name)
{
    struct Named
    {
        const char* name;
        char32_t code;
    };
    static const Named table[] = {
        {"nbsp", 0xA0},    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},
        {"apos", '\''},    {"oacute", 0xF3},  {"Oacute", 0xD3},  {"aogon", 0x105},  {"Aogon", 0x104},
        {"cacute", 0x107}, {"Cacute", 0x106}, {"eogon", 0x119},  {"Eogon", 0x118},  {"lstrok", 0x142},
        {"Lstrok", 0x141}, {"nacute", 0x144}, {"Nacute", 0x143}, {"sacute", 0x15B}, {"Sacute", 0x15A},
        {"zacute", 0x17A}, {"Zacute", 0x179}, {"zdot", 0x17C},   {"Zdot", 0x17B},   {"ndash", 0x2013},
        {"mdash", 0x2014}, {"ensp", 0x2002},  {"emsp", 0x2003},  {"thinsp", 0x2009}, {"bdquo", 0x201E},
        {"rdquo", 0x201D}, {"ldquo", 0x201C}, {"laquo", 0xAB},   {"raquo", 0xBB},
    };
    for (const Named& n : table)
        if (name == QByteArrayView(n.name))
            return n.code;
    return 0;
}

// The entity that starts at text[at] ('&'): its character and its length;
// length 0 when it is no entity the finder knows.
std::pair<char32_t, qsizetype> entityAt(QByteArrayView text, qsizetype at)
{
    qsizetype i = at + 1;
    char32_t code = 0;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        i += hex ? 1 : 0;
        const qsizetype digitsFrom = i;
        auto value = [hex](char c) {
            if (isDigit(c))
                return c - '0';
            const char l = char(c | 0x20);
            return hex && l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
        };
        while (i < text.size() && i - digitsFrom < 7 && value(text[i]) >= 0) {
            code = code * (hex ? 16 : 10) + char32_t(value(text[i]));
            ++i;
        }
        if (i == digitsFrom)
            return {0, 0};
    } else {
        const qsizetype nameFrom = i;
        while (i < text.size() && i - nameFrom < 8 && ((text[i] >= 'a' && text[i] <= 'z') || (text[i] >= 'A' && text[i] <= 'Z')))
            ++i;
        code = namedEntity(text.sliced(nameFrom, i - nameFrom));
        // "&nbsp" is often written without its semicolon.
        if ((code == 0 || i == text.size() || text[i] != ';') && text.sliced(nameFrom).startsWith("nbsp"))
            return {0xA0, 5};
    }
    if (code == 0 || i == text.size() || text[i] != ';')
        return {0, 0};
    return {code, i + 1 - at};
}

bool isUnicodeBlank(char32_t c)
{
    return c == 0xA0 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == '\t';
}

// Entities decoded into Windows-1250 (a character it lacks becomes '?'),
// every no-break space, tab and other blank a plain space. A no-break space
// of UTF-8 read as Windows-1250 bytes (C2 A0) is a blank too: the raw bytes
// of a UTF-8 page are searched as well as its converted copy.
QByteArray decodeBlanksAndEntities(QByteArrayView line)
{
    QByteArray out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t' || c == '\v' || c == '\f' || u == 0xA0) {
            out += ' ';
        } else if (u == 0xC2 && i + 1 < line.size() && static_cast<unsigned char>(line[i + 1]) == 0xA0) {
            out += ' ';
            ++i;
        } else if (c == '&') {
            const auto [code, length] = entityAt(line, i);
            if (length == 0) {
                out += c;
                continue;
            }
            if (isUnicodeBlank(code))
                out += ' ';
            else if (code <= 0xFFFF)
                out += cp1250::fromUnicode(QString(QChar(char16_t(code))));
            else
                out += '?';
            i += length - 1;
        } else {
            out += c;
        }
    }
    return out;
}

bool needsDecoding(QByteArrayView line)
{
    for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '&' || c == '\t' || c == '\v' || c == '\f' || u == 0xA0)
            return true;
    }
    return false;
}

// --- Roman-numeral months and abbreviations with a period ---

int romanMonth(QByteArrayView text)
{
    static const char* const months[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};
    for (int m = 0; m < 12; ++m)
        if (text == QByteArrayView(months[m]))
            return m + 1;
    return 0;
}

qsizetype skipBlanks(QByteArrayView text, qsizetype i)
{
    while (i < text.size() && text[i] == ' ')
        ++i;
    return i;
}

// Between the parts of a date: blanks, at most one separator among them.
qsizetype skipDateGap(QByteArrayView text, qsizetype i, bool& any)
{
    const qsizetype from = i;
    i = skipBlanks(text, i);
    if (i < text.size() && isSeparator(text[i]))
        i = skipBlanks(text, i + 1);
    any = i > from;
    return i;
}

qsizetype digitRunEnd(QByteArrayView text, qsizetype i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

// "12 XII 2025", "3.III.2026", "3-III-2026" become "12.12.2025", "3.3.2026".
QByteArray romanMonthsAsNumbers(QByteArrayView line)
{
    QByteArray out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!isDigit(line[i]) || (i > 0 && isDigit(line[i - 1])))
            continue;
        const qsizetype dayEnd = digitRunEnd(line, i);
        if (dayEnd - i > 2)
            continue;
        bool gap = false;
        const qsizetype romanFrom = skipDateGap(line, dayEnd, gap);
        if (!gap)
            continue;
        qsizetype romanEnd = romanFrom;
        while (romanEnd < line.size() && (line[romanEnd] == 'I' || line[romanEnd] == 'V' || line[romanEnd] == 'X'))
            ++romanEnd;
        const int month = romanMonth(line.sliced(romanFrom, romanEnd - romanFrom));
        if (month == 0 || (romanEnd < line.size() && isLetter(line[romanEnd])))
            continue;
        const qsizetype yearFrom = skipDateGap(line, romanEnd, gap);
        if (!gap)
            continue;
        const qsizetype yearEnd = digitRunEnd(line, yearFrom);
        if (yearEnd - yearFrom != 4)
            continue;
        out += line.sliced(copied, dayEnd - copied);
        out += '.' + QByteArray::number(month) + '.';
        copied = yearFrom;
        i = yearEnd - 1;
    }
    if (copied == 0)
        return line.toByteArray();
    out += line.sliced(copied);
    return out;
}

bool isMonthAbbreviation(QByteArrayView word)
{
    static const std::array<QByteArray, 13> abbreviations = [] {
        std::array<QByteArray, 13> a;
        const char16_t* const names[] = {u"sty", u"lut", u"mar", u"kwi", u"maj", u"cze", u"lip",
                                         u"sie", u"wrz", u"paź", u"paz", u"lis", u"gru"};
        for (std::size_t i = 0; i < a.size(); ++i)
            a[i] = cp1250::fromUnicode(QString::fromUtf16(names[i]));
        return a;
    }();
    if (word.size() != 3)
        return false;
    const QByteArray lower = cp1250::toLower(word);
    for (const QByteArray& a : abbreviations)
        if (lower == a)
            return true;
    return false;
}

// "3 sty. 2026" becomes "3 sty 2026": the period of an abbreviated month
// between a day and a year goes.
QByteArray abbreviationPeriodsDropped(QByteArrayView line)
{
    QByteArray out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i + 4 < line.size(); ++i) {
        if (line[i + 3] != '.' || !isMonthAbbreviation(line.sliced(i, 3)) || (i > 0 && isLetter(line[i - 1])))
            continue;
        // A day before it, a year after it.
        qsizetype before = i;
        while (before > 0 && line[before - 1] == ' ')
            --before;
        if (before == 0 || !isDigit(line[before - 1]))
            continue;
        const qsizetype yearFrom = skipBlanks(line, i + 4);
        if (digitRunEnd(line, yearFrom) - yearFrom != 4)
            continue;
        out += line.sliced(copied, i + 3 - copied);
        copied = i + 4;
    }
    if (copied == 0)
        return line.toByteArray();
    out += line.sliced(copied);
    return out;
}

// --- numbers that only look like dates ---

// The letters right before position end: whether they hold a capital (an
// office's abbreviation, "OŚ."), not a word such as "dn." or "dnia".
bool capitalsBefore(QByteArrayView text, qsizetype end)
{
    bool capital = false;
    qsizetype i = end;
    while (i > 0 && isLetter(text[i - 1])) {
        capital = capital || isUpper(text[i - 1]);
        --i;
    }
    const QByteArray word = cp1250::toLower(text.sliced(i, end - i));
    return capital && word != "dn" && word != "dnia";
}

// What stands right before the first number of a date (the day, or the
// year of "2026-03-15") glues it into something longer: a number and a dot
// ("6220.5.2026"), or an office's letters and a separator ("OŚ.5.3.2026").
// A dash or slash after a number is a range ("01.03.2026-15.03.2026").
bool gluedBefore(QByteArrayView text, qsizetype first)
{
    if (first == 0)
        return false;
    const char c = text[first - 1];
    if (isDigit(c))
        return true;
    if (!isSeparator(c) || first < 2)
        return false;
    const char b = text[first - 2];
    if (isDigit(b))
        return c == '.';
    return isLetter(b) && capitalsBefore(text, first - 1);
}

// What follows the last number of a date glues it: a digit, a dot and a
// digit ("2026.1"), or a dot and a clerk's initials ("2021.AB").
bool gluedAfter(QByteArrayView text, qsizetype end)
{
    if (end >= text.size())
        return false;
    if (isDigit(text[end]))
        return true;
    if (text[end] != '.' || end + 1 >= text.size())
        return false;
    if (isDigit(text[end + 1]))
        return true;
    qsizetype i = end + 1;
    while (i < text.size() && isUpper(text[i]) && i - end <= 5)
        ++i;
    return i > end + 1 && i - end <= 5 && (i == text.size() || !isLetter(text[i]));
}

enum class Reading { None, Clean, Glued };

// Day (or month) and month before a year: "15.03.2026", "5 - 3 - 2026".
Reading yearLast(QByteArrayView text, qsizetype yearFrom, qsizetype yearEnd)
{
    qsizetype i = yearFrom;
    auto back = [&](auto accept) {
        while (i > 0 && text[i - 1] == ' ')
            --i;
        if (i == 0 || !accept(text[i - 1]))
            return false;
        --i;
        return true;
    };
    auto digitsBack = [&]() {
        while (i > 0 && text[i - 1] == ' ')
            --i;
        const qsizetype end = i;
        while (i > 0 && isDigit(text[i - 1]))
            --i;
        return end - i;
    };
    if (!back(isSeparator) || digitsBack() == 0 || !back(isSeparator))
        return Reading::None;
    const qsizetype dayLength = digitsBack();
    if (dayLength == 0)
        return Reading::None;
    if (dayLength > 2 || gluedBefore(text, i) || gluedAfter(text, yearEnd))
        return Reading::Glued;
    return Reading::Clean;
}

// Month and day after a year: "2026-03-15".
Reading yearFirst(QByteArrayView text, qsizetype yearFrom, qsizetype yearEnd)
{
    qsizetype i = yearEnd;
    auto separator = [&]() {
        i = skipBlanks(text, i);
        if (i >= text.size() || !isSeparator(text[i]))
            return false;
        ++i;
        return true;
    };
    auto digits = [&]() {
        i = skipBlanks(text, i);
        const qsizetype from = i;
        i = digitRunEnd(text, i);
        return i - from;
    };
    if (!separator() || digits() == 0 || !separator())
        return Reading::None;
    const qsizetype dayLength = digits();
    if (dayLength == 0)
        return Reading::None;
    if (dayLength > 2 || gluedBefore(text, yearFrom) || gluedAfter(text, i))
        return Reading::Glued;
    return Reading::Clean;
}

// Numbers that the scans would read as a date but that belong to something
// longer lose their year: a run of five digits or more, and a year whose
// date is glued to a longer number or a reference. Every decision is taken
// on the line as it came, then the masks are laid.
QByteArray gluedDatesMasked(QByteArray line)
{
    QList<std::pair<qsizetype, qsizetype>> masks;
    for (qsizetype i = 0; i < line.size();) {
        if (!isDigit(line[i])) {
            ++i;
            continue;
        }
        const qsizetype end = digitRunEnd(line, i);
        const qsizetype length = end - i;
        bool mask = length >= 5;
        const bool yearLike = length == 4 && (line[i] == '1' || line[i] == '2') && (line[i + 1] == '9' || line[i + 1] == '0');
        if (yearLike) {
            const Reading last = yearLast(line, i, end);
            const Reading first = yearFirst(line, i, end);
            mask = (last == Reading::Glued || first == Reading::Glued) && last != Reading::Clean &&
                   first != Reading::Clean;
        }
        if (mask)
            masks.append({i, length});
        i = end;
    }
    for (const auto& [at, length] : masks)
        std::memset(line.data() + at, '#', size_t(length));
    return line;
}

} // namespace

QByteArray PrepareDateLine(QByteArrayView line)
{
    QByteArray text = needsDecoding(line) ? decodeBlanksAndEntities(line) : line.toByteArray();
    text = romanMonthsAsNumbers(text);
    text = abbreviationPeriodsDropped(text);
    return gluedDatesMasked(std::move(text));
}
