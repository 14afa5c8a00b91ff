#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <map>
#include <optional>

namespace przebieg {

// Which record of a pass is checked next. The run reads the records still
// to be checked in physical order and hands them here; a free slot takes
// the first of them whose page is not being checked and whose host is free
// and past its pause. A record whose page is being checked waits for that
// check, whose result may settle it; a record waiting for its host or for a
// server's "come back later" holds no slot. Times are milliseconds of one
// monotonic clock that the caller reads. Main thread only, no I/O.
class PassScheduler
{
public:
    struct Entry
    {
        quint64 id = 0; // in reading order, so in physical order within a pass
        int recordNumber = 0;
        QByteArray page; // trimmed info as the file holds it
        QString host;    // as politeness counts hosts; empty: counted alone
        qint64 notBefore = 0;
        bool retried = false;
    };

    // A new pass: pauses of this length between two requests to one host.
    // What is still out (checks of a stopped pass) keeps its page and host.
    void Begin(int hostPauseMs);

    // A record read in physical order, to be checked.
    void Add(int recordNumber, const QByteArray& page, const QString& host);
    int pendingCount() const { return int(m_pending.size()); }
    // The lowest record number still waiting, or 0.
    int firstPendingRecord() const;

    // Takes the first waiting record that may start now: its page and host
    // are then held until PageSettled and HostReleased. A record that may
    // start is first asked about: settled (by the check of a page it
    // shares) it is forgotten instead. When none may start, nextDue is set to the
    // moment one waiting on a pause could (or -1).
    using Settled = std::function<bool(const Entry&)>;
    std::optional<Entry> TakeNext(qint64 now, qint64* nextDue = nullptr, const Settled& settled = {});

    // Asked to come back later: the record waits in its place until
    // notBefore, and keeps its page, so that the records sharing it still
    // wait for this check's result.
    void Defer(Entry entry, qint64 notBefore);

    // The check of this page has its result (or was given up).
    void PageSettled(const QByteArray& page, quint64 id);
    // The check's worker let go of its host's connection at `now`.
    void HostReleased(const QString& host, qint64 now);
    bool hostBusy(const QString& host) const { return !host.isEmpty() && m_busyHosts.value(host, 0) > 0; }
    bool pageHeld(const QByteArray& page) const { return m_pageOwner.contains(page); }

    // The pass ends early: what waits is forgotten (deferred checks give
    // their pages back). Returns the lowest record number that waited, or 0.
    int DropPending();

private:
    bool pageFree(const Entry& e) const;
    bool mayStart(const Entry& e, qint64 now, qint64* due) const;

    int m_pauseMs = 0;
    quint64 m_lastId = 0;
    std::map<quint64, Entry> m_pending; // in physical order
    QHash<QByteArray, quint64> m_pageOwner; // page -> the check that holds it
    QHash<QString, int> m_busyHosts;
    QHash<QString, qint64> m_hostFreeAt;
};

} // namespace przebieg
