#include "scheduledrun.h"

#include "baza/baza.h"
#include "dbf/dbferror.h"
#include "harmonogram/schedule.h"
#include "internet/checkconnection.h"
#include "konfig/settings.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "przebieg/runcontroller.h"
#include "publikacja/publishprogress.h"
#include "publikacja/publishupdates.h"
#include "raport/runreport.h"
#include "raport/runsummary.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

enum class Register { Free, Window, Busy };

Register registerState(const QString& dataDir)
{
    {
        // The window holds this claim for as long as it is open.
        baza::Baza probe(dataDir);
        if (!probe.ClaimForWindow())
            return Register::Window;
    }
    baza::Baza probe(dataDir);
    dbf::DbfTable& t = probe.table();
    t.setFileName(probe.dbfPath());
    t.setExclusive(true);
    try {
        t.open();
        t.close();
    } catch (const dbf::DbfError& e) {
        if (e.kind() == dbf::DbfError::Kind::InUse)
            return Register::Busy;
        // Anything else is the run's to report.
    }
    return Register::Free;
}

// Publication's boxes become lines of the event log: nobody is there to
// click them.
class LoggingDialogs : public Dialogs
{
public:
    explicit LoggingDialogs(RunReport& report) : m_report(report) {}
    void message(const QString& text) override { m_report.LogEvent(text); }
    Answer question(const QString&, Buttons) override { return Answer::No; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&) override { return {}; }
    void error(const QString& text) override { m_report.LogEvent(text); }

private:
    RunReport& m_report;
};

} // namespace

ScheduledRun::ScheduledRun(CliContext& context, const Settings& settings) : m_context(context), m_settings(settings)
{
    const QDateTime now = Clock::now();
    m_record.due = harmonogram::LastDue(settings.schedule, now);
    // Started by hand, or after the schedule was switched off: it answers
    // the moment it starts.
    if (!m_record.due.isValid())
        m_record.due = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
}

bool ScheduledRun::AwaitTurn(int waitSeconds)
{
    QDeadlineTimer deadline(qint64(waitSeconds) * 1000);
    bool toldWaiting = false;
    for (;;) {
        const auto last = harmonogram::ReadLastRun(m_context.dataDir);
        if (last && last->ran && last->due >= m_record.due) {
            m_context.err << "ekowarta-cli run: zaplanowana kontrola z "
                          << m_record.due.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                          << " już się odbyła (" << last->summary << ")\n";
            return false;
        }
        const Register state = registerState(m_context.dataDir);
        const bool online = state == Register::Free && CheckConnection();
        if (state == Register::Free && online)
            break;
        if (deadline.hasExpired()) {
            const QString why = state == Register::Window
                                    ? QStringLiteral("rejestr był cały czas otwarty w oknie programu, które jej nie wykonało")
                                : state == Register::Busy
                                    ? QStringLiteral("rejestr był cały czas zajęty przez inny program")
                                    : QStringLiteral("brak połączenia z Internetem");
            keep(false, QStringLiteral("pominięta: %1").arg(why));
            m_context.err << "ekowarta-cli run: zaplanowana kontrola pominięta: " << why << "\n";
            return false;
        }
        if (!toldWaiting) {
            m_context.err << "ekowarta-cli run: "
                          << (state == Register::Window ? "rejestr jest otwarty w oknie programu; czekam, aż okno wykona kontrolę albo zostanie zamknięte"
                              : state == Register::Busy ? "rejestr jest zajęty przez inny program; czekam"
                                                        : "brak połączenia z Internetem; czekam na nie")
                          << "\n";
            m_context.err.flush();
            toldWaiting = true;
        }
        QThread::msleep(qMin<qint64>(5000, qMax<qint64>(100, deadline.remainingTime())));
    }
    m_record.started = Clock::now();
    return true;
}

void ScheduledRun::Publish(baza::Baza& baza, const RunController& run, RunReport& report, Settings& settings)
{
    m_published.clear();
    if (run.outcome() != RunOutcome::Finished || !settings.schedule.publish)
        return;
    if (settings.host.trimmed().isEmpty()) {
        m_published = QStringLiteral(" Bez publikacji: w konfiguracji nie podano serwera FTP.");
        return;
    }
    publikacja::NoPublishProgress progress;
    LoggingDialogs dialogs(report);
    const publikacja::PublishOutcome published =
        publikacja::PublishCommand(baza, false, settings, report, progress, dialogs);
    m_published = published.succeeded() ? QStringLiteral(" Wykaz opublikowany.")
                                        : QStringLiteral(" Publikacja nieudana (szczegóły w dzienniku zdarzeń).");
}

void ScheduledRun::Finish(const RunController& run, RunReport& report, bool mailed)
{
    QString summary;
    switch (run.outcome()) {
    case RunOutcome::Finished: summary = RunSummaryText(run.tally()); break;
    case RunOutcome::Offline: summary = QStringLiteral("brak połączenia z Internetem, strony nie zostały sprawdzone."); break;
    case RunOutcome::NoData: summary = QStringLiteral("rejestr jest pusty, nie było czego sprawdzać."); break;
    case RunOutcome::Stopped: summary = QStringLiteral("przerwana przed końcem."); break;
    case RunOutcome::WriteFailed: summary = QStringLiteral("przerwana: na dysku tego komputera nie można było zapisać wyników (szczegóły w dzienniku zdarzeń)."); break;
    case RunOutcome::Refused: summary = QStringLiteral("nie rozpoczęta."); break;
    }
    if (mailed)
        summary += QStringLiteral(" Podsumowanie wysłane e-mailem.");
    summary += m_published;
    QStringList events = report.events();
    std::reverse(events.begin(), events.end());
    keep(run.outcome() != RunOutcome::Refused, summary, events);
}

void ScheduledRun::Failed(const QString& text)
{
    keep(true, QStringLiteral("nieudana: %1").arg(text));
}

void ScheduledRun::keep(bool ran, const QString& summary, const QStringList& events)
{
    m_record.ran = ran;
    m_record.ended = Clock::now();
    m_record.summary = summary;
    m_record.events = events;
    try {
        harmonogram::WriteLastRun(m_context.dataDir, m_record);
    } catch (const std::exception& e) {
        m_context.err << "ekowarta-cli run: " << ErrorText(e) << "\n";
    }
}
