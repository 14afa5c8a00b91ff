#include "platform/datadirectory.h"

#include "platform/installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

namespace DataDirectory {
namespace {

QString& chosen()
{
    static QString dir;
    return dir;
}

QString withSeparator(QString dir)
{
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace

QString path()
{
    if (chosen().isEmpty())
        chosen() = withSeparator(ChooseDefault(SystemPlaces()));
    return chosen();
}

void set(const QString& directory)
{
    chosen() = directory.isEmpty() ? QString() : withSeparator(directory);
}

QString takeDirArgument(QStringList& arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--dir") && i + 1 < arguments.size()) {
            const QString dir = arguments[i + 1];
            arguments.remove(i, 2);
            return dir;
        }
        if (a.startsWith(QLatin1String("--dir="))) {
            const QString dir = a.mid(6);
            arguments.remove(i);
            return dir;
        }
    }
    return {};
}

QString file(const QString& name)
{
    return path() + name;
}

Places SystemPlaces()
{
    // Named after the program, not after the process: ekowarta and
    // ekowarta-cli must share one register.
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {QCoreApplication::applicationDirPath(),
            userData.isEmpty() ? QString() : QDir(userData).filePath(QStringLiteral("ekowarta")),
            CanCreateFilesIn};
}

QString ChooseDefault(const Places& places)
{
    const bool installed = !Installation::SharedDirectory(places.executableDirectory).isEmpty();
    if ((!installed && places.isWritable && places.isWritable(places.executableDirectory)) ||
        places.userDataDirectory.isEmpty())
        return places.executableDirectory;
    QDir().mkpath(places.userDataDirectory);
    return places.userDataDirectory;
}

bool CanCreateFilesIn(const QString& directory)
{
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral(".ekowarta-XXXXXX")));
    return probe.open();
}

} // namespace DataDirectory
