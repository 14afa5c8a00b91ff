#pragma once

#include <QByteArray>
#include <QString>

// The program's "trimmed text": every leading and trailing character with a
// code of 32 or less removed (blanks, tabs, line breaks, other controls).
// QString::trimmed() is not the same: it keeps most controls and drops
// Unicode blanks above 32.
QString TrimmedText(QStringView text);
QByteArray TrimmedBytes(QByteArrayView bytes);
