#include "przebieg/runcontroller.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/infoindex.h"
#include "baza/runmarks.h"
#include "internet/checkconnection.h"
#include "konfig/settings.h"
#include "kontrola/downloadpage.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/handlererrors.h"
#include "przebieg/estimate.h"
#include "raport/runreport.h"
#include "text/cp1250.h"
#include "text/datevalue.h"
#include "text/systemformat.h"
#include "text/trimmedtext.h"

#include <vector>

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTimer>

namespace {

int stepPeriodMs = 100;
int watchdogPeriodMs = 1000;

const QString kZeroTime = QStringLiteral("00:00:00");

double nowValue()
{
    return datevalue::fromDateTime(Clock::now());
}

} // namespace

// The receiver of one dispatched check: it carries the dispatch's id to the
// controller. It lives until its worker has finished, so the worker never
// sees it go away under its feet.
class DispatchReceiver : public PageCheckReceiver
{
public:
    DispatchReceiver(RunController* run, quint64 id) : PageCheckReceiver(run), m_run(run), m_id(id) {}
    void StoreResult(const PageCheck& check) override
    {
        m_run->guarded([&] { m_run->handBack(m_id, check); });
    }

private:
    RunController* m_run;
    quint64 m_id;
};

void RunController::SetTimerPeriods(int stepMs, int watchdogMs)
{
    stepPeriodMs = stepMs;
    watchdogPeriodMs = watchdogMs;
}

int RunController::StepPeriod()
{
    return stepPeriodMs;
}

int RunController::WatchdogPeriod()
{
    return watchdogPeriodMs;
}

RunController::RunController(baza::Baza& baza, RunReport& report, Settings& settings, Dialogs& dialogs,
                             QObject* parent)
    : QObject(parent), m_baza(baza), m_report(report), m_settings(settings), m_dialogs(dialogs),
      m_pages(std::make_unique<baza::InfoIndex>(baza.table())),
      m_history(baza.directory(), [&report](const QString& text) { report.LogEvent(text); })
{
    m_timerKontrol = new QTimer(this);
    m_timerKontrol->setObjectName(QStringLiteral("TimerKontrol"));
    m_timerKontrol->setInterval(stepPeriodMs);
    connect(m_timerKontrol, &QTimer::timeout, this, [this] { guarded([this] { TimerKontrolTimer(); }); });
    m_stoper1 = new QTimer(this);
    m_stoper1->setObjectName(QStringLiteral("Stoper1"));
    m_stoper1->setInterval(watchdogPeriodMs);
    connect(m_stoper1, &QTimer::timeout, this, [this] { guarded([this] { Stoper1Timer(); }); });
    m_estimateTimer = new QTimer(this);
    m_estimateTimer->setObjectName(QStringLiteral("OdswiezCzas2"));
    connect(m_estimateTimer, &QTimer::timeout, this, &RunController::RefreshEstimate);
    m_hostTimer = new QTimer(this);
    m_hostTimer->setSingleShot(true);
    connect(m_hostTimer, &QTimer::timeout, this, [this] { guarded([this] { startDueChecks(); }); });
    m_clock.start();
}

RunController::~RunController() = default;

bool RunController::stepping() const
{
    return m_timerKontrol->isActive();
}

bool RunController::watchdogRunning() const
{
    return m_stoper1->isActive();
}

QString RunController::czas1() const
{
    if (!m_startMoment.isValid())
        return QStringLiteral("0");
    return QString::number(datevalue::fromDateTime(m_startMoment), 'g', 17);
}

void RunController::finish(RunOutcome outcome)
{
    m_active = false;
    if (m_connections)
        m_connections->Close(); // checks still out close theirs when done
    m_connections.reset();
    m_outcome = outcome;
    Q_EMIT runEnded(outcome);
}

void RunController::stopTimers()
{
    m_timerKontrol->stop();
    m_stoper1->stop();
    m_estimateTimer->stop();
    m_timedDispatch = 0;
}

// --- start and stop ---

void RunController::SpeedButton1Click(bool pressed)
{
    // The pressed state has already flipped: a click while the run steps
    // stops it, a click that pressed the button starts one.
    if (m_timerKontrol->isActive())
        Stop();
    else if (pressed)
        Start();
    else
        notify(); // nothing to stop: the button shows the run's state again
}

bool RunController::Start()
{
    bool started = false;
    guarded([&] { started = startRun(); });
    return started;
}

bool RunController::startRun()
{
    m_active = true;
    // Told anew by every start: a start refused for want of a connection
    // was no run cut off (the summary e-mail goes only after runs).
    m_aborted = false;
    setPanelCaption(QStringLiteral("Przetwarzanie danych. Czekaj ..."));
    dbf::DbfTable& table = m_baza.table();

    if (!table.isOpen() || table.recordCount() == 0) {
        finish(RunOutcome::NoData);
        notify();
        m_dialogs.message(QStringLiteral("Brak danych do analizy w bazie"));
        return false;
    }
    if (!m_startMoment.isValid())
        m_startMoment = Clock::now();

    if (!CheckConnection()) {
        stopTimers();
        m_gridEnabled = true;
        finish(RunOutcome::Offline);
        notify();
        m_report.LogEvent(NoConnectionText());
        return false;
    }

    m_aborted = false;
    ++m_run;
    m_connections = std::make_shared<HostConnections>();
    m_parallelRun = m_settings.jobs > 1;
    setGridVisible(false);
    m_baza.DropSortIndex();
    m_baza.PackTable();
    table.setExclusive(true);
    table.open();
    m_pages->invalidate(); // records may have been edited, added or deleted since the last run
    Q_EMIT gridColumnsReset();

    const int n = baza::CountUnchecked(table);
    const int count = table.recordCount();
    if (n <= 0) {
        baza::ResetMarks(table, true);
    } else if (n < count) {
        const Dialogs::Answer answer = m_dialogs.question(
            QStringLiteral("Część stron nie została jeszcze przeanalizowana\r\n\r\nChcesz kontynuować przerwaną "
                           "wcześniej analizę?"),
            Dialogs::Buttons::YesNoCancel);
        if (answer == Dialogs::Answer::Cancel) {
            stopTimers();
            Q_EMIT gridColumnsReset();
            m_gridVisible = true;
            m_gridEnabled = true;
            finish(RunOutcome::Refused);
            notify();
            return false;
        }
        baza::ResetMarks(table, answer == Dialogs::Answer::No);
    }
    // n == count: nothing checked yet; the marks stay until each record is
    // checked.

    Q_EMIT gridColumnsReset();
    m_gridVisible = true;
    m_state.ready = true;
    m_timeStart = systemformat::longTime(Clock::now().time());
    // The previous run's summary, if its last check is still out, is told
    // now with what it has; this run counts afresh.
    if (m_summaryPending)
        writeSummary();
    m_tally = RunTally();
    m_timerKontrol->setInterval(stepPeriodMs);
    m_timerKontrol->start();
    m_estimateTimer->setInterval(watchdogPeriodMs);
    m_estimateTimer->start();
    m_gridEnabled = false;
    notify();
    scheduleStep();
    return true;
}

void RunController::guarded(const std::function<void()>& step)
{
    RunHandler([this](const QString& text) { failed(text); }, step);
}

void RunController::failed(const QString& text)
{
    // A table or file error ends the stepping as a stop does: what was
    // stored stays and the pass can be continued once the cause is gone.
    m_state.ready = false;
    stopTimers();
    dropWaitingChecks();
    m_gridEnabled = true;
    m_gridVisible = true;
    if (m_active)
        finish(RunOutcome::Stopped);
    notify();
    // Results handed back while the box is open may fail the same way;
    // one box says it.
    if (m_showingError)
        return;
    m_showingError = true;
    m_dialogs.error(text);
    m_showingError = false;
}

void RunController::Stop()
{
    // The check in flight goes on and its result is still stored; the
    // record number stays for the next start.
    m_state.ready = false;
    stopTimers();
    dropWaitingChecks();
    m_gridEnabled = true;
    finish(RunOutcome::Stopped);
    notify();
}

// --- stepping ---

void RunController::scheduleStep()
{
    // A released record need not wait for the next tick of the timer.
    if (m_stepScheduled || !m_timerKontrol->isActive())
        return;
    m_stepScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_stepScheduled = false;
        guarded([this] { TimerKontrolTimer(); });
    });
}

void RunController::TimerKontrolTimer()
{
    if (!m_active) {
        m_state.ready = false;
        m_stoper1->stop();
        m_gridEnabled = true;
        m_timerKontrol->stop();
        notify();
        return;
    }
    if (m_parallelRun) {
        stepParallel();
        return;
    }
    if (!m_state.ready)
        return;

    m_state.ready = false;
    dbf::DbfTable& table = m_baza.table();
    const int n = table.recordCount();
    m_progressMaximum = n;

    // Records already checked in this pass are skipped in one go.
    while (true) {
        const int g = m_state.currentRecord;
        if (g > n) {
            // The table holds fewer records than the pass had reached (records
            // were deleted after a stop): the pass is over.
            endOfRun();
            notify();
            return;
        }
        if (g == 1)
            m_report.ClearReportLists();
        table.setRecNo(g);
        const bool checked = table.integer(baza::Z) != 0;
        if (checked)
            m_state.ready = true;
        else
            dispatch(g);
        m_progressPosition = g;
        if (g > 0)
            showEstimate(g, n);
        if (!checked)
            Q_EMIT recordDispatched(g, n);
        if (g == n) {
            endOfRun();
            break;
        }
        m_state.currentRecord = g + 1;
        if (!checked)
            break;
        m_state.ready = false;
    }
    notify();
}

void RunController::dispatch(int recordNumber)
{
    const dbf::DbfTable& table = m_baza.table();
    m_nazwaGminy = table.text(baza::Gmina);
    m_nazwaObszaru = table.text(baza::Natura2000);
    m_wojewodztwo = table.text(baza::Wojewodztwo);
    m_stronaInfo = table.text(baza::Info);
    const quint64 id = ++m_lastDispatch;
    auto* receiver = new DispatchReceiver(this, id);
    TPobierz* worker =
        new TPobierz(table.text(baza::Gmina), table.text(baza::Info), recordNumber, table.integer(baza::Size),
                     table.integer(baza::Row), table.integer(baza::Tag), table.date(baza::Aktualizacja),
                     table.date(baza::DataKontroli), m_baza.directory(), receiver, userAgent(), m_connections);
    connect(worker, &QThread::finished, receiver, &QObject::deleteLater);
    if (worker->isFinished())
        receiver->deleteLater();
    m_state.currentWorker = worker;
    m_outstanding.insert(id);
    m_timedDispatch = id;
    m_timedRecord = recordNumber;
    m_state.watchdogCounter = 0;
    m_stoper1->setInterval(watchdogPeriodMs);
    m_stoper1->start();
}

void RunController::showEstimate(int g, int n)
{
    if (!m_startMoment.isValid())
        return; // a failed estimate leaves the label as it was
    const std::optional<qint64> remaining = przebieg::RemainingMs(g, n, m_startMoment.msecsTo(Clock::now()));
    if (!remaining)
        return;
    m_czas2 = systemformat::longTime(QTime(0, 0).addMSecs(int(przebieg::WithinOneDay(*remaining))));
}

void RunController::RefreshEstimate()
{
    if (!m_timerKontrol->isActive() || m_progressPosition <= 0 || m_progressMaximum <= 0)
        return;
    const QString before = m_czas2;
    showEstimate(m_progressPosition, m_progressMaximum);
    if (m_czas2 != before)
        notify();
}

void RunController::summariseWhenDone()
{
    if (m_summaryPending && m_outstanding.isEmpty() && !runHasChecks())
        writeSummary();
}

void RunController::writeSummary()
{
    m_summaryPending = false;
    const QString text = RunSummaryText(m_tally);
    m_report.LogEvent(text);
    Q_EMIT runSummary(text);
}

void RunController::endOfRun()
{
    stopTimers();
    m_gridEnabled = true;
    m_state.currentRecord = 1;
    m_progressPosition = 0;
    m_startMoment = QDateTime();
    m_czas2 = kZeroTime;
    m_timeStart = kZeroTime;
    // The last record's check is usually still running: the summary waits
    // for its result.
    m_summaryPending = true;
    finish(RunOutcome::Finished);
    summariseWhenDone();
}

// --- watchdog ---

void RunController::Stoper1Timer()
{
    if (m_parallelRun) {
        watchdogParallel();
        return;
    }
    const int limit = m_settings.timeLimitSeconds();
    ++m_state.watchdogCounter;
    if (m_state.watchdogCounter != limit || m_timedDispatch == 0)
        return;
    // Decided here, on the main thread: whatever this check still hands
    // back is dropped, even if its worker has already read its stop request.
    m_timedOut.insert(m_timedDispatch);
    m_outstanding.remove(m_timedDispatch);
    if (TPobierz* worker = m_state.currentWorker.data())
        worker->requestInterruption();
    dbf::DbfTable& table = m_baza.table();
    const qint32 lp = baza::MarkTimedOut(table, m_timedRecord);
    m_report.AddErrorLine(lp, table.text(baza::Gmina));
    ++m_tally.timedOut;
    ++m_tally.checked;
    m_history.RecordTimeOut(table.text(baza::Info), table.text(baza::Uwagi));
    m_stoper1->stop();
    m_timedDispatch = 0;
    ReleaseNextRecord();
}

// --- result hand-back ---

void RunController::handBack(quint64 dispatchId, const PageCheck& check)
{
    if (m_timedOut.remove(dispatchId))
        return; // already marked as timed out, with its report line
    if (m_checks.count(dispatchId)) {
        handBackParallel(dispatchId, check);
        summariseWhenDone();
        return;
    }
    // Told once the result is stored (or the run given up as offline).
    const auto done = qScopeGuard([this, dispatchId] {
        m_outstanding.remove(dispatchId);
        summariseWhenDone();
    });
    if (dispatchId == m_timedDispatch) {
        m_stoper1->stop();
        m_timedDispatch = 0;
    }
    if (dispatchId != m_lastDispatch) {
        // A check of a stopped run that ends while a newer one runs: its
        // result counts, but the watchdog and the next dispatch belong to
        // the newer check.
        if (check.downloadStatus != DownloadStatus::Offline)
            storeVerdict(check);
        return;
    }
    StoreResult(check);
}

void RunController::StoreResult(const PageCheck& check)
{
    if (check.downloadStatus == DownloadStatus::Offline) {
        AbortRun();
        return;
    }
    storeVerdict(check);
    ReleaseNextRecord();
}

void RunController::storeVerdict(const PageCheck& received)
{
    const PageCheck check = m_history.Record(received, m_settings.skipWithoutNewContent);
    dbf::DbfTable& table = m_baza.table();
    ++m_tally.checked;
    if (check.downloadStatus != DownloadStatus::Downloaded) {
        const qint32 lp = baza::StoreReadError(table, check.recordNumber, check.message);
        m_report.AddErrorLine(lp, check.name);
        ++m_tally.failed;
        return;
    }

    baza::PageVerdict verdict;
    verdict.kod = check.code;
    verdict.uwagi = check.message;
    if (verdict.kod == PageCheck::kUndecided) {
        verdict.kod = baza::KodReadError;
        verdict.uwagi = QStringLiteral("Błąd odczytu strony internetowej");
    }
    const int ownRow = table.rowOfRecNo(check.recordNumber);
    const qint32 lp = ownRow >= 0 ? table.integerAt(ownRow, baza::LP) : 0;
    if (baza::IsMarked(verdict.kod)) {
        m_report.AddUpdatedLine(lp, check.name);
        ++m_tally.updated;
    } else if (verdict.kod == baza::KodReadError) {
        m_report.AddErrorLine(lp, check.name);
        ++m_tally.failed;
    }

    setGridVisible(false);
    QCoreApplication::processEvents();

    verdict.pageDate = check.pageDate;
    verdict.checkDate = nowValue();
    verdict.size = check.size;
    verdict.lineCount = check.lineCount;
    verdict.textLength = check.textLength;
    // Every record whose page this is gets the result, found through the
    // index of trimmed addresses as the file holds them.
    const QByteArray match = cp1250::fromUnicode(check.matchAddress);
    for (const int recNo : m_pages->recordsOf(match))
        baza::StoreVerdict(table, recNo, verdict);
    // The cursor ends on the last record, as a walk over the table would.
    table.setRecNo(table.recordCount());

    setGridVisible(true);
}

void RunController::ReleaseNextRecord()
{
    m_state.ready = true;
    scheduleStep();
}

void RunController::AbortRun()
{
    m_state.ready = false;
    m_timerKontrol->stop();
    m_estimateTimer->stop();
    m_summaryPending = false; // the event log says why the run ended
    dropWaitingChecks();
    m_gridEnabled = true;
    m_progressPosition = 0;
    m_startMoment = QDateTime();
    m_czas2 = kZeroTime;
    m_state.currentRecord = 1;
    m_aborted = true;
    finish(RunOutcome::Offline);
    notify();
    m_report.LogEvent(NoConnectionText());
}

void RunController::setGridVisible(bool visible)
{
    if (m_gridVisible == visible)
        return;
    m_gridVisible = visible;
    notify();
}

void RunController::setPanelCaption(const QString& caption)
{
    m_panelCaption = caption;
    notify();
}

// --- several checks at a time ---

int RunController::checksInFlight() const
{
    if (!m_checks.empty())
        return int(m_checks.size());
    const TPobierz* worker = m_state.currentWorker.data();
    return worker && !worker->isFinished() ? 1 : 0;
}

QByteArray RunController::userAgent() const
{
    return UserAgentOf(m_settings.userAgent);
}

bool RunController::pageInFlight(const QByteArray& page) const
{
    for (const auto& [id, c] : m_checks)
        if (c.page == page)
            return true;
    return false;
}

bool RunController::runHasChecks() const
{
    for (const auto& [id, c] : m_checks)
        if (c.run == m_run)
            return true;
    return false;
}

void RunController::stepParallel()
{
    dbf::DbfTable& table = m_baza.table();
    const int n = table.recordCount();
    m_progressMaximum = n;
    const int jobs = qBound(konfig::kMinJobs, m_settings.jobs, konfig::kMaxJobs);
    // Records are taken in physical order, as a pass of one check at a time
    // takes them. A record whose page is being checked waits for that check:
    // its result decides whether the record still needs a check of its own.
    while (m_state.currentRecord <= n && checksInFlight() < jobs) {
        const int g = m_state.currentRecord;
        table.setRecNo(g);
        const bool checked = table.integer(baza::Z) != 0;
        if (!checked) {
            const QByteArray page = TrimmedBytes(table.rawAt(table.row(), baza::Info));
            if (pageInFlight(page))
                break;
            if (g == 1)
                m_report.ClearReportLists();
            dispatchParallel(g, page);
            Q_EMIT recordDispatched(g, n);
        } else if (g == 1) {
            m_report.ClearReportLists();
        }
        m_progressPosition = g;
        showEstimate(g, n);
        m_state.currentRecord = g + 1;
    }
    if (m_state.currentRecord > n && !runHasChecks())
        endOfRun();
    else
        startDueChecks();
    notify();
}

void RunController::dispatchParallel(int recordNumber, const QByteArray& page)
{
    const dbf::DbfTable& table = m_baza.table();
    m_nazwaGminy = table.text(baza::Gmina);
    m_nazwaObszaru = table.text(baza::Natura2000);
    m_wojewodztwo = table.text(baza::Wojewodztwo);
    m_stronaInfo = table.text(baza::Info);
    Check c;
    c.id = ++m_lastDispatch;
    c.run = m_run;
    c.recordNumber = recordNumber;
    c.page = page;
    c.name = table.text(baza::Gmina);
    c.address = table.text(baza::Info);
    c.host = PolitenessHost(c.address);
    c.size = table.integer(baza::Size);
    c.row = table.integer(baza::Row);
    c.tag = table.integer(baza::Tag);
    c.date = table.date(baza::Aktualizacja);
    c.checkDate = table.date(baza::DataKontroli);
    m_checks.emplace(c.id, c);
}

void RunController::startDueChecks()
{
    m_hostTimer->stop();
    const qint64 now = m_clock.elapsed();
    qint64 next = -1;
    // Each host serves its waiting checks in the order they were dispatched.
    QSet<QString> waiting;
    for (auto& [id, c] : m_checks) {
        if (c.started || m_busyHosts.contains(c.host) || waiting.contains(c.host))
            continue;
        const qint64 due = qMax(c.notBefore, m_hostFreeAt.value(c.host, 0));
        if (due > now) {
            next = next < 0 ? due : qMin(next, due);
            waiting.insert(c.host);
            continue;
        }
        startCheck(c);
    }
    if (next >= 0)
        m_hostTimer->start(int(next - now));
}

void RunController::startCheck(Check& c)
{
    auto* receiver = new DispatchReceiver(this, c.id);
    TPobierz* worker = new TPobierz(c.name, c.address, c.recordNumber, c.size, c.row, c.tag, c.date, c.checkDate,
                                    m_baza.directory(), receiver, userAgent(), m_connections);
    const QString host = c.host;
    // The host is free again only when the worker has let go of its
    // connection, also after a time-out; the pause starts then.
    auto release = [this, host] {
        if (!m_busyHosts.remove(host))
            return;
        m_hostFreeAt[host] = m_clock.elapsed() + qMax(0, m_settings.hostDelayMs);
        guarded([this] { startDueChecks(); });
        scheduleStep();
    };
    connect(worker, &QThread::finished, this, release);
    connect(worker, &QThread::finished, receiver, &QObject::deleteLater);
    m_busyHosts.insert(host);
    c.started = true;
    c.timed = m_active;
    c.watchdogCounter = 0;
    c.worker = worker;
    m_state.currentWorker = worker;
    if (worker->isFinished()) {
        receiver->deleteLater();
        QTimer::singleShot(0, this, release);
    }
    if (c.timed && !m_stoper1->isActive()) {
        m_stoper1->setInterval(watchdogPeriodMs);
        m_stoper1->start();
    }
}

void RunController::watchdogParallel()
{
    const int limit = m_settings.timeLimitSeconds();
    bool anyTimed = false;
    std::vector<quint64> expired;
    for (auto& [id, c] : m_checks) {
        if (!c.started || !c.timed || c.storing)
            continue;
        anyTimed = true;
        if (++c.watchdogCounter == limit)
            expired.push_back(id);
    }
    dbf::DbfTable& table = m_baza.table();
    for (const quint64 id : expired) {
        const Check c = m_checks.at(id);
        m_checks.erase(id);
        // Decided here: whatever this check still hands back is dropped.
        m_timedOut.insert(id);
        if (TPobierz* worker = c.worker.data())
            worker->requestInterruption();
        const qint32 lp = baza::MarkTimedOut(table, c.recordNumber);
        m_report.AddErrorLine(lp, table.text(baza::Gmina));
        ++m_tally.timedOut;
        ++m_tally.checked;
    }
    if (!anyTimed)
        m_stoper1->stop();
    if (!expired.empty())
        scheduleStep();
}

void RunController::handBackParallel(quint64 dispatchId, const PageCheck& check)
{
    auto it = m_checks.find(dispatchId);
    Check& c = it->second;
    const bool current = m_active && c.run == m_run;
    if (check.downloadStatus == DownloadStatus::Offline) {
        m_checks.erase(it);
        if (current)
            AbortRun();
        return;
    }
    const bool askedToWait = check.httpCode == 429 || check.httpCode == 503;
    if (current && askedToWait && !c.retried && check.retryAfterSeconds >= 0) {
        // Asked to come back later: once in a pass, after the server's wait
        // (at most the longest time limit) and at least the host's pause.
        c.retried = true;
        c.started = false;
        c.timed = false;
        c.worker.clear();
        const qint64 wait = qMin<qint64>(qint64(check.retryAfterSeconds) * 1000, 300000);
        c.notBefore = m_clock.elapsed() + qMax<qint64>(wait, m_settings.hostDelayMs);
        return; // started again when its host is free
    }
    // It stays in flight while its result is written: the window's events
    // processed meanwhile must not dispatch a record of the same page.
    c.storing = true;
    storeVerdict(check);
    m_checks.erase(dispatchId);
    scheduleStep();
}

void RunController::dropWaitingChecks()
{
    // Checks still waiting for their host were never started: their records
    // stay unchecked and the pass continues from the first of them.
    for (auto it = m_checks.begin(); it != m_checks.end();) {
        if (it->second.started) {
            it->second.timed = false;
            ++it;
            continue;
        }
        if (it->second.run == m_run)
            m_state.currentRecord = qMin(m_state.currentRecord, it->second.recordNumber);
        it = m_checks.erase(it);
    }
    m_hostTimer->stop();
}
