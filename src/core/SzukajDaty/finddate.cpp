#include "SzukajDaty/pagelinesplit.h"
#include "SzukajDaty/scanyearkeyed.h"
#include "SzukajDaty/szukajdaty.h"
#include "platform/clock.h"
#include "text/datevalue.h"

#include <QDate>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// Bytes that the preparation and the normalisation may take out from
// between two digits: blanks (a no-break space of UTF-8 is C2 A0).
bool mayVanish(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || u == 0xA0 || u == 0xC2;
}

// Whether the line, read without its blanks, may hold the four digits of
// the year. The preparation turns blanks into spaces, the normalisation
// removes those, lower-casing leaves digits alone, and a month name becomes
// "-MM-" between dashes, which can neither make nor break a run of four
// digits: so without preparing or normalising this tells whether the line
// can hold the year. Most lines of a page do not, and they cost no more than
// this look.
bool holdsYear(QByteArrayView line, const char (&digits)[4])
{
    const char* p = line.data();
    const char* const end = p + line.size();
    while (p < end) {
        p = static_cast<const char*>(std::memchr(p, digits[0], static_cast<size_t>(end - p)));
        if (!p)
            return false;
        const char* q = p + 1;
        int matched = 1;
        while (matched < 4 && q < end) {
            if (mayVanish(*q)) {
                ++q;
                continue;
            }
            if (*q != digits[matched])
                break;
            ++q;
            ++matched;
        }
        if (matched == 4)
            return true;
        ++p;
    }
    return false;
}

// One year's search, fed line by line. The keys of the six scans and the
// moment that makes a date past are worked out once for the whole search.
class YearSearch
{
public:
    explicit YearSearch(int year)
        : m_floor(datevalue::fromDate(QDate(year, 1, 1))), m_best(m_floor),
          m_now(datevalue::fromDateTime(Clock::now())), m_yearDigits(QByteArray::number(year))
    {
        m_searchable = m_yearDigits.size() == 4;
        if (m_searchable)
            std::memcpy(m_digits, m_yearDigits.constData(), 4);
        // Always in this order; every scan of a line starts from the same text.
        const char separators[3] = {'-', '.', '/'};
        for (int i = 0; i < 3; ++i) {
            m_keys[2 * i] = m_yearDigits + separators[i];     // year first
            m_keys[2 * i + 1] = separators[i] + m_yearDigits; // year last
        }
    }

    void line(QByteArrayView line)
    {
        if (m_searchable && !holdsYear(line, m_digits))
            return;
        const QByteArray text = NormalizeDateLine(PrepareDateLine(line));
        // Only a line that holds the year can hold one of its dates, and
        // only a scan whose key it holds can find one.
        const unsigned kinds = kindsIn(text);
        if (kinds == 0)
            return;
        for (std::size_t kind = 0; kind < m_keys.size(); ++kind) {
            if (!(kinds & (1u << kind)))
                continue; // the scan would find no candidate
            const DateScan scan = kind % 2 == 0
                                      ? ScanYearFirstKeyed(text, m_keys[kind], m_best, m_now)
                                      : ScanYearLastKeyed(text, m_keys[kind], m_best, m_now);
            if (scan.found)
                m_found[kind] = true;
            if (scan.ahead > 0 && (m_ahead == 0 || scan.ahead < m_ahead))
                m_ahead = scan.ahead;
            if (scan.date > m_best)
                m_best = scan.date;
        }
    }

    bool finish(double& date) const
    {
        date = qMax(m_best, m_floor);
        return std::find(m_found.begin(), m_found.end(), true) != m_found.end();
    }

    double earliestAhead() const { return m_ahead; }

private:
    // Which of the six keys the text holds, as bits in the order of
    // m_keys: one walk over the year's places instead of a search per key.
    unsigned kindsIn(QByteArrayView text) const
    {
        static constexpr char kSeparators[3] = {'-', '.', '/'};
        unsigned kinds = 0;
        const qsizetype n = m_yearDigits.size();
        const char* const begin = text.data();
        const char* const end = begin + text.size();
        for (const char* p = begin; n > 0 && end - p >= n; ++p) {
            p = static_cast<const char*>(std::memchr(p, m_yearDigits[0], size_t(end - p - n + 1)));
            if (!p)
                break;
            if (std::memcmp(p, m_yearDigits.constData(), size_t(n)) != 0)
                continue;
            for (unsigned i = 0; i < 3; ++i) {
                if (p + n < end && p[n] == kSeparators[i])
                    kinds |= 1u << (2 * i); // year first
                if (p > begin && p[-1] == kSeparators[i])
                    kinds |= 1u << (2 * i + 1); // year last
            }
        }
        return kinds;
    }

    double m_floor;
    double m_best;
    double m_now;
    double m_ahead = 0;
    QByteArray m_yearDigits;
    char m_digits[4] = {};
    bool m_searchable = false;
    std::array<QByteArray, 6> m_keys;
    std::array<bool, 6> m_found{};
};

template <typename InYear> bool findNewest(int yearsBack, double& date, InYear inYear)
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

struct NewestDateSearch::Years
{
    std::vector<YearSearch> searches; // this year first
};

NewestDateSearch::NewestDateSearch(int yearsBack) : m_years(std::make_unique<Years>())
{
    const int currentYear = Clock::now().date().year();
    m_years->searches.reserve(size_t(qMax(0, yearsBack) + 1));
    for (int back = 0; back <= yearsBack; ++back)
        m_years->searches.emplace_back(currentYear - back);
}

NewestDateSearch::~NewestDateSearch() = default;

void NewestDateSearch::line(QByteArrayView line)
{
    for (YearSearch& search : m_years->searches)
        search.line(line);
}

bool NewestDateSearch::finish(double& date) const
{
    date = 0;
    for (const YearSearch& search : m_years->searches)
        if (search.finish(date))
            return true;
    return false;
}

double NewestDateSearch::earliestAhead() const
{
    double ahead = 0;
    for (const YearSearch& search : m_years->searches) {
        const double a = search.earliestAhead();
        if (a > 0 && (ahead == 0 || a < ahead))
            ahead = a;
    }
    return ahead;
}

bool FindNewestDate(const QList<QByteArray>& lines, int yearsBack, double& date)
{
    return findNewest(yearsBack, date,
                      [&lines](int year, double& d) { return FindDateInYear(lines, year, d); });
}

bool FindNewestDateInPage(QByteArrayView page, int yearsBack, double& date)
{
    return findNewest(yearsBack, date,
                      [page](int year, double& d) { return FindDateInYearInPage(page, year, d); });
}
