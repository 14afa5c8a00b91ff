#include "kontrola/pagelines.h"

#include "SzukajDaty/pagelinesplit.h"
#include "text/textfile.h"

QList<QByteArray> PageLines(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    ForEachPageLine(bytes, [&lines](QByteArrayView line) { lines.append(line.toByteArray()); });
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

PageShape PageShapeOf(QByteArrayView bytes)
{
    PageShape shape;
    ForEachPageLine(bytes, [&shape](QByteArrayView line) {
        ++shape.lineCount;
        shape.textLength += line.size() + 2;
    });
    return shape;
}
