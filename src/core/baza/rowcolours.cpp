#include "baza/rowcolours.h"

namespace baza {

ColorValue HexToColor(const QString& text)
{
    const int r = text.mid(0, 2).toInt(nullptr, 16);
    const int g = text.mid(2, 2).toInt(nullptr, 16);
    const int b = text.mid(4, 2).toInt(nullptr, 16);
    return Rgb(r, g, b);
}

TitleColour NextTitleColour(TitleColour current)
{
    return current == TitleColour::Blue ? TitleColour::Red : TitleColour::Blue;
}

} // namespace baza
