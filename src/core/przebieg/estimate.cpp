#include "przebieg/estimate.h"

#include <cmath>

namespace przebieg {

std::optional<qint64> RemainingMs(int g, int n, qint64 elapsedMs)
{
    if (g <= 0 || n <= 0 || elapsedMs < 0)
        return std::nullopt;
    const double p = double(qint64(g) * 100) / n;
    const double done = p * 1 / 100;
    const double left = 1 - done;
    const double remaining = double(elapsedMs) * left / done;
    if (!std::isfinite(remaining) || remaining < 0)
        return std::nullopt;
    return qint64(std::llround(remaining));
}

qint64 WithinOneDay(qint64 ms)
{
    return ms % 86400000;
}

} // namespace przebieg
