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
    if (remoteFileMissing)
        *remoteFileMissing = false;
    const bool upload = direction == TransferDirection::Upload;
    if (upload && !QFile::exists(localPath)) {
        report.LogEvent(QStringLiteral("Brak pliku do wysłania. Plik nie został utworzony."));
        return false;
    }
    const QString host = TrimmedText(settings.host);
    const QString directory = TrimmedText(settings.directory);
    const QString user = TrimmedText(settings.user);
    const QString password = TrimmedText(settings.password);
    if (host.isEmpty() || directory.isEmpty() || user.isEmpty() || password.isEmpty()) {
        report.LogEvent(QStringLiteral("Braki w danych dotyczących serwera. Sprawdź konfigurację."));
        return false;
    }
    const FtpResult result =
        upload ? FtpUpload(localPath, host, directory, user, password)
               : FtpDownload(host, user, password, directory, QStringLiteral("wykaz.txt"), localPath);
    if (result.success)
        report.LogEvent(upload ? QStringLiteral("Plik wysłany.") : QStringLiteral("Plik pobrany."));
    else
        report.LogEvent((upload ? QStringLiteral("Błąd wysyłki: ") : QStringLiteral("Błąd pobierania: ")) +
                        result.error);
    if (remoteFileMissing)
        *remoteFileMissing = result.remoteFileMissing;
    return result.success;
}

} // namespace publikacja
