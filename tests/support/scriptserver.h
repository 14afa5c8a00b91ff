#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Starts one of the Python test servers under tests/servers with Debian's
// interpreter (the python3 first on PATH may not see Debian's modules) and
// waits for the "PORT n" line the script prints once it listens. On failure
// the process is stopped and error says why, naming the server.
// Returns the port, or 0.
quint16 StartScriptServer(QProcess& process, const QStringList& arguments, const QString& serverName,
                          QString* error);
