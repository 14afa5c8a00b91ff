#pragma once

#include "platform/programerror.h"

// A failure of the history store with a Polish text. The store is an
// addition to the register: whoever meets this reports it and goes on.
namespace historia {

class HistoryError : public ProgramError
{
public:
    explicit HistoryError(const QString& message, bool damaged = false)
        : ProgramError(message), m_damaged(damaged)
    {
    }
    // A database of another program under the history's name.
    static HistoryError foreignFile(const QString& message)
    {
        HistoryError e(message, true);
        e.m_foreign = true;
        return e;
    }
    // The file is not a database, its pages are broken, or it is not the
    // program's history at all (foreign): either way it is set aside as it
    // is, never written.
    bool damaged() const { return m_damaged; }
    bool foreign() const { return m_foreign; }

    // Another connection holds the file (a write of another program, the
    // sqlite3 tool in a transaction): the same may succeed later.
    static HistoryError busyFile(const QString& message)
    {
        HistoryError e(message);
        e.m_busy = true;
        return e;
    }
    bool busy() const { return m_busy; }

    // The file could not be written on this computer (a full disk, an
    // error of the disk): nothing the page did.
    static HistoryError writeFailure(const QString& message)
    {
        HistoryError e(message);
        e.m_writeFailed = true;
        return e;
    }
    bool writeFailed() const { return m_writeFailed; }

private:
    bool m_damaged = false;
    bool m_foreign = false;
    bool m_busy = false;
    bool m_writeFailed = false;
};

} // namespace historia
