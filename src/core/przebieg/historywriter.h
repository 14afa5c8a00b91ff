#pragma once

#include "kontrola/pagecheck.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;
class RunHistory;

// The page history of a run, written on a thread of its own, so that the
// window's thread never waits for the disk (SQLite's checkpoints, a file
// another program holds for a moment, the history's first creation). Jobs
// are done one after another in the order they were given; each check's
// verdict comes back as `recorded`, on the thread that created the writer,
// in that same order. The history's event-log lines come back the same way,
// before the verdict of the check that caused them.
class HistoryWriter : public QObject
{
    Q_OBJECT

public:
    using Log = std::function<void(const QString&)>;
    HistoryWriter(const QString& dataDirectory, Log log, QObject* parent = nullptr);
    // Writes what was given, then ends its thread.
    ~HistoryWriter() override;

    // The check becomes a version; `recorded` brings back the verdict the
    // register gets (see RunHistory::Record).
    void Record(quint64 ticket, const PageCheck& check, bool skipWithoutNewContent);
    // A check that the watchdog ended; `timeOutRecorded` follows.
    void RecordTimeOut(const QString& address, const QString& message);
    // Tries the checks waiting for a busy file once more, without waiting.
    void WriteWaitingLater();
    // Blocks until every job given so far is done and the waiting checks
    // were written or waitMs passed; for a program without a window at its
    // end. True when none waits any more.
    bool WriteWaiting(int waitMs);

    // Blocks until every job given so far is done and delivers their
    // answers at once; for the end of the program.
    void Drain();

    // Jobs given and not yet answered. Each counts as a live thread until
    // its answer has been delivered, so that whoever waits for a run's
    // threads also waits for its verdicts.
    int pending() const { return m_pending; }
    // Checks kept back for a busy file.
    int waitingCount() const { return m_waiting.load(); }

Q_SIGNALS:
    void recorded(quint64 ticket, const PageCheck& result);
    void timeOutRecorded();

private:
    void post(std::function<void()> job);
    // On the writer's thread: a job is done; `signal` is emitted here.
    void answer(std::function<void()> signal);

    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on m_thread
    std::unique_ptr<RunHistory> m_history; // used on m_thread only
    int m_pending = 0;
    std::atomic<int> m_waiting{0};
};
