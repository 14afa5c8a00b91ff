#pragma once

#include "historia/historystore.h"
#include "kontrola/pagecheck.h"
#include "ogloszenia/notice.h"

#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace historia {
struct PreparedVersion;
} // namespace historia

// The run's side of the page history: every handed-back check becomes a
// version in historia.sqlite. The history is an addition to the register:
// when it is missing it is created, when it is damaged it is put aside and
// started anew, when it cannot be written the run goes on; each of these is
// told once in the event log.
//
// It never holds the run up: a file that another program keeps busy is
// waited for a moment at most once. From that refusal on the checks wait in
// memory, in order, and go into the file as soon as it takes them again
// (tried without waiting at every further check and at the end of the run),
// with one line in the event log.
class RunHistory
{
public:
    using Log = std::function<void(const QString&)>;
    RunHistory(const QString& dataDirectory, Log log);
    ~RunHistory();

    // Records the check and returns it with the verdict the register gets:
    // with skipWithoutNewContent, a change (kod 1, 2 or 3) of a page whose
    // visible text is the same, noise aside, becomes 0. When the disk
    // refuses the history (full), the check comes back failedLocally(): no
    // verdict is to be stored, the run is to stop.
    PageCheck Record(const PageCheck& check, bool skipWithoutNewContent);

    // A check that the watchdog ended: a failure without a body. Empty, or
    // why it could not be kept (as failedLocally()).
    QString RecordTimeOut(const QString& address, const QString& message);

    // Writes the checks that wait for a busy file, waiting for it up to
    // waitMs (0: not at all, as the window's thread must). True when none
    // waits any more.
    bool WriteWaiting(int waitMs = 0);
    int waitingCount() const { return int(m_waiting.size()); }

    // How long the first write into a busy file waits, in milliseconds.
    static constexpr int kFirstWaitMs = 100;
    // The most the waiting checks may take of memory (their packed bodies).
    static constexpr qint64 kMostWaitingBytes = 64 * 1024 * 1024;

private:
    struct Waiting
    {
        historia::StoredCheck row;
        std::shared_ptr<const historia::PreparedVersion> version; // holds the packed body
        QList<ogloszenia::Notice> notices;
    };
    enum class Written { Done, Busy, GivenUp, DiskFailed };

    enum class Opened { Open, Busy, DiskFailed, Unavailable };
    Opened ensureOpen(int waitMs);
    // Empty, or why the check could not be kept on this computer (a full
    // disk): then it is not kept at all.
    QString write(const historia::StoredCheck& row, std::shared_ptr<const historia::PreparedVersion> version,
                  const QList<ogloszenia::Notice>& notices = {});
    Written writeOne(const Waiting& check, int waitMs);
    void setAside(bool foreign);

    QString m_directory;
    Log m_log;
    std::unique_ptr<historia::HistoryStore> m_store;
    bool m_problemTold = false;
    std::deque<Waiting> m_waiting;
    qint64 m_waitingBytes = 0;
    bool m_busyTold = false;
    bool m_overflowTold = false;
    QString m_diskFailure; // of the last write that the disk refused
};
