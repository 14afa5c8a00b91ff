#include "publikacja/ftp/ftptransfer.h"

#include "publikacja/ftp/ftpconnection.h"
#include "platform/systemerror.h"
#include "platform/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace publikacja {
namespace {

using Stage = FtpConnection::Stage;

// The text of a failed transfer by the step at which it failed; the two
// directions word the directory and the file step differently.
// Why the server or the connection failed the step, as a sentence to
// follow the step's own: the server's refusal by its reply code, else the
// connection's reason. Empty when neither is known.
QString reasonOf(const FtpConnection::Failure& failure, const QString& host)
{
    if (failure.replyCode >= 400)
        return SystemError::FtpRefusal(failure.replyCode, host, failure.serverText) + QLatin1Char('.');
    if (failure.libraryCode == 0)
        return QString();
    const QString reason = SystemError::TransferReason(failure.libraryCode);
    return QStringLiteral("Przyczyna: %1.").arg(reason);
}

FtpResult failed(const FtpConnection::Failure& failure, const QString& host, const QString& directoryText,
                 const QString& transferText)
{
    const QString reason = reasonOf(failure, host);
    auto withReason = [&](const QString& text) { return reason.isEmpty() ? text : text + QLatin1Char(' ') + reason; };
    switch (failure.stage) {
    case Stage::Library:
        return {false, QStringLiteral("Nie można nawiązać połączenia z Internetem")};
    case Stage::Login:
        // A server that answered and refused is there: it is named with
        // its refusal, not called unreachable.
        if (failure.replyCode >= 400)
            return {false, SystemError::FtpRefusal(failure.replyCode, host, failure.serverText)};
        return {false, QStringLiteral("Host \"%1\" jest niedostępny").arg(host)};
    case Stage::Directory:
        return {false, withReason(directoryText)};
    case Stage::Transfer:
        break;
    }
    return {false, withReason(transferText)};
}

FtpResult stoppedResult()
{
    FtpResult r;
    r.stopped = true;
    return r;
}

} // namespace

FtpResult FtpDownload(const QString& host, const QString& user, const QString& password,
                      const QString& remoteDirectory, const QString& remoteFileName,
                      const QString& localPath, const std::atomic_bool* stop)
{
    // Opened at the first data, so that nothing is created before the
    // server has agreed to send the file.
    QSaveFile file(localPath);
    QString localReason; // why the local file could not be written
    auto sink = [&](const char* data, qsizetype size) {
        if ((!file.isOpen() && !file.open(QIODevice::WriteOnly)) || file.write(data, size) != size) {
            localReason = SystemError::FileReason(file);
            return false;
        }
        return true;
    };
    FtpConnection connection(host, user, password, remoteDirectory, stop);
    std::optional<FtpConnection::Failure> failure = connection.retrieve(remoteFileName, sink);
    if (!failure && stop && stop->load())
        failure = FtpConnection::Failure{Stage::Transfer, QString(), false, true};
    if (!failure) {
        // An empty remote file sends no data and still replaces the local one.
        if ((!file.isOpen() && !file.open(QIODevice::WriteOnly)) || !CommitSaveFile(file)) {
            localReason = SystemError::FileReason(file);
            failure = FtpConnection::Failure{Stage::Transfer, localReason};
        }
    }
    if (!failure)
        return {true, QString()};
    file.cancelWriting();
    if (failure->stopped)
        return stoppedResult();
    if (!localReason.isEmpty()) {
        // The server sent it; our disk did not take it.
        failure->replyCode = 0;
        failure->libraryCode = 0;
    }
    FtpResult result = failed(*failure, host, QStringLiteral("Brak katalogu %1.").arg(remoteDirectory),
                              QStringLiteral("Nie można pobrać pliku %1.").arg(remoteFileName));
    if (!localReason.isEmpty())
        result.error += QStringLiteral(" Nie można zapisać pliku \"%1\": %2.").arg(localPath, localReason);
    result.remoteFileMissing = failure->stage == Stage::Transfer && failure->remoteFileMissing;
    return result;
}

FtpResult FtpUpload(const QString& localPath, const QString& host, const QString& remoteDirectory,
                    const QString& user, const QString& password, const std::atomic_bool* stop)
{
    const QString cannotSend = QStringLiteral("Nie można wysłać pliku %1 na serwer.").arg(localPath);
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("%1 Przyczyna: %2.").arg(cannotSend, SystemError::FileReason(file))};
    const qint64 size = file.size();
    const QString remoteName = QFileInfo(localPath).fileName();
    const QString partName = remoteName + QStringLiteral(".tmp");
    const QString cannotEnter = QStringLiteral("Nie można przejść do katalogu %1 na serwerze.").arg(remoteDirectory);
    FtpConnection connection(host, user, password, remoteDirectory, stop);
    // Whatever arrived of a broken upload is no list; the old one stays.
    auto dropPart = [&] { connection.commands({QStringLiteral("DELE ") + partName}); };

    qint64 stored = -1;
    std::optional<FtpConnection::Failure> failure = connection.store(partName, file, &stored);
    if (failure) {
        if (failure->stopped)
            return stoppedResult();
        if (failure->stage == Stage::Transfer)
            dropPart();
        return failed(*failure, host, cannotEnter, cannotSend);
    }
    // A server that keeps less than it was sent (a full disk, a cut that
    // it took for the end) must not get the list replaced. One that does
    // not answer SIZE is taken at its word that the store completed.
    if (stored >= 0 && stored != size) {
        dropPart();
        return {false, QStringLiteral("Na serwer dotarło tylko %1 z %2 bajtów pliku %3.").arg(stored).arg(size).arg(localPath)};
    }
    if (stop && stop->load())
        return stoppedResult();
    failure = connection.commands({QStringLiteral("RNFR ") + partName, QStringLiteral("RNTO ") + remoteName});
    if (failure && failure->stopped) {
        FtpResult r = stoppedResult();
        // Whether the server renamed before the stop is not known: the list
        // there is whole either way.
        r.renameUnsure = true;
        return r;
    }
    if (failure) {
        dropPart();
        return failed(*failure, host, cannotEnter,
                      QStringLiteral("Nie można zastąpić pliku %1 na serwerze.").arg(remoteName));
    }
    return {true, QString()};
}

} // namespace publikacja
