#pragma once

#include <QString>

#include <stdexcept>

// A failure of the history store with a Polish text. The store is an
// addition to the register: whoever meets this reports it and goes on.
namespace historia {

class HistoryError : public std::runtime_error
{
public:
    explicit HistoryError(const QString& message, bool damaged = false)
        : std::runtime_error(message.toStdString()), m_damaged(damaged)
    {
    }
    QString text() const { return QString::fromStdString(what()); }
    // The file is not a database or its pages are broken.
    bool damaged() const { return m_damaged; }

private:
    bool m_damaged = false;
};

} // namespace historia
