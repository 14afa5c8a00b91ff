#include "publikacja/ftp/transferlist.h"

#include "konfig/settings.h"
#include "publikacja/ftp/ftptransfer.h"
#include "raport/runreport.h"
#include "text/trimmedtext.h"

#include <QFile>

namespace publikacja {

bool TransferList(const QString& localPath, TransferDirection direction, const Settings& settings,
                  RunReport& report, bool* remoteFileMissing)
{
    const TransferOutcome outcome = TransferList(
        localPath, direction, settings, [&report](const QString& line) { report.LogEvent(line); }, nullptr);
    if (remoteFileMissing)
        *remoteFileMissing = outcome.remoteFileMissing;
    return outcome.success;
}

TransferOutcome TransferList(const QString& localPath, TransferDirection direction, const Settings& settings,
                             const std::function<void(const QString&)>& log, const std::atomic_bool* stop)
{
    TransferOutcome outcome;
    const bool upload = direction == TransferDirection::Upload;
    if (upload && !QFile::exists(localPath)) {
        log(QStringLiteral("Brak pliku do wysłania. Plik nie został utworzony."));
        return outcome;
    }
    const QString host = TrimmedText(settings.host);
    const QString directory = TrimmedText(settings.directory);
    const QString user = TrimmedText(settings.user);
    const QString password = TrimmedText(settings.password);
    if (host.isEmpty() || directory.isEmpty() || user.isEmpty() || password.isEmpty()) {
        log(QStringLiteral("Braki w danych dotyczących serwera. Sprawdź konfigurację."));
        return outcome;
    }
    const FtpResult result =
        upload ? FtpUpload(localPath, host, directory, user, password, stop)
               : FtpDownload(host, user, password, directory, QStringLiteral("wykaz.txt"), localPath, stop);
    if (result.stopped)
        log(upload ? QStringLiteral("Wysyłanie pliku przerwane.") : QStringLiteral("Pobieranie pliku przerwane."));
    else if (result.success)
        log(upload ? QStringLiteral("Plik wysłany.") : QStringLiteral("Plik pobrany."));
    else
        log((upload ? QStringLiteral("Błąd wysyłki: ") : QStringLiteral("Błąd pobierania: ")) + result.error);
    outcome.success = result.success;
    outcome.remoteFileMissing = result.remoteFileMissing;
    outcome.stopped = result.stopped;
    outcome.renameUnsure = result.renameUnsure;
    return outcome;
}

} // namespace publikacja
