#include "historia/historyreader.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <sys/stat.h>

#include <vector>

namespace historia {
namespace {

struct Idle
{
    std::unique_ptr<HistoryStore> store;
    quint64 device = 0;
    quint64 inode = 0;
};

// More than the most checks that run at once, for a few data directories.
constexpr std::size_t kMostIdle = 24;

QMutex poolMutex;
std::vector<Idle>& pool()
{
    static std::vector<Idle> idle;
    return idle;
}

} // namespace

bool HistoryReader::identityOf(const QString& path, Identity& identity)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    identity.device = quint64(st.st_dev);
    identity.inode = quint64(st.st_ino);
    return true;
}

HistoryReader HistoryReader::Open(const QString& dataDirectory)
{
    const QString path = HistoryStore::PathIn(dataDirectory);
    Identity identity;
    if (!identityOf(path, identity))
        return {};
    {
        QMutexLocker lock(&poolMutex);
        std::vector<Idle>& idle = pool();
        for (auto it = idle.begin(); it != idle.end(); ++it) {
            if (it->store->path() != path)
                continue;
            // An open connection keeps its file's inode taken, so an equal
            // number is the same file.
            if (it->device == identity.device && it->inode == identity.inode) {
                std::unique_ptr<HistoryStore> store = std::move(it->store);
                idle.erase(it);
                return HistoryReader(std::move(store), identity);
            }
        }
        // Connections to a file that is no longer at the path go.
        std::erase_if(idle, [&](const Idle& i) { return i.store->path() == path; });
    }
    auto store = std::make_unique<HistoryStore>(path);
    try {
        store->open(HistoryStore::Mode::ReadOnly);
    } catch (const HistoryError&) {
        return {};
    }
    return HistoryReader(std::move(store), identity);
}

HistoryReader::~HistoryReader()
{
    giveBack();
}

HistoryReader::HistoryReader(HistoryReader&& other) noexcept
    : m_store(std::move(other.m_store)), m_identity(other.m_identity)
{
}

HistoryReader& HistoryReader::operator=(HistoryReader&& other) noexcept
{
    if (this != &other) {
        giveBack();
        m_store = std::move(other.m_store);
        m_identity = other.m_identity;
    }
    return *this;
}

void HistoryReader::giveBack()
{
    if (!m_store || !m_store->isOpen())
        return;
    std::unique_ptr<HistoryStore> dropped;
    QMutexLocker lock(&poolMutex);
    std::vector<Idle>& idle = pool();
    if (idle.size() >= kMostIdle) {
        dropped = std::move(idle.front().store); // the longest unused
        idle.erase(idle.begin());
    }
    idle.push_back({std::move(m_store), m_identity.device, m_identity.inode});
}

int HistoryReader::idleCount()
{
    QMutexLocker lock(&poolMutex);
    return int(pool().size());
}

} // namespace historia
