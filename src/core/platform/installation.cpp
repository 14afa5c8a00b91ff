#include "platform/installation.h"

#include <QDir>
#include <QFileInfo>

namespace Installation {

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
    const QString shared = SharedDirectory(executableDirectory);
    if (!shared.isEmpty() && QFileInfo(QDir(shared).filePath(name)).isFile())
        return QDir(shared).filePath(name);
    return {};
}

} // namespace Installation
