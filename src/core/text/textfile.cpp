#include "text/textfile.h"

#include "platform/systemerror.h"
#include "platform/fileerror.h"
#include "text/cp1250.h"
#include "platform/savefile.h"

#include <QFile>
#include <QSaveFile>

namespace textfile {

QByteArray ReadBytes(const QString& path)
{
    // The reasons in the program's words (the system's are in English).
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError::cannotRead(path, SystemError::FileReason(file));
    QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        throw FileError::cannotRead(path, SystemError::FileReason(file));
    return bytes;
}

QStringList ReadLines(const QString& path)
{
    const QByteArray bytes = ReadBytes(path);
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool last = end < 0;
        if (last)
            end = bytes.size();
        qsizetype stop = end;
        if (!last && stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines << cp1250::toUnicode(QByteArrayView(bytes).sliced(start, stop - start));
        start = end + 1;
    }
    return lines;
}

void WriteLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += cp1250::fromUnicode(line);
        bytes += "\r\n";
    }
    // Written beside the old file and renamed over it, so that a full disk
    // never leaves half a file behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitSaveFile(file))
        throw FileError::cannotWrite(path, SystemError::FileReason(file));
}

} // namespace textfile
