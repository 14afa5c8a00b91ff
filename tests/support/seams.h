#pragma once

#include "internet/checkconnection.h"
#include "platform/clock.h"
#include "platform/shell.h"

#include <QDateTime>
#include <QMutex>
#include <QStringList>

// RAII helpers that put the program's seams into a known state for one test.

class ConnectionOverride
{
public:
    explicit ConnectionOverride(bool online) { m_previous = SetConnectionProbe([online] { return online; }); }
    ~ConnectionOverride() { SetConnectionProbe(m_previous); }

private:
    ConnectionProbe m_previous;
};

class PinnedClock
{
public:
    explicit PinnedClock(const QDateTime& moment) { Clock::pin(moment); }
    ~PinnedClock() { Clock::unpin(); }
};

// Records every address handed to the shell instead of opening it.
class ShellRecorder
{
public:
    // opens: what the system's handler answers (false: no program for it).
    explicit ShellRecorder(bool opens = true)
    {
        m_previous = Shell::setOpener([this, opens](const QString& a) {
            QMutexLocker lock(&m_mutex);
            m_opened << a;
            return opens;
        });
    }
    ~ShellRecorder() { Shell::setOpener(m_previous); }
    QStringList opened() const
    {
        QMutexLocker lock(&m_mutex);
        return m_opened;
    }

private:
    Shell::Opener m_previous;
    mutable QMutex m_mutex;
    QStringList m_opened;
};
