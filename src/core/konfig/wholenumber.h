#pragma once

#include <QStringView>

#include <optional>

namespace konfig {

// A whole decimal number as the settings take it: an optional sign and
// digits, nothing else, within the range of int. Anything else (blanks,
// digit grouping, "abc", an empty text) is no number.
std::optional<int> WholeNumber(QStringView text);

} // namespace konfig
