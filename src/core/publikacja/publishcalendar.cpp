#include "publikacja/publishcalendar.h"

#include "konfig/settings.h"
#include "ogloszenia/calendar.h"
#include "publikacja/ftp/ftptransfer.h"
#include "raport/runreport.h"
#include "text/trimmedtext.h"

namespace publikacja {

bool PublishCalendar(const dbf::DbfTable& table, const QString& dataDirectory, const Settings& settings,
                     RunReport& report, const QDate& today)
{
    return PublishCalendar(ogloszenia::RecordsOfPages(table), dataDirectory, settings,
                           [&report](const QString& line) { report.LogEvent(line); }, today);
}

bool PublishCalendar(const ogloszenia::RecordsByPage& records, const QString& dataDirectory, const Settings& settings,
                     const std::function<void(const QString&)>& log, const QDate& today,
                     const std::atomic_bool* stop, bool* stopped)
{
    if (stopped)
        *stopped = false;
    const ogloszenia::CalendarResult written = ogloszenia::WriteDeadlineCalendar(dataDirectory, records, today);
    if (!written.written) {
        log(QStringLiteral("Błąd wysyłki kalendarza terminów: ") + written.error);
        return false;
    }
    const FtpResult sent = FtpUpload(ogloszenia::CalendarPath(dataDirectory), TrimmedText(settings.host),
                                     TrimmedText(settings.directory), TrimmedText(settings.user),
                                     TrimmedText(settings.password), stop);
    if (sent.stopped) {
        if (stopped)
            *stopped = true;
        return false;
    }
    if (!sent.success) {
        log(QStringLiteral("Błąd wysyłki kalendarza terminów: ") + sent.error);
        return false;
    }
    log(QStringLiteral("Kalendarz terminów wysłany (terminów: %1).").arg(written.events));
    return true;
}

} // namespace publikacja
