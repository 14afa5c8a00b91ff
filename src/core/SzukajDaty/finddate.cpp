#include "SzukajDaty/szukajdaty.h"

#include "platform/clock.h"
#include "text/datevalue.h"

#include <QDate>

#include <algorithm>
#include <array>

namespace {

using Scan = DateScan (*)(QByteArrayView, char, double);

struct ScanKind
{
    char separator;
    Scan scan;
};

// Always in this order; every scan of a line starts from the same text.
const std::array<ScanKind, 6> kScanKinds = {{
    {'-', ScanYearFirst},
    {'-', ScanYearLast},
    {'.', ScanYearFirst},
    {'.', ScanYearLast},
    {'/', ScanYearFirst},
    {'/', ScanYearLast},
}};

} // namespace

bool FindDateInYear(const QList<QByteArray>& lines, int year, double& date)
{
    const double floor = datevalue::fromDate(QDate(year, 1, 1));
    double best = floor;
    std::array<bool, kScanKinds.size()> found{};
    const QByteArray yearDigits = QByteArray::number(year);

    for (const QByteArray& line : lines) {
        const QByteArray text = NormalizeDateLine(line);
        // Only a line that holds the year can hold one of its dates.
        if (text.isEmpty() || !text.contains(yearDigits))
            continue;
        for (std::size_t kind = 0; kind < kScanKinds.size(); ++kind) {
            const DateScan scan = kScanKinds[kind].scan(text, kScanKinds[kind].separator, best);
            if (scan.found)
                found[kind] = true;
            if (scan.date > best)
                best = scan.date;
        }
    }
    date = qMax(best, floor);
    return std::find(found.begin(), found.end(), true) != found.end();
}

bool FindNewestDate(const QList<QByteArray>& lines, int yearsBack, double& date)
{
    date = 0;
    const int currentYear = Clock::now().date().year();
    bool found = false;
    for (int back = 0; back <= yearsBack; ++back) {
        found = FindDateInYear(lines, currentYear - back, date);
        if (found)
            break;
    }
    return found;
}
