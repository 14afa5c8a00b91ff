#pragma once

#include <QHash>
#include <QMutex>
#include <QString>

#include <memory>

// The open connections of one pass, one per host. A page request borrows
// its host's connection (a libcurl handle with its connection, name and TLS
// session caches) and gives it back when done, so the next page of the same
// host, on whichever worker thread, goes over the connection that is already
// open instead of a new one. A connection is lent to one request at a time:
// a second borrower of a host that is out gets a fresh one (politeness keeps
// that from happening in a run; it would only cost a second connection).
//
// The pass that owns it calls Close() when it ends: idle connections are
// closed then, lent ones when they come back. Shared by the pass and its
// checks (std::shared_ptr), so a check that outlives its pass (timed out and
// still downloading) still has somewhere to give its connection back to.
// Every member is safe to call from any thread.
class HostConnections
{
public:
    HostConnections();
    ~HostConnections();
    HostConnections(const HostConnections&) = delete;
    HostConnections& operator=(const HostConnections&) = delete;

    // One borrowed connection; given back when it goes out of scope.
    class Lease
    {
    public:
        Lease() = default;
        ~Lease();
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        // The libcurl handle (CURL*); null when none could be made.
        void* handle() const { return m_handle; }
        // The handle must not be kept (a transfer left it in a state that
        // nobody should reuse): it is closed instead of given back.
        void discard();

    private:
        friend class HostConnections;
        Lease(HostConnections* owner, const QString& host, void* handle)
            : m_owner(owner), m_host(host), m_handle(handle)
        {
        }
        void release();

        HostConnections* m_owner = nullptr;
        QString m_host;
        void* m_handle = nullptr;
    };

    // host as PolitenessHost gives it.
    Lease Borrow(const QString& host);
    // The pass has ended: no connection is kept from now on.
    void Close();

    // Connections waiting for their host's next page (for tests and benchmarks).
    int idleCount() const;
    // Handles made so far; a host whose pages all reuse one counts once.
    int createdCount() const;

private:
    void giveBack(const QString& host, void* handle);

    mutable QMutex m_mutex;
    QHash<QString, void*> m_idle;
    bool m_closed = false;
    int m_created = 0;
};

using HostConnectionsPtr = std::shared_ptr<HostConnections>;
