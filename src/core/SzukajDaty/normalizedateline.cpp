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
            {u"stycznia", u"lutego", u"marca", u"kwietnia", u"maja", u"czerwca", u"lipca", u"sierpnia",
             u"września", u"października", u"listopada", u"grudnia"},
            {u"styczeń", u"luty", u"marzec", u"kwiecień", u"maj", u"czerwiec", u"lipiec", u"sierpień",
             u"wrzesień", u"październik", u"listopad", u"grudzień"},
            {u"sty", u"lut", u"mar", u"kwi", u"maj", u"cze", u"lip", u"sie", u"wrz", u"paź", u"lis", u"gru"},
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

} // namespace

QByteArray NormalizeDateLine(QByteArrayView line)
{
    QByteArray text;
    text.reserve(line.size());
    for (const char c : line)
        if (c != ' ')
            text.append(c);
    text = cp1250::toLower(text);
    for (const MonthReplacement& r : monthReplacements())
        if (text.contains(r.name)) // most lines hold no month name at all
            text.replace(r.name, r.code);
    return text;
}
