#pragma once

#include "kontrola/tpobierz.h"
#include "przebieg/runhistory.h"
#include "przebieg/runoutcome.h"
#include "przebieg/runstate.h"
#include "raport/runsummary.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QTimer;

namespace baza {
class Baza;
class InfoIndex;
}
class Dialogs;
class RunReport;
class Settings;

// The monitoring run without a window. It walks the register in physical
// order, dispatches one page check (TPobierz) for every record not yet
// checked in the pass, times it with the watchdog, and stores each result
// in every record that shares the page. The start button, the labels, the
// progress and the grid's availability are kept here as data; the main
// window mirrors them and the command line prints them.
class RunController : public QObject
{
    Q_OBJECT

public:
    RunController(baza::Baza& baza, RunReport& report, Settings& settings, Dialogs& dialogs,
                  QObject* parent = nullptr);
    ~RunController() override;

    // Periods of the stepping timer (100 ms) and the watchdog (1000 ms);
    // tests shorten them, the program never does.
    static void SetTimerPeriods(int stepMs, int watchdogMs);
    static int StepPeriod();
    static int WatchdogPeriod();

    RunState& state() { return m_state; }
    const RunState& state() const { return m_state; }

    // A run is active (the start button pressed) from Start() until it ends.
    bool active() const { return m_active; }
    bool stepping() const; // TimerKontrol on
    bool watchdogRunning() const; // Stoper1 on
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
    // Checks dispatched and not yet handed back (waiting for their host or
    // running); with one check at a time 0 or 1.
    int checksInFlight() const;

    // Starts a run: checks for records and the connection, packs the table,
    // asks whether to continue an interrupted pass. False when no run began
    // (the outcome says why).
    bool Start();
    // Stops the stepping; the check in flight goes on and is still stored,
    // and the pass can be continued.
    void Stop();

    // The start button was clicked; pressed is its state after the click.
    void SpeedButton1Click(bool pressed);
    // One step of the run (every 100 ms while stepping).
    void TimerKontrolTimer();
    // One watchdog tick (every second while a check is timed).
    void Stoper1Timer();
    // Every second while the run steps: the remaining-time estimate of the
    // last step, with the time elapsed until now (a slow page keeps it
    // moving instead of freezing the value of its dispatch).
    void RefreshEstimate();

    // What this run has done so far; the summary line goes to the event log
    // once its pass has ended and its last check has handed back.
    const RunTally& tally() const { return m_tally; }

    // Writes a page check's result into the table and the report and lets
    // the next record go. The hand-back of a dispatched check reaches it
    // only when the check is still wanted (see handBack).
    virtual void StoreResult(const PageCheck& check);

    // A result was stored (or a time-out handled): the next record may go.
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
    // A page check was started for record g of n.
    void recordDispatched(int g, int n);
    // A finished run's summary, as written to the event log.
    void runSummary(const QString& text);

private:
    friend class DispatchReceiver;
    // Every call that the event loop makes into the run goes through here:
    // a table or file error stops the run (failed) instead of travelling
    // through Qt's event loop.
    void guarded(const std::function<void()>& step);
    void failed(const QString& text);
    bool startRun();
    // A dispatched check hands its result back on this (main) thread; here
    // it is decided whether the result still counts.
    void handBack(quint64 dispatchId, const PageCheck& check);
    void storeVerdict(const PageCheck& check);
    void finish(RunOutcome outcome);
    void stopTimers();
    void endOfRun();
    void dispatch(int recordNumber);
    void showEstimate(int g, int n);
    void summariseWhenDone();
    void writeSummary();
    void scheduleStep();
    void notify() { Q_EMIT changed(); }

    // With more than one check at a time ("Liczba jednocześnie sprawdzanych
    // stron" above 1): the same pass, several pages at once, one connection
    // per host with a pause between two requests to the same host.
    struct Check
    {
        quint64 id = 0;
        quint64 run = 0; // the run that dispatched it
        qint32 recordNumber = 0;
        QByteArray page; // trimmed info as the file holds it
        QString host;
        QString name, address;
        qint32 size = 0, row = 0, tag = 0;
        double date = 0, checkDate = 0; // Aktualizacja, DataKontroli
        bool started = false;
        bool timed = false;
        bool retried = false;
        bool storing = false; // its result is being written
        int watchdogCounter = 0;
        qint64 notBefore = 0; // on m_clock
        QPointer<TPobierz> worker;
    };
    bool parallel() const;
    void stepParallel();
    void dispatchParallel(int recordNumber, const QByteArray& page);
    void startDueChecks();
    void startCheck(Check& check);
    void watchdogParallel();
    void handBackParallel(quint64 dispatchId, const PageCheck& check);
    void dropWaitingChecks();
    bool pageInFlight(const QByteArray& page) const;
    bool runHasChecks() const;
    QByteArray userAgent() const;

    baza::Baza& m_baza;
    RunReport& m_report;
    Settings& m_settings;
    Dialogs& m_dialogs;
    // The records of each page, so that a result finds its records without
    // walking the table.
    std::unique_ptr<baza::InfoIndex> m_pages;
    RunState m_state;
    RunHistory m_history;
    QTimer* m_timerKontrol = nullptr;
    QTimer* m_stoper1 = nullptr;
    QTimer* m_estimateTimer = nullptr;
    bool m_stepScheduled = false;
    // Every dispatch has its own id: the watchdog times one of them, and a
    // check that it timed out is answered by nothing it may still send.
    quint64 m_lastDispatch = 0;
    quint64 m_timedDispatch = 0;
    qint32 m_timedRecord = 0;
    QSet<quint64> m_timedOut;
    // Dispatched one at a time and not yet handed back or timed out.
    QSet<quint64> m_outstanding;
    RunTally m_tally;
    bool m_summaryPending = false;

    std::map<quint64, Check> m_checks; // in dispatch order
    quint64 m_run = 0;
    bool m_parallelRun = false;
    QSet<QString> m_busyHosts;          // a worker is talking to them
    QHash<QString, qint64> m_hostFreeAt; // on m_clock
    // One open connection per host, from a run's start to its end.
    HostConnectionsPtr m_connections;
    QTimer* m_hostTimer = nullptr;
    QElapsedTimer m_clock;

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
