#include "text/cp1250.h"

#include <algorithm>
#include <array>

namespace cp1250 {
namespace {

// Upper half of the code page. The five bytes that Windows leaves undefined
// (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 code point of the same value,
// as Windows itself does, so that every byte survives a round trip.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

struct Tables {
    std::array<unsigned char, 256> lower{};
    // Reverse lookup for the characters above U+007F.
    std::array<std::pair<char16_t, unsigned char>, 128> reverse{};

    Tables()
    {
        for (int b = 0; b < 256; ++b)
            lower[b] = static_cast<unsigned char>(b);
        for (int b = 'A'; b <= 'Z'; ++b)
            lower[b] = static_cast<unsigned char>(b + 32);
        // Capitals of the upper half and their small letters.
        const unsigned char pairs[][2] = {
            {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F},
            {0xA3, 0xB3}, {0xA5, 0xB9}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xBC, 0xBE},
        };
        for (const auto& p : pairs)
            lower[p[0]] = p[1];
        for (int b = 0xC0; b <= 0xDE; ++b)
            if (b != 0xD7)
                lower[b] = static_cast<unsigned char>(b + 0x20);

        for (int i = 0; i < 128; ++i)
            reverse[i] = {kUpperHalf[i], static_cast<unsigned char>(0x80 + i)};
        std::sort(reverse.begin(), reverse.end());
    }

    int encode(char16_t c) const
    {
        if (c < 0x80)
            return c;
        auto it = std::lower_bound(reverse.begin(), reverse.end(), std::pair<char16_t, unsigned char>{c, 0});
        if (it != reverse.end() && it->first == c)
            return it->second;
        return -1;
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

QString toUnicode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = b < 0x80 ? QChar(char16_t(b)) : QChar(kUpperHalf[b - 0x80]);
    }
    return out;
}

QString toUnicode(char byte)
{
    return toUnicode(QByteArrayView(&byte, 1));
}

QByteArray fromUnicode(QStringView text)
{
    const Tables& t = tables();
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = t.encode(text[i].unicode());
        out[i] = b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

bool canEncode(QStringView text)
{
    const Tables& t = tables();
    for (QChar c : text)
        if (t.encode(c.unicode()) < 0)
            return false;
    return true;
}

char toLower(char byte)
{
    return static_cast<char>(tables().lower[static_cast<unsigned char>(byte)]);
}

QByteArray toLower(QByteArrayView bytes)
{
    const auto& lower = tables().lower;
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(lower[static_cast<unsigned char>(bytes[i])]);
    return out;
}

} // namespace cp1250
