#include "przebieg/runcontroller.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/infoindex.h"
#include "baza/runmarks.h"
#include "dbf/dbferror.h"
#include "internet/checkconnection.h"
#include "konfig/settings.h"
#include "kontrola/downloadpage.h"
#include "kontrola/tpobierz.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/handlererrors.h"
#include "przebieg/estimate.h"
#include "przebieg/historywriter.h"
#include "raport/runreport.h"
#include "text/cp1250.h"
#include "text/datevalue.h"
#include "text/systemformat.h"
#include "text/trimmedtext.h"

#include <QTimer>

#include <vector>

namespace {

int watchdogPeriodMs = 1000;

const QString kZeroTime = QStringLiteral("00:00:00");

// Records read ahead of the checks: enough for every slot to find a host
// that is free while others serve long runs of their own records.
constexpr int kLookahead = 4096;
// Marks reset in one turn of the event loop at a run's start: a few
// milliseconds of writes.
constexpr size_t kResetBatch = 2000;
// Records read in one go, so that a long stretch of checked records does
// not hold the window.
constexpr int kReadBatch = 2000;
// The longest "come back later" honoured: the longest time limit.
constexpr qint64 kLongestRetryMs = 300000;

double nowValue()
{
    return datevalue::fromDateTime(Clock::now());
}

} // namespace

// The receiver of one started check: it carries the check's id to the
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

void RunController::SetWatchdogPeriod(int ms)
{
    watchdogPeriodMs = ms;
}

int RunController::WatchdogPeriod()
{
    return watchdogPeriodMs;
}

RunController::RunController(baza::Baza& baza, RunReport& report, Settings& settings, Dialogs& dialogs,
                             QObject* parent)
    : QObject(parent), m_baza(baza), m_report(report), m_settings(settings), m_dialogs(dialogs),
      m_pages(std::make_unique<baza::InfoIndex>(baza.table())),
      m_history(std::make_unique<HistoryWriter>(baza.directory(),
                                                [&report](const QString& text) { report.LogEvent(text); }))
{
    connect(m_history.get(), &HistoryWriter::recorded, this, [this](quint64 ticket, const PageCheck& result) {
        guarded([&] { recorded(ticket, result); });
    });
    connect(m_history.get(), &HistoryWriter::timeOutRecorded, this, [this] { scheduleFill(); });
    m_watchdog = new QTimer(this);
    m_watchdog->setObjectName(QStringLiteral("Stoper1"));
    connect(m_watchdog, &QTimer::timeout, this, [this] { guarded([this] { watchdogTick(); }); });
    m_estimateTimer = new QTimer(this);
    m_estimateTimer->setObjectName(QStringLiteral("OdswiezCzas2"));
    connect(m_estimateTimer, &QTimer::timeout, this, &RunController::RefreshEstimate);
    m_pauseTimer = new QTimer(this);
    m_pauseTimer->setSingleShot(true);
    connect(m_pauseTimer, &QTimer::timeout, this, [this] { guarded([this] { fillSlots(); }); });
    m_clock.start();
}

RunController::~RunController()
{
    try {
        finishResettingMarks();
    } catch (...) {
        // The end of the program has no one to tell; the marks written
        // so far stay, and the next start asks again.
    }
}

bool RunController::WriteWaitingHistory(int waitMs)
{
    return m_history->WriteWaiting(waitMs);
}

int RunController::waitingHistory() const
{
    return m_history->waitingCount();
}

int RunController::storing() const
{
    return m_history->pending();
}

void RunController::FinishHistory()
{
    m_history->Drain();
}

bool RunController::watchdogRunning() const
{
    return m_watchdog->isActive();
}

QString RunController::czas1() const
{
    if (!m_startMoment.isValid())
        return QStringLiteral("0");
    return QString::number(datevalue::fromDateTime(m_startMoment), 'g', 17);
}

// --- start and stop ---

bool RunController::Start()
{
    bool started = false;
    guarded([&] { started = startRun(); });
    return started;
}

bool RunController::startRun()
{
    if (m_active)
        return true;
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
        m_gridEnabled = true;
        finish(RunOutcome::Offline);
        notify();
        m_report.LogEvent(NoConnectionText());
        return false;
    }

    setGridVisible(false);
    m_baza.DropSortIndex();
    m_baza.OpenPackedForRun();
    m_pages->invalidate(); // records may have been edited, added or deleted since the last run
    Q_EMIT gridColumnsReset();

    const int n = baza::CountUnchecked(table);
    const int count = table.recordCount();
    bool reset = false;
    bool resetChecked = false;
    if (n <= 0) {
        reset = resetChecked = true;
    } else if (n < count) {
        const Dialogs::Answer answer = m_dialogs.question(
            QStringLiteral("Część stron nie została jeszcze przeanalizowana\r\n\r\nChcesz kontynuować przerwaną "
                           "wcześniej analizę?"),
            Dialogs::Buttons::YesNoCancel);
        if (answer == Dialogs::Answer::Cancel) {
            Q_EMIT gridColumnsReset();
            m_gridVisible = true;
            m_gridEnabled = true;
            finish(RunOutcome::Refused);
            notify();
            return false;
        }
        reset = true;
        resetChecked = answer == Dialogs::Answer::No;
    }
    // n == count: nothing checked yet; the marks stay until each record is
    // checked.
    m_marks.clear();
    m_marksWritten = 0;
    m_marksResetChecked = resetChecked;
    if (reset)
        m_marks = baza::MarksToReset(table, resetChecked);
    // Checks of a stopped run that come back meanwhile belong to that run.
    ++m_run;
    m_tally = RunTally();
    m_resetting = true;
    resetMarks();
    return true;
}

void RunController::resetMarks()
{
    if (!m_active || !m_resetting)
        return;
    // A register of many records is written over several turns of the
    // event loop, so that the window is never held for long; the pass
    // begins once every mark is reset.
    const size_t to = qMin(m_marks.size(), m_marksWritten + kResetBatch);
    baza::WriteMarkChanges(m_baza.table(), m_marks, m_marksWritten, to, m_marksResetChecked);
    m_marksWritten = to;
    if (m_marksWritten < m_marks.size()) {
        QTimer::singleShot(0, this, [this] { guarded([this] { resetMarks(); }); });
        return;
    }
    m_marks.clear();
    m_marksWritten = 0;
    m_resetting = false;
    m_baza.table().first();
    beginPass();
}

void RunController::finishResettingMarks()
{
    // What a stop, a lost connection or the end of the program meets while
    // the marks are being reset: the rest is written at once, so that the
    // register never holds half a reset.
    if (!m_resetting)
        return;
    if (m_marksWritten < m_marks.size()) {
        baza::WriteMarkChanges(m_baza.table(), m_marks, m_marksWritten, m_marks.size(), m_marksResetChecked);
        m_baza.table().first();
    }
    m_marks.clear();
    m_marksWritten = 0;
}

void RunController::beginPass()
{
    const int count = m_baza.table().recordCount();
    Q_EMIT gridColumnsReset();
    m_gridVisible = true;
    m_timeStart = systemformat::longTime(Clock::now().time());
    m_connections = std::make_shared<HostConnections>();
    m_slots = qBound(konfig::kMinJobs, m_settings.jobs, konfig::kMaxJobs);
    // One check at a time is polite by itself and keeps the physical order:
    // the pause between two requests to one host is for several at a time.
    m_scheduler.Begin(m_slots > 1 ? m_settings.hostDelayMs : 0);
    m_readCursor = m_state.currentRecord;
    m_progressMaximum = count;
    m_progressPosition = qMin(count, m_state.currentRecord - 1);
    m_estimateTimer->setInterval(watchdogPeriodMs);
    m_estimateTimer->start();
    m_gridEnabled = false;
    notify();
    fillSlots();
}

void RunController::guarded(const std::function<void()>& step)
{
    RunHandler([this](const QString& text) { failed(text); }, step);
}

void RunController::failed(const QString& text)
{
    // A table or file error ends the pass as a stop does: what was stored
    // stays and the pass can be continued once the cause is gone.
    if (m_active) {
        leavePass();
        finish(RunOutcome::Stopped);
    }
    m_gridEnabled = true;
    m_gridVisible = true;
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
    if (!m_active) {
        notify(); // nothing to stop: the button shows the run's state again
        return;
    }
    // The checks in flight go on and their results are still stored; the
    // record number stays for the next start.
    guarded([this] { finishResettingMarks(); });
    if (!m_active)
        return; // the rest of the reset failed: told, and stopped
    leavePass();
    m_gridEnabled = true;
    finish(RunOutcome::Stopped);
    notify();
}

void RunController::leavePass()
{
    if (m_resetting) {
        // Stopped before the pass began: no record was taken, the record
        // number stays, and the grid comes back.
        m_resetting = false;
        m_marks.clear();
        m_marksWritten = 0;
        Q_EMIT gridColumnsReset();
        m_gridVisible = true;
        m_estimateTimer->stop();
        return;
    }
    // Records still waiting were not taken: the next start begins with the
    // first of them. A pass whose every record was taken is over.
    const int firstWaiting = m_scheduler.DropPending();
    const int n = m_baza.table().isOpen() ? m_baza.table().recordCount() : 0;
    if (firstWaiting > 0)
        m_state.currentRecord = firstWaiting;
    else if (m_readCursor > n)
        m_state.currentRecord = 1;
    else
        m_state.currentRecord = m_readCursor;
    for (auto& [id, c] : m_running)
        c.timed = false;
    m_watchdog->stop();
    m_estimateTimer->stop();
    m_pauseTimer->stop();
}

void RunController::finish(RunOutcome outcome)
{
    m_active = false;
    m_history->WriteWaitingLater(); // what a busy history kept back, if it is free now
    if (m_connections)
        m_connections->Close(); // checks still out close theirs when done
    m_connections.reset();
    m_outcome = outcome;
    Q_EMIT runEnded(outcome);
}

void RunController::endOfRun()
{
    leavePass();
    m_gridEnabled = true;
    m_state.currentRecord = 1;
    m_progressPosition = 0;
    m_startMoment = QDateTime();
    m_czas2 = kZeroTime;
    m_timeStart = kZeroTime;
    finish(RunOutcome::Finished);
    writeSummary();
}

void RunController::writeSummary()
{
    const QString text = RunSummaryText(m_tally);
    m_report.LogEvent(text);
    Q_EMIT runSummary(text);
}

void RunController::AbortRun()
{
    if (!m_active)
        return;
    guarded([this] { finishResettingMarks(); });
    if (!m_active)
        return;
    leavePass();
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

// --- taking records ---

void RunController::ReleaseNextRecord()
{
    scheduleFill();
}

void RunController::scheduleFill()
{
    // Settled on the next turn of the event loop, so that a worker handing
    // back is let go at once.
    if (m_fillScheduled || !m_active)
        return;
    m_fillScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_fillScheduled = false;
        guarded([this] { fillSlots(); });
    });
}

int RunController::readAhead(int n, int& budget)
{
    dbf::DbfTable& table = m_baza.table();
    int read = 0;
    while (m_readCursor <= n && m_scheduler.pendingCount() < kLookahead) {
        if (budget-- <= 0) {
            scheduleFill(); // the rest on the next turn of the event loop
            break;
        }
        ++read;
        const int g = m_readCursor++;
        if (g == 1)
            m_report.ClearReportLists();
        table.setRecNo(g);
        if (table.integer(baza::Z) != 0) {
            ++m_progressPosition; // checked already in this pass
            continue;
        }
        m_scheduler.Add(g, TrimmedBytes(table.rawAt(table.row(), baza::Info)),
                        PolitenessHost(table.text(baza::Info)));
    }
    return read;
}

bool RunController::settledMeanwhile(const przebieg::PassScheduler::Entry& entry)
{
    // The check of a page that this record shares has written it.
    dbf::DbfTable& table = m_baza.table();
    table.setRecNo(entry.recordNumber);
    if (table.integer(baza::Z) == 0)
        return false;
    ++m_progressPosition;
    return true;
}

void RunController::fillSlots()
{
    // While the marks are reset, a check of a stopped run that comes back
    // takes nothing: the pass begins after the reset.
    if (!m_active || m_resetting)
        return;
    const int n = m_baza.table().recordCount();
    m_progressMaximum = n;
    int budget = kReadBatch;
    readAhead(n, budget);
    qint64 due = -1;
    const auto settled = [this](const przebieg::PassScheduler::Entry& e) { return settledMeanwhile(e); };
    while (ownChecks() < m_slots) {
        const std::optional<przebieg::PassScheduler::Entry> entry =
            m_scheduler.TakeNext(m_clock.elapsed(), &due, settled);
        if (entry) {
            startCheck(*entry);
            continue;
        }
        // Nothing that waits may start: a record further on may.
        if (readAhead(n, budget) == 0)
            break;
    }
    if (m_readCursor > n && m_scheduler.pendingCount() == 0 && ownChecks() == 0 && storing() == 0) {
        endOfRun();
    } else {
        const int firstWaiting = m_scheduler.firstPendingRecord();
        m_state.currentRecord = firstWaiting > 0 ? firstWaiting : m_readCursor;
        if (m_progressPosition > 0)
            showEstimate(m_progressPosition, n);
        if (due >= 0)
            m_pauseTimer->start(int(qMax<qint64>(0, due - m_clock.elapsed())));
    }
    notify();
}

void RunController::startCheck(const przebieg::PassScheduler::Entry& entry)
{
    dbf::DbfTable& table = m_baza.table();
    table.setRecNo(entry.recordNumber);
    m_nazwaGminy = table.text(baza::Gmina);
    m_nazwaObszaru = table.text(baza::Natura2000);
    m_wojewodztwo = table.text(baza::Wojewodztwo);
    m_stronaInfo = table.text(baza::Info);
    if (!entry.retried)
        ++m_progressPosition;

    auto* receiver = new DispatchReceiver(this, entry.id);
    TPobierz* worker = new TPobierz(m_nazwaGminy, m_stronaInfo, entry.recordNumber, table.integer(baza::Size),
                                    table.integer(baza::Row), table.integer(baza::Tag),
                                    table.date(baza::Aktualizacja), table.date(baza::DataKontroli),
                                    m_baza.directory(), receiver, UserAgentOf(m_settings.userAgent), m_connections,
                                    dokumenty::FollowingOf(m_settings));
    // The host is free again once the worker has let go of its connection,
    // also after a time-out; its pause starts then.
    auto holding = std::make_shared<bool>(true);
    auto release = [this, host = entry.host, holding] {
        if (!*holding)
            return;
        *holding = false;
        m_scheduler.HostReleased(host, m_clock.elapsed());
        scheduleFill();
    };
    // finished is always delivered on this thread's event loop, so it is
    // never missed; downloadEnded may come before these connections.
    connect(worker, &TPobierz::downloadEnded, this, release);
    connect(worker, &TPobierz::finished, this, release);
    connect(worker, &TPobierz::finished, receiver, &QObject::deleteLater);
    if (worker->downloadHasEnded())
        QTimer::singleShot(0, this, release);

    Check c;
    c.entry = entry;
    c.run = m_run;
    c.timed = true;
    c.worker = worker;
    m_running.emplace(entry.id, std::move(c));
    if (!m_watchdog->isActive()) {
        m_watchdog->setInterval(watchdogPeriodMs);
        m_watchdog->start();
    }
    Q_EMIT recordDispatched(m_progressPosition, m_progressMaximum);
}

int RunController::ownChecks() const
{
    // Checks of a stopped run that are still out hold no slot of this one.
    int own = 0;
    for (const auto& [id, c] : m_running)
        own += c.run == m_run;
    // A check whose verdict is on its way to the register still holds its
    // slot: one at a time, the next check starts once the last is stored.
    for (const auto& [ticket, s] : m_storing)
        own += s.run == m_run;
    return own;
}

// --- watchdog ---

void RunController::watchdogTick()
{
    const int limit = m_settings.timeLimitSeconds();
    bool anyTimed = false;
    std::vector<quint64> expired;
    for (auto& [id, c] : m_running) {
        if (!c.timed)
            continue;
        anyTimed = true;
        // A limit of 0 never matches: no time-out.
        if (++c.ticks == limit)
            expired.push_back(id);
    }
    for (const quint64 id : expired)
        timeOut(id);
    if (!anyTimed)
        m_watchdog->stop();
    if (!expired.empty())
        fillSlots();
}

void RunController::timeOut(quint64 id)
{
    const auto it = m_running.find(id);
    const Check c = it->second;
    // Decided here, on the main thread: whatever this check still hands
    // back finds no check and is dropped, even if its worker has already
    // read its stop request.
    m_running.erase(it);
    m_scheduler.PageSettled(c.entry.page, id);
    if (TPobierz* worker = c.worker.data())
        worker->requestInterruption();
    dbf::DbfTable& table = m_baza.table();
    const qint32 lp = baza::MarkTimedOut(table, c.entry.recordNumber);
    m_report.AddErrorLine(lp, table.text(baza::Gmina));
    ++m_tally.timedOut;
    ++m_tally.checked;
    m_history->RecordTimeOut(table.text(baza::Info), table.text(baza::Uwagi));
}

// --- result hand-back ---

void RunController::handBack(quint64 id, const PageCheck& check)
{
    const auto it = m_running.find(id);
    if (it == m_running.end())
        return; // timed out: marked, with its report line
    const Check c = it->second;
    const bool current = m_active && c.run == m_run;
    const bool askedToWait = check.httpCode == 429 || check.httpCode == 503;
    m_running.erase(it);
    if (current && askedToWait && !c.entry.retried && check.retryAfterSeconds >= 0) {
        // Asked to come back later: once in a pass, after the server's wait
        // (at most the longest time limit). The record waits in its place
        // without a slot, and the records of its page wait for it.
        const qint64 wait = qMin(qint64(check.retryAfterSeconds) * 1000, kLongestRetryMs);
        m_scheduler.Defer(c.entry, m_clock.elapsed() + wait);
        scheduleFill();
        return;
    }
    if (check.downloadStatus == DownloadStatus::Offline && !current) {
        m_scheduler.PageSettled(c.entry.page, id);
        return; // a stopped run's check: nothing to store, no run to end
    }
    submit(id, c.entry.page, check);
}

void RunController::StoreResult(const PageCheck& check)
{
    submit(m_directTicket++, QByteArray(), check);
}

void RunController::submit(quint64 ticket, const QByteArray& page, const PageCheck& check)
{
    if (check.downloadStatus == DownloadStatus::Offline) {
        if (!page.isNull())
            m_scheduler.PageSettled(page, ticket);
        AbortRun();
        return;
    }
    // The records sharing the page wait until the register holds its
    // verdict, and the page's next check compares with this version.
    m_storing.emplace(ticket, Storing{page, m_run});
    m_history->Record(ticket, check, m_settings.skipWithoutNewContent);
}

void RunController::recorded(quint64 ticket, const PageCheck& result)
{
    const auto it = m_storing.find(ticket);
    if (it == m_storing.end())
        return;
    const QByteArray page = it->second.page;
    m_storing.erase(it);
    if (!page.isNull())
        m_scheduler.PageSettled(page, ticket);
    storeVerdict(result);
    ReleaseNextRecord();
}

void RunController::storeVerdict(const PageCheck& check)
{
    if (check.failedLocally()) {
        stopForWriteFailure(check.localFailure, check.recordNumber);
        return;
    }
    try {
        storeInRegister(check);
    } catch (const dbf::DbfError& e) {
        if (e.kind() != dbf::DbfError::Kind::Io)
            throw;
        stopForWriteFailure(e.text(), check.recordNumber);
    }
}

void RunController::stopForWriteFailure(const QString& reason, qint32 recordNumber)
{
    // A file of this computer refused what the check found: no verdict of
    // the page. The run stops as a lost connection stops it; what was
    // stored stays, and this record is checked again when the pass goes on.
    const bool told = m_outcome == RunOutcome::WriteFailed && !m_active;
    if (m_active) {
        leavePass();
        m_state.currentRecord = qMin(m_state.currentRecord, qMax(1, int(recordNumber)));
        m_gridEnabled = true;
        finish(RunOutcome::WriteFailed);
        notify();
    } else {
        // A check of a stopped run came back: the run is not done either.
        m_outcome = RunOutcome::WriteFailed;
    }
    if (!told)
        m_report.LogEvent(QStringLiteral("Kontrola przerwana, bo na dysku tego komputera nie można zapisać wyników: "
                                         "%1. Rekordy zachowują dotychczasowe dane; po zwolnieniu miejsca kontrolę "
                                         "można dokończyć.")
                              .arg(reason));
}

void RunController::storeInRegister(const PageCheck& check)
{
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

    verdict.pageDate = check.pageDate;
    verdict.checkDate = nowValue();
    verdict.size = check.size;
    verdict.lineCount = check.lineCount;
    verdict.textLength = check.textLength;
    // Every record whose page this is gets the result, found through the
    // index of trimmed addresses as the file holds them; the grid follows
    // the table's change signals.
    const QByteArray match = cp1250::fromUnicode(check.matchAddress);
    for (const int recNo : m_pages->recordsOf(match))
        baza::StoreVerdict(table, recNo, verdict);
    // The cursor ends on the last record, as a walk over the table would.
    table.setRecNo(table.recordCount());
}

// --- labels ---

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
    if (!m_active || m_progressPosition <= 0 || m_progressMaximum <= 0)
        return;
    const QString before = m_czas2;
    showEstimate(m_progressPosition, m_progressMaximum);
    if (m_czas2 != before)
        notify();
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
