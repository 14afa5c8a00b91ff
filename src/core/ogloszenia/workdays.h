#pragma once

#include <QDate>

// Working days and periods as the code of administrative procedure counts
// them (art. 57): the day of the event that starts a period is not
// counted, the period ends at the end of its last day, and a last day that
// is a Saturday, a Sunday or a public holiday moves to the next day that is
// none of these.
namespace ogloszenia {

QDate EasterSunday(int year);

// 1 and 6 January, Easter Sunday and Monday, 1 and 3 May, Pentecost Sunday,
// Corpus Christi, 15 August, 1 and 11 November, 24 December (from 2025),
// 25 and 26 December.
bool IsPublicHoliday(const QDate& day);
bool IsWorkingDay(const QDate& day);

// The last day of a period of the given number of days that starts with
// the event on the given day.
QDate PeriodEnd(const QDate& eventDay, int days);
// The same for months: the day with the event's number in the last month
// (or that month's last day when it has no such day).
QDate PeriodEndMonths(const QDate& eventDay, int months);

} // namespace ogloszenia
