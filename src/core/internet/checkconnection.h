#pragma once

#include <QString>

#include <functional>

// The one online test, asked before every network action. Online means: a
// network interface other than loopback is up and has an address. Tests
// replace the probe to play "offline" or "online" on a machine of their own;
// a child process follows EKOWARTA_CONNECTION=online|offline.
bool CheckConnection();

using ConnectionProbe = std::function<bool()>;

// Installs a probe (an empty one restores the system's); returns the old one.
ConnectionProbe SetConnectionProbe(ConnectionProbe probe);

// The system's answer, whatever probe is installed.
bool SystemReportsConnection();

// What the event log and a failed download say without a connection; the
// wording users know from their reports, misspelling included.
inline QString NoConnectionText()
{
    return QStringLiteral("Brak połącznia z Internetem");
}
