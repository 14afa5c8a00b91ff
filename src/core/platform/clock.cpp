#include "platform/clock.h"

#include <QMutex>
#include <QMutexLocker>

namespace Clock {
namespace {

QMutex& mutex()
{
    static QMutex m;
    return m;
}

QDateTime& pinned()
{
    static QDateTime moment;
    return moment;
}

} // namespace

QDateTime now()
{
    QMutexLocker lock(&mutex());
    return pinned().isValid() ? pinned() : QDateTime::currentDateTime();
}

void pin(const QDateTime& moment)
{
    QMutexLocker lock(&mutex());
    pinned() = moment;
}

void unpin()
{
    QMutexLocker lock(&mutex());
    pinned() = QDateTime();
}

bool isPinned()
{
    QMutexLocker lock(&mutex());
    return pinned().isValid();
}

} // namespace Clock
