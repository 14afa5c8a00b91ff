#pragma once

#include <QByteArray>
#include <QString>

// Windows-1250, the single-byte code page of every file the program keeps
// (baza.dbf, config.ini, wykaz.txt, reports). Text is QString inside the
// program and becomes these bytes only at the files.
namespace cp1250 {

QString toUnicode(QByteArrayView bytes);
QString toUnicode(char byte);

// Characters that the code page cannot carry become '?'.
QByteArray fromUnicode(QStringView text);

// True when every character of the text has a byte in the code page.
bool canEncode(QStringView text);

// Lower-casing by the rules of the code page: ASCII and the Polish (and other
// Central European) capitals; every other byte stays as it is.
char toLower(char byte);
QByteArray toLower(QByteArrayView bytes);

} // namespace cp1250
