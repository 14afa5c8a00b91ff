#include "schedulewatch.h"

#include "baza/baza.h"
#include "harmonogram/lastrun.h"
#include "harmonogram/schedule.h"
#include "konfig/settings.h"
#include "platform/clock.h"
#include "platform/handlererrors.h"
#include "przebieg/runcontroller.h"
#include "publikacja/publishtask.h"
#include "publikacja/publishupdates.h"
#include "raport/runreport.h"
#include "raport/runsummary.h"

#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

// Publication's boxes become lines of the event log: nobody may be there
// to click them.
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

QString outcomeText(RunOutcome outcome, const RunTally& tally)
{
    switch (outcome) {
    case RunOutcome::Finished: return RunSummaryText(tally);
    case RunOutcome::Offline: return QStringLiteral("brak połączenia z Internetem, strony nie zostały sprawdzone.");
    case RunOutcome::NoData: return QStringLiteral("rejestr jest pusty, nie było czego sprawdzać.");
    case RunOutcome::Stopped: return QStringLiteral("zatrzymana w oknie programu przed końcem.");
    case RunOutcome::WriteFailed: return QStringLiteral("przerwana: na dysku tego komputera nie można było zapisać wyników (szczegóły w dzienniku zdarzeń).");
    case RunOutcome::Refused: break;
    }
    return QStringLiteral("nie rozpoczęta.");
}

QString publishedText(const publikacja::PublishOutcome& published)
{
    if (published.succeeded())
        return QStringLiteral(" Wykaz opublikowany.");
    if (published.stopped)
        return QStringLiteral(" Publikacja przerwana w oknie programu.");
    return QStringLiteral(" Publikacja nieudana (szczegóły w dzienniku zdarzeń).");
}

} // namespace

ScheduleWatch::ScheduleWatch(baza::Baza& baza, Settings& settings, RunReport& report, RunController& run,
                             publikacja::PublishTask& publish, std::function<bool()> start, QObject* parent)
    : QObject(parent), m_baza(baza), m_settings(settings), m_report(report), m_run(run), m_publish(publish),
      m_start(std::move(start)), m_openedAt(Clock::now())
{
    m_timer = new QTimer(this);
    m_timer->setInterval(20000);
    // Nobody may be at the window: what goes wrong goes into the event log.
    auto logError = [this](const QString& text) { m_report.LogEvent(text); };
    connect(m_timer, &QTimer::timeout, this, [this, logError] { RunHandler(logError, [this] { Check(); }); });
    m_timer->start();
    connect(&m_run, &RunController::runEnded, this, [this, logError](RunOutcome outcome) {
        if (m_current.isValid())
            RunHandler(logError, [&] { runEnded(outcome); });
    });
}

void ScheduleWatch::Check()
{
    showLastRun();
    if (m_current.isValid() || !m_baza.holdsWindowClaim())
        return; // running already, or another window has the register
    const QDateTime due = harmonogram::LastDue(m_settings.schedule, Clock::now());
    if (!due.isValid() || due < m_openedAt || (m_handled.isValid() && due <= m_handled))
        return;
    m_handled = due;
    const auto last = harmonogram::ReadLastRun(m_baza.directory());
    if (last && last->ran && last->due >= due)
        return;
    m_current = due;
    m_currentStart = Clock::now();
    if (m_run.active()) {
        // The user's own run is the check of this time.
        keep(true, QStringLiteral("pominięta: w oknie trwała kontrola uruchomiona ręcznie."), false);
        return;
    }
    m_report.LogEvent(QStringLiteral("Zaplanowana kontrola %1: początek.")
                          .arg(due.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    if (!m_start() && m_current.isValid())
        runEnded(m_run.outcome());
}

void ScheduleWatch::runEnded(RunOutcome outcome)
{
    QString summary = outcomeText(outcome, m_run.tally());
    if (outcome == RunOutcome::Finished && m_settings.schedule.publish) {
        if (m_settings.host.trimmed().isEmpty()) {
            summary += QStringLiteral(" Bez publikacji: w konfiguracji nie podano serwera FTP.");
        } else if (m_publish.running()) {
            summary += QStringLiteral(" Bez publikacji: trwała już publikacja uruchomiona w oknie.");
        } else {
            LoggingDialogs dialogs(m_report);
            if (publikacja::MayPublish(m_baza, false, m_report, dialogs) && m_publish.Start(m_baza, m_settings)) {
                // The record is kept when the publication has ended; the
                // window stays free meanwhile.
                m_pendingSummary = summary;
                auto connection = std::make_shared<QMetaObject::Connection>();
                *connection = connect(&m_publish, &publikacja::PublishTask::finished, this,
                                      [this, connection](const publikacja::PublishOutcome& published, const QString& error) {
                                          disconnect(*connection);
                                          RunHandler([this](const QString& text) { m_report.LogEvent(text); }, [&] {
                                              if (!error.isEmpty())
                                                  m_report.LogEvent(error);
                                              keep(true, m_pendingSummary + publishedText(published), true);
                                          });
                                      });
                return;
            }
            summary += publishedText({});
        }
    }
    keep(true, summary, true);
}

void ScheduleWatch::keep(bool served, const QString& summary, bool withEvents)
{
    harmonogram::LastRun record;
    record.due = m_current;
    record.started = m_currentStart;
    record.ended = Clock::now();
    record.ran = served;
    record.summary = summary;
    if (withEvents) {
        record.events = m_report.events();
        std::reverse(record.events.begin(), record.events.end());
    }
    m_current = {};
    // The event log gets the line now; the file is for the timer's
    // service and for the next start of the window.
    m_shown = harmonogram::LastRunLine(record);
    m_report.LogEvent(m_shown);
    harmonogram::WriteLastRun(m_baza.directory(), record);
}

void ScheduleWatch::showLastRun()
{
    const auto last = harmonogram::ReadLastRun(m_baza.directory());
    if (!last)
        return;
    const QString line = harmonogram::LastRunLine(*last);
    if (line == m_shown)
        return;
    m_shown = line;
    m_report.LogEvent(line);
}
