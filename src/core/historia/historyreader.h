#pragma once

#include "historia/historystore.h"

#include <QString>

#include <memory>

namespace historia {

// A read-only connection to a data directory's history for one page check.
// Connections are kept open between checks and lent to one check at a
// time, whichever thread it runs on: opening one and reading the file's
// tables again for every page cost more than the page's own reading. A
// connection to a file that has since been replaced (a damaged history put
// aside and begun anew) is closed instead of lent.
class HistoryReader
{
public:
    // Empty when there is no history yet or it cannot be opened.
    static HistoryReader Open(const QString& dataDirectory);

    HistoryReader() = default;
    ~HistoryReader();
    HistoryReader(HistoryReader&&) noexcept;
    HistoryReader& operator=(HistoryReader&&) noexcept;

    explicit operator bool() const { return bool(m_store); }
    HistoryStore* operator->() const { return m_store.get(); }
    HistoryStore& operator*() const { return *m_store; }

    // A reading failed: the connection is closed rather than lent again.
    void discard() { m_store.reset(); }

    // Connections waiting for their next check (for tests).
    static int idleCount();

private:
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const Identity&) const = default;
    };
    HistoryReader(std::unique_ptr<HistoryStore> store, Identity identity)
        : m_store(std::move(store)), m_identity(identity)
    {
    }
    static bool identityOf(const QString& path, Identity& identity);
    void giveBack();

    std::unique_ptr<HistoryStore> m_store;
    Identity m_identity;
};

} // namespace historia
