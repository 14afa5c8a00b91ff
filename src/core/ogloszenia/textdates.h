#pragma once

#include <QDate>
#include <QList>
#include <QString>

// Dates as notices write them, found with their places in a line: numeric
// (15.03.2026, 15-03-2026, 15/03/2026, 2026-03-15), with the month's name
// (15 marca 2026, also without Polish letters, "15 mar. 2026"), or with a
// Roman month (12 XI 2026, 3.III.2026). A number glued to a reference
// ("OŚ.6220.5.2026", "Nr 120.5.2026") is no date.
namespace ogloszenia {

// Lower case with the Polish letters as their plain ones (ą → a, ł → l, …):
// one character for one, so that places found in it are places in the text.
QString Fold(const QString& text);

struct TextDate
{
    QDate date;
    qsizetype start = 0; // in the text
    qsizetype end = 0;   // one past the date (and a following "r." or "roku")
};

// Dates in a folded text, in text order.
QList<TextDate> DatesIn(const QString& folded);

// The month of a folded name, abbreviation or Roman numeral; 0 if none.
int MonthOf(const QString& folded);

} // namespace ogloszenia
