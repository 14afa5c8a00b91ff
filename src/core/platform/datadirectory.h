#pragma once

#include <QString>

// The directory that holds baza.dbf, config.ini, wykaz.txt and the manual:
// the executable's directory unless --dir names another one.
namespace DataDirectory {

// With a trailing separator, so that file names can be appended.
QString path();

void set(const QString& directory);

// Takes "--dir DIR" or "--dir=DIR" out of the arguments, if present, and
// returns the directory (empty when not given).
QString takeDirArgument(QStringList& arguments);

QString file(const QString& name);

} // namespace DataDirectory
