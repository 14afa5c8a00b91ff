#include "internet/hostconnections.h"

#include "internet/curltransfer.h"

#include <QMutexLocker>

#include <curl/curl.h>

#include <utility>

HostConnections::HostConnections() = default;

HostConnections::~HostConnections()
{
    Close();
}

HostConnections::Lease HostConnections::Borrow(const QString& host)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_closed) {
            const auto it = m_idle.find(host);
            if (it != m_idle.end()) {
                void* handle = it.value();
                m_idle.erase(it);
                return Lease(this, host, handle);
            }
        }
        ++m_created;
    }
    InitialiseLibcurl();
    return Lease(this, host, curl_easy_init());
}

void HostConnections::giveBack(const QString& host, void* handle)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_closed && !m_idle.contains(host)) {
            m_idle.insert(host, handle);
            return;
        }
    }
    // Closed, or the host has one already: this one goes.
    curl_easy_cleanup(static_cast<CURL*>(handle));
}

void HostConnections::Close()
{
    QHash<QString, void*> idle;
    {
        QMutexLocker lock(&m_mutex);
        m_closed = true;
        idle.swap(m_idle);
    }
    for (void* handle : std::as_const(idle))
        curl_easy_cleanup(static_cast<CURL*>(handle));
}

int HostConnections::idleCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_idle.size());
}

int HostConnections::createdCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_created;
}

HostConnections::Lease::~Lease()
{
    release();
}

HostConnections::Lease::Lease(Lease&& other) noexcept
    : m_owner(std::exchange(other.m_owner, nullptr)), m_host(std::move(other.m_host)),
      m_handle(std::exchange(other.m_handle, nullptr))
{
}

HostConnections::Lease& HostConnections::Lease::operator=(Lease&& other) noexcept
{
    if (this != &other) {
        release();
        m_owner = std::exchange(other.m_owner, nullptr);
        m_host = std::move(other.m_host);
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void HostConnections::Lease::discard()
{
    if (m_handle)
        curl_easy_cleanup(static_cast<CURL*>(m_handle));
    m_handle = nullptr;
}

void HostConnections::Lease::release()
{
    if (m_handle && m_owner)
        m_owner->giveBack(m_host, m_handle);
    m_handle = nullptr;
    m_owner = nullptr;
}
