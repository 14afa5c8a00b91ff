#include "ogloszenia/workdays.h"

namespace ogloszenia {

namespace {

QDate nextWorkingDay(QDate day)
{
    while (!IsWorkingDay(day))
        day = day.addDays(1);
    return day;
}

} // namespace

QDate EasterSunday(int year)
{
    // The anonymous Gregorian algorithm (Meeus/Jones/Butcher).
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

bool IsPublicHoliday(const QDate& day)
{
    if (!day.isValid())
        return false;
    const int m = day.month();
    const int d = day.day();
    if ((m == 1 && (d == 1 || d == 6)) || (m == 5 && (d == 1 || d == 3)) || (m == 8 && d == 15) ||
        (m == 11 && (d == 1 || d == 11)) || (m == 12 && (d == 25 || d == 26)))
        return true;
    if (m == 12 && d == 24 && day.year() >= 2025)
        return true;
    const QDate easter = EasterSunday(day.year());
    const qint64 fromEaster = easter.daysTo(day);
    return fromEaster == 0 || fromEaster == 1 || fromEaster == 49 || fromEaster == 60;
}

bool IsWorkingDay(const QDate& day)
{
    return day.dayOfWeek() < 6 && !IsPublicHoliday(day);
}

QDate PeriodEnd(const QDate& eventDay, int days)
{
    if (!eventDay.isValid() || days <= 0)
        return {};
    return nextWorkingDay(eventDay.addDays(days));
}

QDate PeriodEndMonths(const QDate& eventDay, int months)
{
    if (!eventDay.isValid() || months <= 0)
        return {};
    return nextWorkingDay(eventDay.addMonths(months)); // addMonths keeps the day or takes the month's last
}

} // namespace ogloszenia
