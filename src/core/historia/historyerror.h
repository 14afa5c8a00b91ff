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
    // The file is not a database or its pages are broken.
    bool damaged() const { return m_damaged; }

private:
    bool m_damaged = false;
};

} // namespace historia
