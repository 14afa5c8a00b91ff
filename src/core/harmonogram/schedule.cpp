#include "harmonogram/schedule.h"

#include <QStringList>

namespace harmonogram {
namespace {

const char* const kSystemdDays[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

const QStringList& polishDays()
{
    static const QStringList days{QStringLiteral("pn"),  QStringLiteral("wt"),  QStringLiteral("śr"),
                                  QStringLiteral("czw"), QStringLiteral("pt"),  QStringLiteral("sob"),
                                  QStringLiteral("nd")};
    return days;
}

bool onDay(Days days, const QDate& date)
{
    return days & (1u << (date.dayOfWeek() - 1));
}

} // namespace

QString DaysText(Days days)
{
    QStringList names;
    for (int i = 0; i < 7; ++i)
        if (days & (1u << i))
            names << polishDays()[i];
    return names.join(QLatin1Char(','));
}

std::optional<Days> ParseDays(const QString& text)
{
    Days days = 0;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString& part : parts) {
        const QString name = part.trimmed().toLower();
        const qsizetype i = polishDays().indexOf(name);
        if (i < 0)
            return std::nullopt;
        days |= 1u << i;
    }
    return days ? std::optional<Days>(days) : std::nullopt;
}

std::optional<QTime> ParseTime(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2 || parts[0].isEmpty() || parts[0].size() > 2 || parts[1].size() != 2)
        return std::nullopt;
    bool hoursOk = false, minutesOk = false;
    const int hours = parts[0].toInt(&hoursOk);
    const int minutes = parts[1].toInt(&minutesOk);
    // toInt takes a sign, which no time has.
    if (!hoursOk || !minutesOk || !parts[0].front().isDigit() || !parts[1].front().isDigit())
        return std::nullopt;
    const QTime time(hours, minutes);
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

QString TimeText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

QString Describe(const Schedule& s)
{
    const QString at = QStringLiteral(" o ") + TimeText(s.time);
    if ((s.days & kEveryDay) == kEveryDay)
        return QStringLiteral("codziennie") + at;
    if ((s.days & kEveryDay) == 0x1f)
        return QStringLiteral("w dni robocze") + at;
    return DaysText(s.days & kEveryDay).replace(QLatin1Char(','), QStringLiteral(", ")) + at;
}

QString OnCalendar(const Schedule& s)
{
    const QString time = s.time.toString(QStringLiteral("HH:mm")) + QStringLiteral(":00");
    if ((s.days & kEveryDay) == kEveryDay)
        return QStringLiteral("*-*-* ") + time;
    QStringList days;
    for (int i = 0; i < 7; ++i)
        if (s.days & (1u << i))
            days << QLatin1String(kSystemdDays[i]);
    return days.join(QLatin1Char(',')) + QStringLiteral(" *-*-* ") + time;
}

QDateTime LastDue(const Schedule& s, const QDateTime& now)
{
    if (!s.on || !(s.days & kEveryDay) || !s.time.isValid())
        return {};
    for (int back = 0; back <= 7; ++back) {
        const QDate day = now.date().addDays(-back);
        const QDateTime moment(day, s.time);
        if (onDay(s.days, day) && moment <= now)
            return moment;
    }
    return {};
}

QDateTime NextDue(const Schedule& s, const QDateTime& now)
{
    if (!s.on || !(s.days & kEveryDay) || !s.time.isValid())
        return {};
    for (int ahead = 0; ahead <= 7; ++ahead) {
        const QDate day = now.date().addDays(ahead);
        const QDateTime moment(day, s.time);
        if (onDay(s.days, day) && moment > now)
            return moment;
    }
    return {};
}

} // namespace harmonogram
