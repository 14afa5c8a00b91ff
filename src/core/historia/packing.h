#pragma once

#include <QByteArray>

// Stored text and bodies are zlib streams (RFC 1950), so that any zlib tool
// can read them out of historia.sqlite.
namespace historia {

QByteArray Pack(QByteArrayView bytes);
// The unpacked bytes; expectedSize (when known, else -1) sizes the buffer.
// Throws HistoryError for a damaged stream.
QByteArray Unpack(QByteArrayView packed, qint64 expectedSize = -1);

// SHA-256 of the bytes, 64 lower-case hex digits.
QString Sha256Hex(QByteArrayView bytes);

} // namespace historia
