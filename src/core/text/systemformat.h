#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// Dates and times written "in the system's form": the short date format and
// the long time format, as the status labels, the event log, the grid and the
// report file name show them. The program speaks Polish, so the form is the
// Polish one (9.12.2026, 14:05:09) whatever locale the process runs under: a
// cron job or a minimal system has only the C locale, which would write
// "9 Dec 2026".
namespace systemformat {

// The locale of every date, time and number the program shows.
QLocale programLocale();

QString shortDate(const QDate& date);
QString longTime(const QTime& time);

// The system's default date-time form: short date, one blank and the long
// time; the blank and the time are left out when the time is midnight.
QString dateTime(const QDateTime& dateTime);

// Clock panel form "hh:nn:ss", independent of the locale.
QString clockTime(const QTime& time);

} // namespace systemformat
