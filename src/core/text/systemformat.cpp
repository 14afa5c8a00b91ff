#include "text/systemformat.h"

#include <QLocale>
#include <QRegularExpression>

namespace systemformat {

QLocale programLocale()
{
    return QLocale(QLocale::Polish, QLocale::Poland);
}

namespace {

// Qt's long time format may carry the time zone ("t"); a time-of-day label
// never shows one.
QString longTimeFormat()
{
    QString format = programLocale().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.remove(zone);
    return format.trimmed().isEmpty() ? QStringLiteral("HH:mm:ss") : format.trimmed();
}

} // namespace

QString shortDate(const QDate& date)
{
    const QLocale locale = programLocale();
    return locale.toString(date, locale.dateFormat(QLocale::ShortFormat));
}

QString longTime(const QTime& time)
{
    return programLocale().toString(time, longTimeFormat());
}

QString dateTime(const QDateTime& dateTime)
{
    const QString date = shortDate(dateTime.date());
    const QTime t = dateTime.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return date;
    return date + QLatin1Char(' ') + longTime(t);
}

QString clockTime(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace systemformat
