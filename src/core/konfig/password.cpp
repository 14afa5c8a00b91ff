#include "konfig/password.h"

#include "text/cp1250.h"

namespace konfig {
namespace {

constexpr QByteArrayView marker()
{
    return QByteArrayView(kHexMarker, sizeof kHexMarker - 1);
}

bool unsafeAtEnd(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return b <= 32 || b == '"' || b == '\'';
}

bool carriedUnchanged(QByteArrayView scrambled)
{
    if (scrambled.isEmpty())
        return true;
    if (scrambled.contains('\r') || scrambled.contains('\n') || scrambled.contains('\0'))
        return false;
    if (unsafeAtEnd(scrambled.front()) || unsafeAtEnd(scrambled.back()))
        return false;
    return !scrambled.startsWith(marker());
}

bool isHex(QByteArrayView text)
{
    if (text.size() % 2 != 0)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

QByteArray ScramblePasswordBytes(QByteArrayView bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = char(static_cast<unsigned char>(bytes[i]) ^ static_cast<unsigned char>(i + 1));
    return out;
}

QString ScramblePassword(const QString& text)
{
    return cp1250::toUnicode(ScramblePasswordBytes(cp1250::fromUnicode(text)));
}

QByteArray StoredPassword(const QString& password)
{
    const QByteArray scrambled = ScramblePasswordBytes(cp1250::fromUnicode(password));
    if (carriedUnchanged(scrambled))
        return scrambled;
    return marker().toByteArray() + scrambled.toHex().toUpper();
}

QString PasswordFromStored(QByteArrayView stored)
{
    if (stored.startsWith(marker())) {
        const QByteArrayView hex = stored.sliced(marker().size());
        if (isHex(hex))
            return cp1250::toUnicode(ScramblePasswordBytes(QByteArray::fromHex(hex.toByteArray())));
    }
    return cp1250::toUnicode(ScramblePasswordBytes(stored));
}

} // namespace konfig
