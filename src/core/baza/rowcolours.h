#pragma once

#include <QString>

namespace baza {

// A Windows colour value: red in the low byte, blue in the high byte.
using ColorValue = quint32;

inline constexpr ColorValue Rgb(int r, int g, int b)
{
    return ColorValue(r) | (ColorValue(g) << 8) | (ColorValue(b) << 16);
}
inline constexpr int RedOf(ColorValue c) { return int(c & 0xFF); }
inline constexpr int GreenOf(ColorValue c) { return int((c >> 8) & 0xFF); }
inline constexpr int BlueOf(ColorValue c) { return int((c >> 16) & 0xFF); }

// Six hexadecimal digits RRGGBB to a colour value.
ColorValue HexToColor(const QString& text);

// Title colours of the sort: the first click sorts ascending (blue), the
// next descending (red), and so on.
enum class TitleColour { Default, Blue, Red };
TitleColour NextTitleColour(TitleColour current);
inline bool IsDescending(TitleColour c) { return c == TitleColour::Red; }

} // namespace baza
