#include "baza/rowcolours.h"

namespace baza {

ColorValue HexToColor(const QString& text)
{
    const int r = text.mid(0, 2).toInt(nullptr, 16);
    const int g = text.mid(2, 2).toInt(nullptr, 16);
    const int b = text.mid(4, 2).toInt(nullptr, 16);
    return Rgb(r, g, b);
}

std::optional<ColorValue> RowColour(int kod)
{
    switch (kod) {
    case 1: return Rgb(192, 192, 192);
    case 2: return Rgb(160, 160, 164);
    case 3: return Rgb(128, 128, 128);
    case 4: return HexToColor(QStringLiteral("FFCC66"));
    case 5: return HexToColor(QStringLiteral("E97451"));
    default: return std::nullopt;
    }
}

TitleColour NextTitleColour(TitleColour current)
{
    return current == TitleColour::Blue ? TitleColour::Red : TitleColour::Blue;
}

} // namespace baza
