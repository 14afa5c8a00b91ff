#include "SzukajDaty/szukajdaty.h"

#include "SzukajDaty/pagelinesplit.h"
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

// One year's search, fed line by line.
class YearSearch
{
public:
    explicit YearSearch(int year)
        : m_floor(datevalue::fromDate(QDate(year, 1, 1))), m_best(m_floor), m_yearDigits(QByteArray::number(year))
    {
    }

    void line(QByteArrayView line)
    {
        const QByteArray text = NormalizeDateLine(line);
        // Only a line that holds the year can hold one of its dates.
        if (text.isEmpty() || !text.contains(m_yearDigits))
            return;
        for (std::size_t kind = 0; kind < kScanKinds.size(); ++kind) {
            const DateScan scan = kScanKinds[kind].scan(text, kScanKinds[kind].separator, m_best);
            if (scan.found)
                m_found[kind] = true;
            if (scan.date > m_best)
                m_best = scan.date;
        }
    }

    bool finish(double& date) const
    {
        date = qMax(m_best, m_floor);
        return std::find(m_found.begin(), m_found.end(), true) != m_found.end();
    }

private:
    double m_floor;
    double m_best;
    QByteArray m_yearDigits;
    std::array<bool, kScanKinds.size()> m_found{};
};

template <typename InYear>
bool findNewest(int yearsBack, double& date, InYear inYear)
{
    date = 0;
    const int currentYear = Clock::now().date().year();
    bool found = false;
    for (int back = 0; back <= yearsBack; ++back) {
        found = inYear(currentYear - back, date);
        if (found)
            break;
    }
    return found;
}

} // namespace

bool FindDateInYear(const QList<QByteArray>& lines, int year, double& date)
{
    YearSearch search(year);
    for (const QByteArray& line : lines)
        search.line(line);
    return search.finish(date);
}

bool FindDateInYearInPage(QByteArrayView page, int year, double& date)
{
    YearSearch search(year);
    ForEachPageLine(page, [&search](QByteArrayView line) { search.line(line); });
    return search.finish(date);
}

bool FindNewestDate(const QList<QByteArray>& lines, int yearsBack, double& date)
{
    return findNewest(yearsBack, date, [&lines](int year, double& d) { return FindDateInYear(lines, year, d); });
}

bool FindNewestDateInPage(QByteArrayView page, int yearsBack, double& date)
{
    return findNewest(yearsBack, date, [page](int year, double& d) { return FindDateInYearInPage(page, year, d); });
}
