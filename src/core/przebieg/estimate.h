#pragma once

#include <QtGlobal>
#include <optional>

namespace przebieg {

// Remaining time of a run, in milliseconds, after `elapsedMs` spent on the
// first g of n records (record g counted as done): the elapsed time scaled
// by the share left. Nothing when it cannot be told (no record done yet, a
// negative elapsed time).
std::optional<qint64> RemainingMs(int g, int n, qint64 elapsedMs);

// The remaining time as the label shows it: a time of day, so a day or more
// shows only its part below 24 hours.
qint64 WithinOneDay(qint64 ms);

} // namespace przebieg
