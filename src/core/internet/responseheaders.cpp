#include "internet/responseheaders.h"

#include <QDateTime>
#include <QString>

#include <algorithm>
#include <limits>

qint64 ContentLength(const std::optional<QByteArray>& value)
{
    if (!value)
        return -1;
    const QByteArray digits = value->trimmed();
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    bool ok = false;
    const qint64 length = digits.toLongLong(&ok);
    return ok ? length : std::numeric_limits<qint64>::max();
}

int RetryAfterSeconds(const std::optional<QByteArray>& value)
{
    if (!value || value->isEmpty())
        return -1;
    bool ok = false;
    const qint64 seconds = value->toLongLong(&ok);
    if (ok)
        return seconds < 0 ? -1 : int(qMin<qint64>(seconds, std::numeric_limits<int>::max()));
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(*value), Qt::RFC2822Date);
    if (!when.isValid())
        return -1;
    return int(qBound(qint64(0), QDateTime::currentDateTimeUtc().secsTo(when),
                      qint64(std::numeric_limits<int>::max())));
}
