#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A downloaded page as lines of raw bytes: the bytes up to the first NUL
// (the rest is ignored), split at CR LF, at a lone CR and at a lone LF. A
// last line without a break counts; a break at the very end adds no empty
// line. An empty page, or one starting with NUL, has no lines.
QList<QByteArray> PageLines(QByteArrayView bytes);

// The lines of a file; throws FileError when it cannot be read.
QList<QByteArray> ReadPageLines(const QString& path);

// Length in bytes of the page text: every line followed by CR LF (the "tag"
// measure of a record).
qint64 PageTextLength(const QList<QByteArray>& lines);

// Line count and text length of a page straight from its bytes, without
// making the lines: the same figures as PageLines and PageTextLength.
struct PageShape
{
    qint64 lineCount = 0;
    qint64 textLength = 0;
};
PageShape PageShapeOf(QByteArrayView bytes);
