#include "text/datevalue.h"

#include <cmath>

namespace datevalue {

QDate epoch()
{
    return QDate(1899, 12, 30);
}

double fromDate(const QDate& date)
{
    if (!date.isValid())
        return kZeroDate;
    return static_cast<double>(epoch().daysTo(date));
}

double fromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return kZeroDate;
    const double days = fromDate(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction counts away from day 0, as in the
    // Windows date encoding; the program never meets such dates in practice.
    return days >= 0 ? days + fraction : days - fraction;
}

QDate toDate(double value)
{
    return epoch().addDays(static_cast<qint64>(std::trunc(value)));
}

QDateTime toDateTime(double value)
{
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    const int msecs = static_cast<int>(std::llround(fraction * 86400000.0));
    QDateTime result(toDate(value), QTime(0, 0));
    return result.addMSecs(msecs);
}

double dayOf(double value)
{
    return std::trunc(value);
}

} // namespace datevalue
