#include "platform/datadirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

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
        chosen() = withSeparator(QCoreApplication::applicationDirPath());
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

} // namespace DataDirectory
