#pragma once

#include <QString>
#include <QStringList>

// Text files of the program: Windows-1250 bytes, every line ended by CR LF.
namespace textfile {

// The whole file as bytes. Throws FileError.
QByteArray ReadBytes(const QString& path);

// A line may end with CR LF or with LF alone; a final line without a break
// counts too. Throws FileError.
QStringList ReadLines(const QString& path);

// Replaces the file; CR LF after every line (the last one too). Throws FileError.
void WriteLines(const QString& path, const QStringList& lines);

} // namespace textfile
