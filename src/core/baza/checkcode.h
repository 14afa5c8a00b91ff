#pragma once

#include "baza/rowcolours.h"

#include <QString>

#include <optional>
#include <span>

namespace baza {

// The value of kod: a check's verdict, and for 1 to 3 also the priority mark
// set by hand. The register and the page history store the number.
enum class CheckCode : int {
    Unchanged = 0,
    SizeChanged = 1,
    RowsChanged = 2,
    NewDate = 3,
    TimedOut = 4,
    ReadError = 5,
};

// What one value shows, wherever it is shown. The short text names the
// verdict of a check (the history window, the e-mail, the legend's swatch);
// the long text says everything the value may mean, hand marks included
// (the legend's hint, the grid's hint, the filter, the feed). The short text
// is always part of the long one, so that a word seen in one place finds
// the rows in the filter.
struct CheckCodeLook
{
    CheckCode code;
    std::optional<ColorValue> colour; // none: the grid's own background
    QString shortText;
    QString longText;
};

// The one table, by value from 0 to 5.
std::span<const CheckCodeLook> CheckCodeTable();

// nullopt for a stored number that is no kod.
std::optional<CheckCode> CheckCodeOf(int stored);
const CheckCodeLook& LookOf(CheckCode code);

// By the stored number. An unknown number shows no colour, its digits as
// the short text and no long text.
std::optional<ColorValue> KodColour(int stored);
QString KodShortText(int stored);
QString KodLongText(int stored);

} // namespace baza
