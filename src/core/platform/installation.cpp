#include "platform/installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Installation {
namespace {

QString& programDirectoryOverride()
{
    static QString directory;
    return directory;
}

} // namespace

QString ProgramDirectory()
{
    const QString& own = programDirectoryOverride();
    return own.isEmpty() ? QCoreApplication::applicationDirPath() : own;
}

void SetProgramDirectory(const QString& directory)
{
    programDirectoryOverride() = directory;
}

QString SharedDirectory(const QString& executableDirectory)
{
    const QString shared =
        QDir::cleanPath(executableDirectory + QStringLiteral("/../share/ekowarta"));
    return QFileInfo(shared).isDir() ? shared : QString();
}

QString ManualFile(const QString& dataDirectory, const QString& executableDirectory)
{
    const QString name = QStringLiteral("instrukcja.pdf");
    const QString own = QDir(dataDirectory).filePath(name);
    if (QFileInfo(own).isFile())
        return own;
    // The program's own folder: with --dir the data live elsewhere, but the
    // manual stays beside the program.
    if (!executableDirectory.isEmpty()) {
        const QString beside = QDir(executableDirectory).filePath(name);
        if (QFileInfo(beside).isFile())
            return beside;
    }
    const QString shared = SharedDirectory(executableDirectory);
    if (!shared.isEmpty() && QFileInfo(QDir(shared).filePath(name)).isFile())
        return QDir(shared).filePath(name);
    return {};
}

} // namespace Installation
