#pragma once

#include "internet/hostconnections.h"
#include "kontrola/pagecheck.h"
#include "baza/runmarks.h"
#include "przebieg/passscheduler.h"
#include "przebieg/runoutcome.h"
#include "przebieg/runstate.h"
#include "raport/runsummary.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class HistoryWriter;
class QTimer;
class TPobierz;

namespace baza {
class Baza;
class InfoIndex;
}
class Dialogs;
class RunReport;
class Settings;

// The monitoring run without a window. A pass walks the register in
// physical order and checks (TPobierz) every record not yet checked in it,
// as many at a time as the settings allow ("Liczba jednocześnie
// sprawdzanych stron"); one at a time is the same pass with one slot. The
// pass scheduler decides which record a free slot takes; here the checks
// are started, timed by the watchdog and their results stored in every
// record that shares the page. The labels, the progress and the grid's
// availability are kept as data: the main window mirrors them and the
// command line prints them. Nothing here touches a widget or runs the
// event loop.
class RunController : public QObject
{
    Q_OBJECT

public:
    RunController(baza::Baza& baza, RunReport& report, Settings& settings, Dialogs& dialogs,
                  QObject* parent = nullptr);
    ~RunController() override;

    // The watchdog's period (1000 ms); tests shorten it, the program never
    // does. The time limit counts these periods.
    static void SetWatchdogPeriod(int ms);
    static int WatchdogPeriod();

    RunState& state() { return m_state; }
    const RunState& state() const { return m_state; }

    // A run is active (the start button pressed) from Start() until its
    // pass has ended, it was stopped or the connection was lost. A pass ends
    // when its last check has its verdict: the last page is timed as every
    // other is.
    bool active() const { return m_active; }
    bool watchdogRunning() const;
    // How the last run ended (meaningful once it is no longer active).
    RunOutcome outcome() const { return m_outcome; }

    // The moment the current pass was started; invalid when none is recorded.
    QDateTime startMoment() const { return m_startMoment; }
    // The hidden label's text: the start moment as a decimal day count, "0"
    // when none is recorded.
    QString czas1() const;
    QString timeStart() const { return m_timeStart; }
    QString czas2() const { return m_czas2; }
    int progressMaximum() const { return m_progressMaximum; }
    // Records of the pass taken so far: checked, being checked, or skipped.
    int progressPosition() const { return m_progressPosition; }
    QString nazwaGminy() const { return m_nazwaGminy; }
    QString nazwaObszaru() const { return m_nazwaObszaru; }
    QString wojewodztwo() const { return m_wojewodztwo; }
    QString stronaInfo() const { return m_stronaInfo; }
    bool gridEnabled() const { return m_gridEnabled; }
    bool gridVisible() const { return m_gridVisible; }
    QString panelCaption() const { return m_panelCaption; }
    // True when the last run ended by a lost connection.
    bool aborted() const { return m_aborted; }
    // Checks started and not yet handed back or timed out.
    int checksInFlight() const { return int(m_running.size()); }

    // Starts a run: checks for records and the connection, packs the table,
    // asks whether to continue an interrupted pass. False when no run began
    // (the outcome says why).
    bool Start();
    // Stops the pass; the checks in flight go on untimed and are still
    // stored, and the pass can be continued.
    void Stop();

    // Checks whose history waits for a file another program keeps busy
    // (tried again at every check and at the end of a run, never waited
    // for): written now, waiting up to waitMs. A program without a window
    // may wait at its end. True when none waits any more.
    bool WriteWaitingHistory(int waitMs);
    int waitingHistory() const;
    // Checks handed back whose history is being written: their verdicts
    // reach the register once it is. The program's end waits for them
    // (briefly: the history is written on a thread of its own).
    int storing() const;
    void FinishHistory();

    // Every second while the run is active: the remaining-time estimate,
    // with the time elapsed until now (a slow page keeps it moving).
    void RefreshEstimate();

    // What this run has done so far; the summary line goes to the event log
    // once its pass has ended.
    const RunTally& tally() const { return m_tally; }

    // Writes a page check's result into the history, then (when the
    // history has it) into the table and the report, and lets the next
    // record go.
    void StoreResult(const PageCheck& check);
    // A slot is free: the pass takes its next records.
    void ReleaseNextRecord();
    // The connection was lost: the run ends and the next start begins at 1.
    void AbortRun();

    void setGridVisible(bool visible);
    void setPanelCaption(const QString& caption);

Q_SIGNALS:
    // Any of the values above changed; views read what they show.
    void changed();
    // The table was reopened at a run start: the grid sets up its columns
    // again (titles back to their default colours).
    void gridColumnsReset();
    // The run became inactive (ended, stopped, aborted or refused).
    void runEnded(RunOutcome outcome);
    // A page check was started; taken of n records of the pass are taken.
    void recordDispatched(int taken, int n);
    // A finished run's summary, as written to the event log.
    void runSummary(const QString& text);

private:
    friend class DispatchReceiver;

    // A check started and not yet settled.
    struct Check
    {
        przebieg::PassScheduler::Entry entry;
        quint64 run = 0; // the run that started it
        bool timed = false;
        int ticks = 0;
        QPointer<TPobierz> worker;
    };

    // Every call that the event loop makes into the run goes through here:
    // a table or file error stops the run (failed) instead of travelling
    // through Qt's event loop.
    void guarded(const std::function<void()>& step);
    void failed(const QString& text);
    void storeInRegister(const PageCheck& check);
    void stopForWriteFailure(const QString& reason, qint32 recordNumber);
    bool startRun();
    // The marks of the records a start resets, written a batch per turn of
    // the event loop; then the pass begins.
    void resetMarks();
    void finishResettingMarks();
    void beginPass();
    void finish(RunOutcome outcome);
    void leavePass();
    void endOfRun();
    void writeSummary();

    void scheduleFill();
    void fillSlots();
    // Reads records into the scheduler, at most budget of them; how many.
    int readAhead(int n, int& budget);
    bool settledMeanwhile(const przebieg::PassScheduler::Entry& entry);
    void startCheck(const przebieg::PassScheduler::Entry& entry);
    int ownChecks() const;
    void watchdogTick();
    void timeOut(quint64 id);
    // A started check hands its result back on this (main) thread; here it
    // is decided whether and how the result counts.
    void handBack(quint64 id, const PageCheck& check);
    // The check goes to the history; its page (when it holds one) stays
    // held until the verdict is stored.
    void submit(quint64 ticket, const QByteArray& page, const PageCheck& check);
    void recorded(quint64 ticket, const PageCheck& result);
    void storeVerdict(const PageCheck& check);
    void showEstimate(int g, int n);
    void notify() { Q_EMIT changed(); }

    baza::Baza& m_baza;
    RunReport& m_report;
    Settings& m_settings;
    Dialogs& m_dialogs;
    // The records of each page, so that a result finds its records without
    // walking the table.
    std::unique_ptr<baza::InfoIndex> m_pages;
    RunState m_state;
    std::unique_ptr<HistoryWriter> m_history;
    // Checks at the history, by ticket: the page each holds (null: none)
    // and the run that started it; it holds its slot until stored.
    struct Storing
    {
        QByteArray page;
        quint64 run = 0;
    };
    std::map<quint64, Storing> m_storing;
    quint64 m_directTicket = quint64(1) << 63; // for results handed in from outside a pass
    QTimer* m_watchdog = nullptr;
    QTimer* m_estimateTimer = nullptr;
    QTimer* m_pauseTimer = nullptr; // the next record waiting for a host's pause
    bool m_fillScheduled = false;

    przebieg::PassScheduler m_scheduler;
    std::map<quint64, Check> m_running; // by the scheduler's id, in physical order
    quint64 m_run = 0;
    int m_slots = 1;
    int m_readCursor = 1; // the next record to read into the scheduler
    // Between a start and its pass: the marks still to be written.
    bool m_resetting = false;
    std::vector<baza::MarkChange> m_marks;
    size_t m_marksWritten = 0;
    bool m_marksResetChecked = false;
    // One open connection per host, from a run's start to its end.
    HostConnectionsPtr m_connections;
    QElapsedTimer m_clock;
    RunTally m_tally;

    bool m_active = false;
    bool m_aborted = false;
    bool m_showingError = false;
    RunOutcome m_outcome = RunOutcome::Finished;
    QDateTime m_startMoment;
    QString m_timeStart = QStringLiteral("00:00:00");
    QString m_czas2 = QStringLiteral("00:00:00");
    int m_progressMaximum = 100;
    int m_progressPosition = 0;
    QString m_nazwaGminy = QStringLiteral("NazwaGminy");
    QString m_nazwaObszaru = QStringLiteral("NazwaObszaru");
    QString m_wojewodztwo = QStringLiteral("Województwo");
    QString m_stronaInfo = QStringLiteral("StronaInfo");
    bool m_gridEnabled = true;
    bool m_gridVisible = true;
    QString m_panelCaption = QStringLiteral("Przetwarzanie danych. Czekaj ...");
};
