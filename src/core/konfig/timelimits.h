#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The choices of "Maksymalny czas kontroli jednej strony": the list's items
// in order (their index is what config.ini stores) and their seconds.
namespace konfig {

struct TimeLimit
{
    int seconds;
    const char16_t* label;
};

inline constexpr std::array<TimeLimit, 5> kTimeLimits{{
    {30, u"30 sek"},
    {60, u"1 min"},
    {120, u"2 min"},
    {180, u"3 min"},
    {300, u"5 min"},
}};

inline constexpr int TimeLimitCount()
{
    return int(kTimeLimits.size());
}

// Seconds of the item at index; 0 (no limit) for no item or any other index.
inline constexpr int TimeLimitSeconds(int index)
{
    return index >= 0 && index < TimeLimitCount() ? kTimeLimits[size_t(index)].seconds : 0;
}

// Index of the item with these seconds, -1 when there is none.
inline int TimeLimitIndexOfSeconds(int seconds)
{
    for (int i = 0; i < TimeLimitCount(); ++i)
        if (kTimeLimits[size_t(i)].seconds == seconds)
            return i;
    return -1;
}

inline QStringList TimeLimitLabels()
{
    QStringList labels;
    for (const TimeLimit& limit : kTimeLimits)
        labels << QString::fromUtf16(limit.label);
    return labels;
}

} // namespace konfig
