#include "platform/shell.h"

#include <QCoreApplication>
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

XdgOpen OpenWithXdgOpen(const QString& address, int waitMs)
{
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({address});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(waitMs)) {
        delete process;
        return XdgOpen::Missing;
    }
    if (process->waitForFinished(waitMs)) {
        const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return opened ? XdgOpen::Opened : XdgOpen::Failed;
    }
    // Deleting it would end the browser it waits for: it is reaped and
    // deleted by the main thread once it ends by itself.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    if (QCoreApplication* app = QCoreApplication::instance())
        process->moveToThread(app->thread());
    return XdgOpen::Opened;
}

} // namespace Shell
