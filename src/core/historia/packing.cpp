#include "historia/packing.h"

#include "historia/historyerror.h"
#include "kontrola/downloadpage.h"

#include <QString>

#include <openssl/evp.h>
#include <zlib.h>

namespace historia {

QByteArray Pack(QByteArrayView bytes)
{
    z_stream z{};
    // Level 6 packs municipal pages to a fifth at a fraction of a
    // millisecond; higher levels buy little.
    if (deflateInit(&z, 6) != Z_OK)
        throw HistoryError(QStringLiteral("nie można spakować tekstu strony"));
    // Grown as the packed bytes come, not sized for the worst case up
    // front: a large page packs to a small part of itself.
    QByteArray out;
    out.reserve(qsizetype(qMin<qint64>(deflateBound(&z, uLong(bytes.size())), 64 * 1024)));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = uInt(bytes.size());
    char buffer[65536];
    int rc = Z_OK;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = deflate(&z, Z_FINISH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            deflateEnd(&z);
            throw HistoryError(QStringLiteral("nie można spakować tekstu strony"));
        }
        out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
    } while (rc != Z_STREAM_END);
    deflateEnd(&z);
    return out;
}

QByteArray Unpack(QByteArrayView packed, qint64 limit, UnpackedSize exactSize)
{
    const auto damaged = [] {
        return HistoryError(QStringLiteral("zapisana wersja strony jest uszkodzona"), true);
    };
    if (limit < 0)
        throw damaged();
    z_stream s{};
    if (inflateInit(&s) != Z_OK)
        throw HistoryError(QStringLiteral("nie można rozpakować zapisanej wersji"));
    QByteArray out;
    // Sized for what is expected, but never trusting a stored size beyond
    // what the packed bytes could sensibly stand for.
    const qint64 guess = exactSize == UnpackedSize::Exactly ? limit : qint64(packed.size()) * 4 + 64;
    out.reserve(qsizetype(qMin(guess, limit)));
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    s.avail_in = uInt(packed.size());
    char buffer[65536];
    int rc = Z_OK;
    do {
        s.next_out = reinterpret_cast<Bytef*>(buffer);
        s.avail_out = sizeof buffer;
        rc = inflate(&s, Z_NO_FLUSH);
        const qint64 got = qint64(sizeof buffer - s.avail_out);
        if ((rc != Z_OK && rc != Z_STREAM_END) || qint64(out.size()) + got > limit) {
            inflateEnd(&s);
            throw damaged();
        }
        out.append(buffer, qsizetype(got));
    } while (rc != Z_STREAM_END && (s.avail_in > 0 || s.avail_out == 0));
    inflateEnd(&s);
    if (rc != Z_STREAM_END || (exactSize == UnpackedSize::Exactly && qint64(out.size()) != limit))
        throw damaged();
    return out;
}

qint64 StoredBodyLimit(qint64 storedSize)
{
    return storedSize >= 0 && storedSize <= kMaxPageBytes ? storedSize : -1;
}

qint64 StoredTextLimit(qint64 storedSize)
{
    const qint64 body = StoredBodyLimit(storedSize);
    return body < 0 ? -1 : 3 * body + 4096;
}

// OpenSSL's SHA-256 uses the processor's own instructions where it has
// them: about ten times as fast as Qt's on the same machine, which counts
// for a run of large pages.
Sha256::Sha256() : m_context(EVP_MD_CTX_new())
{
    if (!m_context || EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(m_context), EVP_sha256(), nullptr) != 1)
        throw HistoryError(QStringLiteral("nie można policzyć skrótu SHA-256"));
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(m_context));
}

void Sha256::add(QByteArrayView bytes)
{
    if (EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(m_context), bytes.data(), size_t(bytes.size())) != 1)
        throw HistoryError(QStringLiteral("nie można policzyć skrótu SHA-256"));
}

QString Sha256::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(m_context), digest, &length) != 1)
        throw HistoryError(QStringLiteral("nie można policzyć skrótu SHA-256"));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}

QString Sha256Hex(QByteArrayView bytes)
{
    Sha256 sha;
    sha.add(bytes);
    return sha.hex();
}

} // namespace historia
