#include "baza/checkcode.h"

#include <array>

namespace baza {
namespace {

const std::array<CheckCodeLook, 6>& table()
{
    static const std::array<CheckCodeLook, 6> looks{{
        {CheckCode::Unchanged, std::nullopt, QStringLiteral("bez zmian"),
         QStringLiteral("strona bez zmian albo rekord nieoznaczony")},
        {CheckCode::SizeChanged, Rgb(192, 192, 192), QStringLiteral("zmiana rozmiaru"),
         QStringLiteral("zmiana rozmiaru strony; ręcznie: priorytet niski")},
        {CheckCode::RowsChanged, Rgb(160, 160, 164), QStringLiteral("zmiana liczby wierszy"),
         QStringLiteral("zmiana liczby wierszy; ręcznie: priorytet średni")},
        {CheckCode::NewDate, Rgb(128, 128, 128), QStringLiteral("nowa data"),
         QStringLiteral("nowa data na stronie; ręcznie: priorytet wysoki")},
        {CheckCode::TimedOut, HexToColor(QStringLiteral("FFCC66")), QStringLiteral("przekroczony czas"),
         QStringLiteral("przekroczony czas kontroli strony")},
        {CheckCode::ReadError, HexToColor(QStringLiteral("E97451")), QStringLiteral("błąd odczytu"),
         QStringLiteral("błąd odczytu strony")},
    }};
    return looks;
}

} // namespace

std::span<const CheckCodeLook> CheckCodeTable()
{
    return table();
}

std::optional<CheckCode> CheckCodeOf(int stored)
{
    if (stored < 0 || stored >= int(table().size()))
        return std::nullopt;
    return CheckCode(stored);
}

const CheckCodeLook& LookOf(CheckCode code)
{
    return table()[size_t(code)];
}

std::optional<ColorValue> KodColour(int stored)
{
    const auto code = CheckCodeOf(stored);
    return code ? LookOf(*code).colour : std::nullopt;
}

QString KodShortText(int stored)
{
    const auto code = CheckCodeOf(stored);
    return code ? LookOf(*code).shortText : QString::number(stored);
}

QString KodLongText(int stored)
{
    const auto code = CheckCodeOf(stored);
    return code ? LookOf(*code).longText : QString();
}

} // namespace baza
