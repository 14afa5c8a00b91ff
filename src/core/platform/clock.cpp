#include "platform/clock.h"

#include <QMutex>
#include <QMutexLocker>

#include <atomic>

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

// Read without the lock on every "now" of every thread: a run asks many
// times per page, and only tests and --today ever pin.
std::atomic<bool> anyPinned{false};

} // namespace

QDateTime now()
{
    if (!anyPinned.load(std::memory_order_acquire))
        return QDateTime::currentDateTime();
    QMutexLocker lock(&mutex());
    return pinned().isValid() ? pinned() : QDateTime::currentDateTime();
}

void pin(const QDateTime& moment)
{
    QMutexLocker lock(&mutex());
    pinned() = moment;
    anyPinned.store(moment.isValid(), std::memory_order_release);
}

void unpin()
{
    QMutexLocker lock(&mutex());
    pinned() = QDateTime();
    anyPinned.store(false, std::memory_order_release);
}

bool isPinned()
{
    QMutexLocker lock(&mutex());
    return pinned().isValid();
}

} // namespace Clock
