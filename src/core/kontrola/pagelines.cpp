#include "kontrola/pagelines.h"

#include "text/textfile.h"


QList<QByteArray> PageLines(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);

    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype end = bytes.size();
    while (start < end) {
        qsizetype at = start;
        while (at < end && bytes[at] != '\r' && bytes[at] != '\n')
            ++at;
        lines.append(bytes.sliced(start, at - start).toByteArray());
        if (at < end && bytes[at] == '\r' && at + 1 < end && bytes[at + 1] == '\n')
            at += 2;
        else if (at < end)
            ++at;
        start = at;
    }
    return lines;
}

QList<QByteArray> ReadPageLines(const QString& path)
{
    return PageLines(textfile::ReadBytes(path));
}

qint64 PageTextLength(const QList<QByteArray>& lines)
{
    qint64 length = 0;
    for (const QByteArray& line : lines)
        length += line.size() + 2;
    return length;
}
