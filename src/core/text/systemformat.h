#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// Dates and times written "in the system's form": the short date format and
// the long time format of the user's locale, as the status labels, the event
// log and the report file name show them.
namespace systemformat {

QString shortDate(const QDate& date);
QString longTime(const QTime& time);

// The system's default date-time form: short date, one blank and the long
// time; the blank and the time are left out when the time is midnight.
QString dateTime(const QDateTime& dateTime);

// Clock panel form "hh:nn:ss", independent of the locale.
QString clockTime(const QTime& time);

} // namespace systemformat
