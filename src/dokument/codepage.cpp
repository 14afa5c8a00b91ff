#include "codepage.h"

#include "text/cp1250.h"

namespace dokument {

namespace {

// Windows-1252 from 0x80 to 0x9F; the rest is Latin-1. Unassigned bytes
// give U+FFFD.
constexpr char16_t k1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

} // namespace

QChar FromCodePage(int codePage, unsigned char byte)
{
    if (byte < 0x80)
        return QChar(char16_t(byte));
    if (codePage == 1250)
        return cp1250::toUnicode(char(byte)).at(0);
    if (byte < 0xA0)
        return QChar(k1252High[byte - 0x80]);
    return QChar(char16_t(byte));
}

} // namespace dokument
