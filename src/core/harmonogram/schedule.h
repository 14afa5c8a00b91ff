#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

// When the pages are checked without anyone pressing the start button: a
// time of day and the days of the week it applies to.
namespace harmonogram {

// Days as bits: Monday is bit 0, Sunday bit 6.
using Days = unsigned;
inline constexpr Days kEveryDay = 0x7f;

struct Schedule
{
    bool on = false;
    QTime time = QTime(6, 0);
    Days days = kEveryDay;
    // Publish the marked records after the check (when a server is set).
    bool publish = false;
};

// "pn,wt,śr,czw,pt,sob,nd": the days' Polish abbreviations, Monday first.
QString DaysText(Days days);
// Accepts the abbreviations in any order and case, separated by commas;
// empty when a part is no day or nothing is given.
std::optional<Days> ParseDays(const QString& text);
// "GG:MM" (also "G:MM"), 00:00 to 23:59; empty otherwise.
std::optional<QTime> ParseTime(const QString& text);
// "06:30"
QString TimeText(const QTime& time);

// "codziennie o 06:30", "w dni robocze o 06:30", "pn, śr, pt o 06:30"
QString Describe(const Schedule& schedule);

// The timer's calendar expression: "*-*-* 06:30:00", or with the weekdays
// in front ("Mon,Wed,Fri *-*-* 06:30:00").
QString OnCalendar(const Schedule& schedule);

// The latest scheduled moment not after now, within the last eight days;
// invalid when the schedule is off or names no day.
QDateTime LastDue(const Schedule& schedule, const QDateTime& now);
// The first scheduled moment after now; invalid when none.
QDateTime NextDue(const Schedule& schedule, const QDateTime& now);

} // namespace harmonogram
