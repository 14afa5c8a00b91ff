#include "przebieg/afterrun.h"

#include "ogloszenia/calendar.h"
#include "raport/runreport.h"

bool RunTookPlace(RunOutcome outcome, bool aborted)
{
    switch (outcome) {
    case RunOutcome::Finished:
    case RunOutcome::Stopped:
    case RunOutcome::WriteFailed: return true;
    case RunOutcome::Offline: return aborted;
    case RunOutcome::NoData:
    case RunOutcome::Refused: break;
    }
    return false;
}

bool AfterRun(const QString& dataDirectory, const dbf::DbfTable& table, RunReport& report, RunOutcome outcome,
              bool aborted, const QDate& today)
{
    if (!RunTookPlace(outcome, aborted))
        return false;
    const ogloszenia::CalendarResult calendar = ogloszenia::WriteDeadlineCalendar(dataDirectory, table, today);
    if (!calendar.written)
        report.LogEvent(QStringLiteral("Kalendarz terminów uwag (%1) nie został zapisany: %2")
                            .arg(ogloszenia::CalendarFileName(), calendar.error));
    return calendar.written;
}
