#pragma once

#include <QString>
#include <functional>

// The directory that holds baza.dbf, config.ini, wykaz.txt and the manual:
// the executable's directory when the program may write there (the build
// tree, a folder copied anywhere), else the user's data directory; --dir
// names another one.
namespace DataDirectory {

// With a trailing separator, so that file names can be appended.
QString path();

void set(const QString& directory);

// Takes "--dir DIR" or "--dir=DIR" out of the arguments, if present, and
// returns the directory (empty when not given).
QString takeDirArgument(QStringList& arguments);

QString file(const QString& name);

// What the default depends on; the system's by default, tests give their own.
struct Places
{
    QString executableDirectory;
    QString userDataDirectory; // $XDG_DATA_HOME/ekowarta, ~/.local/share/ekowarta
    std::function<bool(const QString& directory)> isWritable;
};

Places SystemPlaces();

// The executable's directory when it is writable and not an installation's
// bin folder (whose files belong to the package manager, even for root);
// otherwise the user's data directory, created when missing.
QString ChooseDefault(const Places& places);

// Whether a file can really be created in the directory (permissions,
// access lists, read-only mounts).
bool CanCreateFilesIn(const QString& directory);

} // namespace DataDirectory
