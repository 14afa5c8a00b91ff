#include "SzukajDaty/szukajdaty.h"
#include "text/cp1250.h"

#include <QString>
#include <array>

namespace {

struct MonthReplacement
{
    QByteArray name; // Windows-1250, lower-case
    QByteArray code; // "-01-" … "-12-"
};

// Genitive, then nominative, then abbreviation, each January to December:
// the longer forms must go first, or "mar" would eat the start of "marca".
const std::array<MonthReplacement, 36>& monthReplacements()
{
    static const std::array<MonthReplacement, 36> table = [] {
        const char16_t* const names[3][12] = {
            {u"stycznia", u"lutego", u"marca", u"kwietnia", u"maja", u"czerwca", u"lipca",
             u"sierpnia", u"września", u"października", u"listopada", u"grudnia"},
            {u"styczeń", u"luty", u"marzec", u"kwiecień", u"maj", u"czerwiec", u"lipiec",
             u"sierpień", u"wrzesień", u"październik", u"listopad", u"grudzień"},
            {u"sty", u"lut", u"mar", u"kwi", u"maj", u"cze", u"lip", u"sie", u"wrz", u"paź", u"lis",
             u"gru"},
        };
        std::array<MonthReplacement, 36> t;
        for (int form = 0; form < 3; ++form) {
            for (int month = 0; month < 12; ++month) {
                MonthReplacement& r = t[form * 12 + month];
                r.name = cp1250::fromUnicode(QString::fromUtf16(names[form][month]));
                r.code = '-' + QByteArray::number(month + 1).rightJustified(2, '0') + '-';
            }
        }
        return t;
    }();
    return table;
}

// Every month name begins with its three-letter abbreviation, and a
// replacement leaves "-MM-" between its neighbours, so it never makes a new
// name out of them. A month whose abbreviation is not in the lowered line
// therefore has nothing to replace: most lines need none of the 36 passes.
quint32 monthsPresent(const QByteArray& text)
{
    const auto& table = monthReplacements();
    const qsizetype kAbbreviations = 24; // the third column starts here
    quint32 present = 0;
    for (qsizetype at = 0; at + 3 <= text.size(); ++at) {
        const char c = text[at];
        if (c != 's' && c != 'l' && c != 'm' && c != 'k' && c != 'c' && c != 'w' && c != 'p' &&
            c != 'g')
            continue;
        for (int month = 0; month < 12; ++month) {
            const QByteArray& abbreviation = table[kAbbreviations + month].name;
            if (abbreviation[0] == c && abbreviation[1] == text[at + 1] &&
                abbreviation[2] == text[at + 2])
                present |= 1u << month;
        }
    }
    return present;
}

// Windows-1250 lower-casing with the plain space dropped (mapped to 0,
// which no page line holds: lines end at the first NUL).
const std::array<char, 256>& lowerWithoutSpace()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = cp1250::toLower(static_cast<char>(b));
        t[' '] = '\0';
        return t;
    }();
    return table;
}

} // namespace

QByteArray NormalizeDateLine(QByteArrayView line)
{
    // One pass for the blank removal and the lower-casing, into one buffer.
    const auto& lower = lowerWithoutSpace();
    QByteArray text(line.size(), Qt::Uninitialized);
    char* out = text.data();
    for (const char c : line) {
        const char l = lower[static_cast<unsigned char>(c)];
        *out = l;
        out += (l != '\0' || c == '\0') ? 1 : 0;
    }
    text.truncate(out - text.constData());
    const quint32 present = monthsPresent(text);
    if (present == 0)
        return text;
    const auto& table = monthReplacements();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (present & (1u << (i % 12)))
            text.replace(table[i].name, table[i].code);
    return text;
}
