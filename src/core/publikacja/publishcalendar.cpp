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
    const ogloszenia::CalendarResult written = ogloszenia::WriteDeadlineCalendar(dataDirectory, table, today);
    if (!written.written) {
        report.LogEvent(QStringLiteral("Błąd wysyłki kalendarza terminów: ") + written.error);
        return false;
    }
    const FtpResult sent = FtpUpload(ogloszenia::CalendarPath(dataDirectory), TrimmedText(settings.host),
                                     TrimmedText(settings.directory), TrimmedText(settings.user),
                                     TrimmedText(settings.password));
    if (!sent.success) {
        report.LogEvent(QStringLiteral("Błąd wysyłki kalendarza terminów: ") + sent.error);
        return false;
    }
    report.LogEvent(QStringLiteral("Kalendarz terminów wysłany (terminów: %1).").arg(written.events));
    return true;
}

} // namespace publikacja
