#include "publikacja/ftp/ftptimeouts.h"

#include <QMutex>
#include <QMutexLocker>

namespace publikacja {
namespace {

QMutex& mutex()
{
    static QMutex m;
    return m;
}

FtpTimeouts& current()
{
    static FtpTimeouts t;
    return t;
}

} // namespace

FtpTimeouts CurrentFtpTimeouts()
{
    QMutexLocker lock(&mutex());
    return current();
}

void SetFtpTimeouts(const FtpTimeouts& timeouts)
{
    QMutexLocker lock(&mutex());
    current() = timeouts;
}

} // namespace publikacja
