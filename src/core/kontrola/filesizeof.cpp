#include "kontrola/filesizeof.h"

#include <QFile>

qint64 FileSizeOf(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return -1;
    // Opened rather than only looked up: a file that cannot be read is no
    // page to measure either.
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.size();
}
