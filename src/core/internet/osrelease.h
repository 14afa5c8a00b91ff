#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The operating system's own name on Linux and the BSDs, as os-release(5)
// writes it: "Debian GNU/Linux 12 (bookworm)".

// The files to look in, in order: /etc/os-release, then /usr/lib/os-release.
QStringList OsReleaseFiles();

// The value of one KEY=value line of an os-release file, unquoted and
// unescaped; empty when the key is missing.
QString OsReleaseValue(const QByteArray& content, const QByteArray& key);

// PRETTY_NAME of the first readable file, else its NAME; empty when no file
// can be read or it names nothing.
QString OsReleaseProductName(const QStringList& files);
