#include "SzukajDaty/szukajdaty.h"
#include "text/cp1250.h"

#include <QString>
#include <array>
#include <initializer_list>
#include <vector>

namespace {

struct MonthReplacement
{
    QByteArray name; // Windows-1250, lower-case
    QByteArray code; // "-01-" … "-12-"
    int month = 0;   // 0 … 11
};

// Genitive, then nominative, then abbreviation, each January to December
// and each followed by the names that pages also write without Polish
// letters ("wrzesnia", "pazdziernik", "paz"): the longer forms must go
// first, or "mar" would eat the start of "marca" and "pazdziernik" that of
// "pazdziernika".
const std::vector<MonthReplacement>& monthReplacements()
{
    static const std::vector<MonthReplacement> table = [] {
        struct Name
        {
            const char16_t* name;
            int month; // 1 … 12
        };
        const std::initializer_list<Name> names = {
            {u"stycznia", 1}, {u"lutego", 2}, {u"marca", 3}, {u"kwietnia", 4}, {u"maja", 5},
            {u"czerwca", 6}, {u"lipca", 7}, {u"sierpnia", 8}, {u"września", 9}, {u"października", 10},
            {u"listopada", 11}, {u"grudnia", 12}, {u"wrzesnia", 9}, {u"pazdziernika", 10},
            {u"styczeń", 1}, {u"luty", 2}, {u"marzec", 3}, {u"kwiecień", 4}, {u"maj", 5},
            {u"czerwiec", 6}, {u"lipiec", 7}, {u"sierpień", 8}, {u"wrzesień", 9}, {u"październik", 10},
            {u"listopad", 11}, {u"grudzień", 12}, {u"styczen", 1}, {u"kwiecien", 4}, {u"sierpien", 8},
            {u"wrzesien", 9}, {u"pazdziernik", 10}, {u"grudzien", 12},
            {u"sty", 1}, {u"lut", 2}, {u"mar", 3}, {u"kwi", 4}, {u"maj", 5}, {u"cze", 6},
            {u"lip", 7}, {u"sie", 8}, {u"wrz", 9}, {u"paź", 10}, {u"lis", 11}, {u"gru", 12}, {u"paz", 10},
        };
        std::vector<MonthReplacement> t;
        for (const Name& n : names)
            t.push_back({cp1250::fromUnicode(QString::fromUtf16(n.name)),
                         '-' + QByteArray::number(n.month).rightJustified(2, '0') + '-', n.month - 1});
        return t;
    }();
    return table;
}

// Every month name begins with one of the month's three-letter
// abbreviations, and a replacement leaves "-MM-" between its neighbours, so
// it never makes a new name out of them. A month whose abbreviations are not
// in the lowered line therefore has nothing to replace: most lines need none
// of the passes.
quint32 monthsPresent(const QByteArray& text)
{
    static const std::vector<MonthReplacement> abbreviations = [] {
        std::vector<MonthReplacement> a;
        for (const MonthReplacement& r : monthReplacements())
            if (r.name.size() == 3)
                a.push_back(r);
        return a;
    }();
    quint32 present = 0;
    for (qsizetype at = 0; at + 3 <= text.size(); ++at) {
        const char c = text[at];
        if (c != 's' && c != 'l' && c != 'm' && c != 'k' && c != 'c' && c != 'w' && c != 'p' &&
            c != 'g')
            continue;
        for (const MonthReplacement& a : abbreviations) {
            if (a.name[0] == c && a.name[1] == text[at + 1] && a.name[2] == text[at + 2])
                present |= 1u << a.month;
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
    for (const MonthReplacement& r : monthReplacements())
        if (present & (1u << r.month))
            text.replace(r.name, r.code);
    return text;
}
