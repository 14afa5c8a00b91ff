#include "platform/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <memory>

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

namespace {

AsyncOpener& currentAsync()
{
    static AsyncOpener opener;
    return opener;
}

} // namespace

void openThen(const QString& address, Done done)
{
    AsyncOpener opener;
    {
        QMutexLocker lock(&mutex());
        opener = currentAsync();
    }
    if (opener) {
        opener(address, std::move(done));
        return;
    }
    const bool opened = open(address);
    if (done)
        done(opened ? XdgOpen::Opened : XdgOpen::Failed);
}

AsyncOpener setAsyncOpener(AsyncOpener opener)
{
    QMutexLocker lock(&mutex());
    AsyncOpener previous = currentAsync();
    currentAsync() = std::move(opener);
    return previous;
}

void XdgOpenAsync(const QString& address, Done done, int waitMs)
{
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({address});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Told once: by the end, the failure to start or the wait running out.
    auto told = std::make_shared<bool>(false);
    auto tell = [told, done](XdgOpen outcome) {
        if (*told)
            return;
        *told = true;
        if (done)
            done(outcome);
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [process, tell](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        tell(XdgOpen::Missing);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, [process, tell](int code, QProcess::ExitStatus status) {
        tell(status == QProcess::NormalExit && code == 0 ? XdgOpen::Opened : XdgOpen::Failed);
        process->deleteLater();
    });
    QTimer::singleShot(waitMs, process, [tell] { tell(XdgOpen::Opened); });
    process->start();
}

QString CannotOpenFileText(const QString& what, const QString& path, XdgOpen outcome, const QString& advice)
{
    const QFileInfo file(path);
    const QString why = outcome == XdgOpen::Missing
                            ? QStringLiteral("w systemie nie ma programu xdg-open (pakiet xdg-utils), który "
                                             "wskazuje program do otwarcia pliku")
                            : QStringLiteral("w systemie nie ma programu, który otwiera takie pliki");
    return QStringLiteral("Nie można otworzyć %1: %2. Plik %3 leży w katalogu %4; %5")
        .arg(what, why, file.fileName(), QDir::toNativeSeparators(file.absolutePath()), advice);
}

} // namespace Shell
