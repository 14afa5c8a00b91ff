#include "przebieg/passscheduler.h"

namespace przebieg {

void PassScheduler::Begin(int hostPauseMs)
{
    m_pauseMs = qMax(0, hostPauseMs);
    DropPending();
}

void PassScheduler::Add(int recordNumber, const QByteArray& page, const QString& host)
{
    Entry e;
    e.id = ++m_lastId;
    e.recordNumber = recordNumber;
    e.page = page;
    e.host = host;
    m_pending.emplace(e.id, std::move(e));
}

int PassScheduler::firstPendingRecord() const
{
    // Read in physical order: the lowest id is the lowest record.
    return m_pending.empty() ? 0 : m_pending.begin()->second.recordNumber;
}

bool PassScheduler::pageFree(const Entry& e) const
{
    const auto owner = m_pageOwner.constFind(e.page);
    return owner == m_pageOwner.cend() || *owner == e.id;
}

bool PassScheduler::mayStart(const Entry& e, qint64 now, qint64* due) const
{
    if (hostBusy(e.host))
        return false;
    const qint64 at = qMax(e.notBefore, e.host.isEmpty() ? 0 : m_hostFreeAt.value(e.host, 0));
    if (at <= now)
        return true;
    if (due)
        *due = *due < 0 ? at : qMin(*due, at);
    return false;
}

std::optional<PassScheduler::Entry> PassScheduler::TakeNext(qint64 now, qint64* nextDue, const Settled& settled)
{
    qint64 due = -1;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        // A record whose page is being checked waits for that check's result.
        if (!pageFree(it->second)) {
            ++it;
            continue;
        }
        if (!mayStart(it->second, now, &due)) {
            ++it;
            continue;
        }
        if (settled && settled(it->second)) {
            it = m_pending.erase(it);
            continue;
        }
        Entry e = std::move(it->second);
        m_pending.erase(it);
        m_pageOwner.insert(e.page, e.id);
        if (!e.host.isEmpty())
            ++m_busyHosts[e.host];
        if (nextDue)
            *nextDue = -1;
        return e;
    }
    if (nextDue)
        *nextDue = due;
    return std::nullopt;
}

void PassScheduler::Defer(Entry entry, qint64 notBefore)
{
    entry.notBefore = notBefore;
    entry.retried = true;
    m_pageOwner.insert(entry.page, entry.id);
    m_pending.emplace(entry.id, std::move(entry));
}

void PassScheduler::PageSettled(const QByteArray& page, quint64 id)
{
    const auto owner = m_pageOwner.constFind(page);
    if (owner != m_pageOwner.cend() && *owner == id)
        m_pageOwner.erase(owner);
}

void PassScheduler::HostReleased(const QString& host, qint64 now)
{
    if (host.isEmpty())
        return;
    auto busy = m_busyHosts.find(host);
    if (busy == m_busyHosts.end())
        return;
    if (--*busy <= 0)
        m_busyHosts.erase(busy);
    m_hostFreeAt[host] = now + m_pauseMs;
}

int PassScheduler::DropPending()
{
    const int first = firstPendingRecord();
    for (const auto& [id, e] : m_pending)
        PageSettled(e.page, id); // a deferred check's page is free again
    m_pending.clear();
    return first;
}

} // namespace przebieg
