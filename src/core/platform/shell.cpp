#include "platform/shell.h"

#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStringList>

namespace Shell {
namespace {

bool openWithSystemHandler(const QString& address)
{
#if defined(Q_OS_WIN)
    return QProcess::startDetached(QStringLiteral("explorer.exe"), {address});
#elif defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("open"), {address});
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
#endif
}

QMutex& mutex()
{
    static QMutex m;
    return m;
}

Opener& current()
{
    static Opener opener = openWithSystemHandler;
    return opener;
}

} // namespace

bool open(const QString& address)
{
    Opener opener;
    {
        QMutexLocker lock(&mutex());
        opener = current();
    }
    return opener ? opener(address) : false;
}

Opener setOpener(Opener opener)
{
    QMutexLocker lock(&mutex());
    Opener previous = current();
    current() = std::move(opener);
    return previous;
}

} // namespace Shell
