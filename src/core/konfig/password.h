#pragma once

#include <QByteArray>
#include <QString>

// The FTP password in config.ini is scrambled, not encrypted: it only keeps
// the password from being read at a glance.
namespace konfig {

// Every Windows-1250 byte XOR its position counted from 1, reduced to 8
// bits (the 256th byte with 0). Applying it twice gives the text back.
QByteArray ScramblePasswordBytes(QByteArrayView bytes);
QString ScramblePassword(const QString& text);

// The "pass" value as it goes into config.ini. Normally the scrambled bytes
// as they are, as the file has always held them. A scrambled form that the
// file cannot carry unchanged (a line break or NUL anywhere, blanks,
// controls or quotes at either end) is stored as kHexMarker followed by the
// scrambled bytes in hexadecimal instead. The marker unscrambles to two
// bytes that Windows-1250 leaves undefined, which no typed password starts
// with, so no file from before holds it; a scrambled form that happens to
// start with it is stored in hexadecimal as well.
inline constexpr char kHexMarker[] = "\x80\x8A";

QByteArray StoredPassword(const QString& password);
QString PasswordFromStored(QByteArrayView stored);

} // namespace konfig
