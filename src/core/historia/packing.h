#pragma once

#include <QByteArray>

// Stored text and bodies are zlib streams (RFC 1950), so that any zlib tool
// can read them out of historia.sqlite.
namespace historia {

QByteArray Pack(QByteArrayView bytes);

// The unpacked bytes, never more than limit of them: a stream that would
// unpack to more (a few megabytes of zlib can stand for gigabytes) is
// stopped there. Throws HistoryError(damaged) for a broken stream and for
// one that breaks the limit; with exactSize, also for one that ends short
// of it (a body must give back the size stored beside it).
enum class UnpackedSize { AtMost, Exactly };
QByteArray Unpack(QByteArrayView packed, qint64 limit, UnpackedSize exactSize = UnpackedSize::AtMost);

// What a stored version may unpack to. Every body went in under the page
// cap and its size is stored beside it; its visible text, in UTF-8, is at
// most three bytes for each byte of the body (a Windows-1250 letter or an
// unreadable byte becomes up to three), plus a little for what the text
// adds (line ends).
qint64 StoredBodyLimit(qint64 storedSize); // -1 when the stored size itself is impossible
qint64 StoredTextLimit(qint64 storedSize);

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
