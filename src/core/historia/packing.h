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

// The same over bytes that come in pieces. Throws HistoryError when the
// digest cannot be made.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void add(QByteArrayView bytes);
    QString hex(); // ends the digest
private:
    void* m_context; // EVP_MD_CTX
};

} // namespace historia
