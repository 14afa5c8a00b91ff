#pragma once

#include <QDate>
#include <QDateTime>

// Date values are day counts from 1899-12-30 (day 0) with the time of day as
// the fraction. Day 0, the zero date, stands for "no date" in the table.
namespace datevalue {

inline constexpr double kZeroDate = 0.0;

QDate epoch(); // 1899-12-30

double fromDate(const QDate& date);
double fromDateTime(const QDateTime& dateTime);

// Whole days only; the fraction is dropped.
QDate toDate(double value);
QDateTime toDateTime(double value);

// Value without its time of day (what a date field keeps).
double dayOf(double value);

} // namespace datevalue
