#include "historia/packing.h"

#include "historia/historyerror.h"

#include <QCryptographicHash>
#include <QString>

#include <zlib.h>

namespace historia {

QByteArray Pack(QByteArrayView bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    // Level 6 packs municipal pages to a fifth at a fraction of a
    // millisecond; higher levels buy little.
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  uLong(bytes.size()), 6) != Z_OK)
        throw HistoryError(QStringLiteral("nie można spakować tekstu strony"));
    out.resize(qsizetype(size));
    return out;
}

QByteArray Unpack(QByteArrayView packed, qint64 expectedSize)
{
    z_stream s{};
    if (inflateInit(&s) != Z_OK)
        throw HistoryError(QStringLiteral("nie można rozpakować zapisanej wersji"));
    QByteArray out;
    out.reserve(expectedSize > 0 ? qsizetype(expectedSize) : qsizetype(packed.size()) * 4 + 64);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    s.avail_in = uInt(packed.size());
    char buffer[65536];
    int rc = Z_OK;
    do {
        s.next_out = reinterpret_cast<Bytef*>(buffer);
        s.avail_out = sizeof buffer;
        rc = inflate(&s, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            inflateEnd(&s);
            throw HistoryError(QStringLiteral("zapisana wersja strony jest uszkodzona"), true);
        }
        out.append(buffer, qsizetype(sizeof buffer - s.avail_out));
    } while (rc != Z_STREAM_END && (s.avail_in > 0 || s.avail_out == 0));
    inflateEnd(&s);
    if (rc != Z_STREAM_END)
        throw HistoryError(QStringLiteral("zapisana wersja strony jest uszkodzona"), true);
    return out;
}

QString Sha256Hex(QByteArrayView bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace historia
