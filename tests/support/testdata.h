#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testdata {

// Path of a file under tests/fixtures.
QString fixture(const QString& name);

// Copies a fixture into dir under the given name; returns the new path.
QString copyFixture(const QString& name, const QTemporaryDir& dir, const QString& as = QString());

// Path of a program built beside the tests (ekowarta, ekowarta-cli).
QString program(const QString& name);

// The folder of the built programs.
QString binDir();

// Path of a file under tests/servers (the Python test servers and checkers).
QString testServer(const QString& name);

// Path of a file or folder under the source tree's top (e.g. "demo").
QString sourcePath(const QString& name);

struct ProcessResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a built program with arguments; waits up to timeoutMs. The program
// sees itself online (EKOWARTA_CONNECTION=online) unless environment says
// otherwise ("NAME=value" entries).
ProcessResult run(const QString& programName, const QStringList& arguments, int timeoutMs = 60000,
                  const QStringList& environment = {});

// The same under another program that runs it (setpriv as another user,
// unshare with a disk of its own...): wrapper is that program and its
// arguments, the built program's path and arguments follow them.
ProcessResult runUnder(const QStringList& wrapper, const QString& programName, const QStringList& arguments,
                       int timeoutMs = 60000);

QByteArray readAll(const QString& path);

// Replaces the file with bytes; false when it cannot be written.
bool writeAll(const QString& path, const QByteArray& bytes);

} // namespace testdata
