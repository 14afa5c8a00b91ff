#include "internet/checkconnection.h"

#include <QMutex>
#include <QString>
#include <QMutexLocker>

#ifdef Q_OS_UNIX
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#endif

namespace {

QMutex& mutex()
{
    static QMutex m;
    return m;
}

ConnectionProbe& probe()
{
    static ConnectionProbe p;
    return p;
}

} // namespace

bool SystemReportsConnection()
{
#ifdef Q_OS_UNIX
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool online = false;
    for (ifaddrs* a = list; a && !online; a = a->ifa_next) {
        if (!a->ifa_addr || !(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK))
            continue;
        const int family = a->ifa_addr->sa_family;
        online = family == AF_INET || family == AF_INET6;
    }
    freeifaddrs(list);
    return online;
#else
    return true;
#endif
}

bool CheckConnection()
{
    ConnectionProbe p;
    {
        QMutexLocker lock(&mutex());
        p = probe();
    }
    if (p)
        return p();
    // EKOWARTA_CONNECTION=online|offline overrides the system's answer: for
    // the tests of the command line, and for a machine whose only network
    // reaches the pages through a path the interfaces do not show.
    const QString forced = qEnvironmentVariable("EKOWARTA_CONNECTION");
    if (forced == QLatin1String("online"))
        return true;
    if (forced == QLatin1String("offline"))
        return false;
    return SystemReportsConnection();
}

ConnectionProbe SetConnectionProbe(ConnectionProbe p)
{
    QMutexLocker lock(&mutex());
    ConnectionProbe previous = probe();
    probe() = std::move(p);
    return previous;
}
