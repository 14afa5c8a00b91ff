#include "przebieg/runcontroller.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "internet/checkconnection.h"
#include "kontrola/downloadpage.h"
#include "konfig/settings.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "raport/runreport.h"
#include "text/cp1250.h"
#include "text/datevalue.h"
#include "text/systemformat.h"
#include "text/trimmedtext.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

namespace {

int stepPeriodMs = 100;
int watchdogPeriodMs = 1000;

const QString kNoConnection = QStringLiteral("Brak połącznia z Internetem");
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
    void StoreResult(const PageCheck& check) override { m_run->handBack(m_id, check); }

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
    : QObject(parent), m_baza(baza), m_report(report), m_settings(settings), m_dialogs(dialogs)
{
    m_timerKontrol = new QTimer(this);
    m_timerKontrol->setObjectName(QStringLiteral("TimerKontrol"));
    m_timerKontrol->setInterval(stepPeriodMs);
    connect(m_timerKontrol, &QTimer::timeout, this, &RunController::TimerKontrolTimer);
    m_stoper1 = new QTimer(this);
    m_stoper1->setObjectName(QStringLiteral("Stoper1"));
    m_stoper1->setInterval(watchdogPeriodMs);
    connect(m_stoper1, &QTimer::timeout, this, &RunController::Stoper1Timer);
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

void RunController::setActive(bool active)
{
    m_active = active;
    if (!active)
        Q_EMIT runEnded();
}

void RunController::stopTimers()
{
    m_timerKontrol->stop();
    m_stoper1->stop();
    m_timedDispatch = 0;
}

// --- start and stop ---

void RunController::SpeedButton1Click(bool pressed)
{
    m_active = pressed;
    setPanelCaption(QStringLiteral("Przetwarzanie danych. Czekaj ..."));
    dbf::DbfTable& table = m_baza.table();

    if (!table.isOpen() || table.recordCount() == 0) {
        setActive(false);
        notify();
        m_dialogs.message(QStringLiteral("Brak danych do analizy w bazie"));
        return;
    }
    if (m_czas1 == QLatin1String("0"))
        m_czas1 = QString::number(nowValue(), 'g', 17);

    if (m_timerKontrol->isActive()) {
        // Stop: the check in flight goes on and its result is still stored;
        // the record number stays for the next start.
        m_state.ready = false;
        stopTimers();
        m_gridEnabled = true;
        setActive(false);
        notify();
        return;
    }

    if (!CheckConnection()) {
        stopTimers();
        m_gridEnabled = true;
        setActive(false);
        notify();
        m_report.LogEvent(kNoConnection);
        return;
    }

    m_aborted = false;
    setGridVisible(false);
    m_baza.DropSortIndex();
    m_baza.PackTable();
    table.setExclusive(true);
    table.open();
    Q_EMIT gridColumnsReset();

    const int n = CountUnchecked();
    const int count = table.recordCount();
    if (n <= 0) {
        ResetMarks(true);
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
            setActive(false);
            notify();
            return;
        }
        ResetMarks(answer == Dialogs::Answer::No);
    }
    // n == count: nothing checked yet; the marks stay until each record is
    // checked.

    Q_EMIT gridColumnsReset();
    m_gridVisible = true;
    m_state.ready = true;
    m_timeStart = systemformat::longTime(Clock::now().time());
    m_timerKontrol->setInterval(stepPeriodMs);
    m_timerKontrol->start();
    m_gridEnabled = false;
    notify();
    scheduleStep();
}

int RunController::CountUnchecked()
{
    dbf::DbfTable& table = m_baza.table();
    table.first();
    int n = 0;
    const int count = table.recordCount();
    for (int row = 0; row < count; ++row)
        if (table.integerAt(row, baza::Z) == 0)
            ++n;
    table.first();
    return n;
}

void RunController::ResetMarks(bool resetChecked)
{
    dbf::DbfTable& table = m_baza.table();
    table.first();
    const int count = table.recordCount();
    for (int i = 0; i < count; ++i) {
        // Continuing a pass keeps the verdicts of the records it has already
        // checked: their dates have moved on, so clearing their marks would
        // lose updates that were never published.
        const bool keepsVerdict = !resetChecked && !table.isNull(baza::Z) && table.integer(baza::Z) != 0;
        const bool kodChanges =
            !keepsVerdict && (table.isNull(baza::Kod) || (table.integer(baza::Kod) < 4 && table.integer(baza::Kod) != 0));
        const bool zChanges = resetChecked && (table.isNull(baza::Z) || table.integer(baza::Z) != 0);
        // Records that keep their values are not written again.
        if (kodChanges || zChanges) {
            table.edit();
            if (kodChanges)
                table.setInteger(baza::Kod, 0);
            if (resetChecked)
                table.setInteger(baza::Z, 0);
            table.post();
        }
        table.next();
    }
    table.first();
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
        TimerKontrolTimer();
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
                     m_baza.directory(), receiver);
    connect(worker, &QThread::finished, receiver, &QObject::deleteLater);
    if (worker->isFinished())
        receiver->deleteLater();
    m_state.currentWorker = worker;
    m_timedDispatch = id;
    m_timedRecord = recordNumber;
    m_state.watchdogCounter = 0;
    m_stoper1->setInterval(watchdogPeriodMs);
    m_stoper1->start();
}

void RunController::showEstimate(int g, int n)
{
    bool ok = false;
    const double start = m_czas1.toDouble(&ok);
    if (!ok || n <= 0)
        return; // a failed estimate leaves the label as it was
    const double p = double(g * 100) / n;
    const double done = p * 1 / 100;
    const double left = 1 - done;
    const double elapsed = nowValue() - start;
    const double remaining = elapsed * left / done;
    if (!std::isfinite(remaining) || remaining < 0)
        return;
    // A day or more shows only its part below 24 hours.
    const qint64 msecs = qint64(std::llround(remaining * 86400000.0)) % 86400000;
    m_czas2 = systemformat::longTime(QTime(0, 0).addMSecs(int(msecs)));
}

void RunController::endOfRun()
{
    stopTimers();
    m_gridEnabled = true;
    m_state.currentRecord = 1;
    m_progressPosition = 0;
    m_czas1 = QStringLiteral("0");
    m_czas2 = kZeroTime;
    m_timeStart = kZeroTime;
    setActive(false);
}

// --- watchdog ---

void RunController::Stoper1Timer()
{
    const int limit = m_settings.timeLimitSeconds();
    ++m_state.watchdogCounter;
    if (m_state.watchdogCounter != limit || m_timedDispatch == 0)
        return;
    // Decided here, on the main thread: whatever this check still hands
    // back is dropped, even if its worker has already read its stop request.
    m_timedOut.insert(m_timedDispatch);
    if (TPobierz* worker = m_state.currentWorker.data())
        worker->requestInterruption();
    dbf::DbfTable& table = m_baza.table();
    table.setRecNo(m_timedRecord);
    table.edit();
    table.setInteger(baza::Kod, baza::KodTimedOut);
    table.setText(baza::Uwagi, QStringLiteral("Problem z odczytem strony (przekroczony czas)"));
    table.setInteger(baza::Z, 1);
    table.post();
    m_report.AddErrorLine(table.integer(baza::LP), table.text(baza::Gmina));
    m_stoper1->stop();
    m_timedDispatch = 0;
    ReleaseNextRecord();
}

// --- result hand-back ---

void RunController::handBack(quint64 dispatchId, const PageCheck& check)
{
    if (m_timedOut.remove(dispatchId))
        return; // already marked as timed out, with its report line
    if (dispatchId == m_timedDispatch) {
        m_stoper1->stop();
        m_timedDispatch = 0;
    }
    if (dispatchId != m_lastDispatch) {
        // A check of a stopped run that ends while a newer one runs: its
        // result counts, but the watchdog and the next dispatch belong to
        // the newer check.
        if (check.downloadStatus == DownloadStatus::Downloaded || check.downloadStatus == DownloadStatus::Failed)
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

void RunController::storeVerdict(const PageCheck& check)
{
    dbf::DbfTable& table = m_baza.table();
    if (check.downloadStatus != DownloadStatus::Downloaded) {
        table.setRecNo(check.recordNumber);
        table.edit();
        table.setInteger(baza::Kod, baza::KodReadError);
        table.setInteger(baza::Z, 1);
        table.setText(baza::Uwagi, check.message);
        table.post();
        m_report.AddErrorLine(table.integer(baza::LP), check.name);
        return;
    }

    int code = check.code;
    QString message = check.message;
    if (code == PageCheck::kUndecided) {
        code = baza::KodReadError;
        message = QStringLiteral("Błąd odczytu strony internetowej");
    }
    const int ownRow = table.rowOfRecNo(check.recordNumber);
    const qint32 lp = ownRow >= 0 ? table.integerAt(ownRow, baza::LP) : 0;
    if (baza::IsMarked(code))
        m_report.AddUpdatedLine(lp, check.name);
    else if (code == baza::KodReadError)
        m_report.AddErrorLine(lp, check.name);

    setGridVisible(false);
    QCoreApplication::processEvents();

    // Every record whose page this is gets the result. The addresses are
    // compared as the file holds them, so the whole table is scanned
    // without decoding a single field.
    const QByteArray match = cp1250::fromUnicode(check.matchAddress);
    const double now = nowValue();
    const int count = table.recordCount();
    for (int recNo = 1; recNo <= count; ++recNo) {
        const int row = table.rowOfRecNo(recNo);
        if (row < 0 || TrimmedBytes(table.rawAt(row, baza::Info)) != match)
            continue;
        table.setRecNo(recNo);
        table.edit();
        table.setDate(baza::Aktualizacja, check.pageDate);
        table.setDate(baza::DataKontroli, now);
        table.setInteger(baza::Size, check.size);
        table.setInteger(baza::Row, check.lineCount);
        table.setInteger(baza::Tag, check.textLength);
        table.setInteger(baza::Kod, code);
        table.setText(baza::Uwagi, message);
        table.setInteger(baza::Z, 1);
        table.post();
    }
    table.setRecNo(count); // the walk ends on the last record

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
    m_gridEnabled = true;
    m_progressPosition = 0;
    m_czas1 = QStringLiteral("0");
    m_czas2 = kZeroTime;
    m_state.currentRecord = 1;
    m_aborted = true;
    setActive(false);
    notify();
    m_report.LogEvent(kNoConnection);
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
