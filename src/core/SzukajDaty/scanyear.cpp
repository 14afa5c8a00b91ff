#include "SzukajDaty/scanyearkeyed.h"
#include "SzukajDaty/szukajdaty.h"
#include "platform/clock.h"
#include "text/datevalue.h"

namespace {

constexpr qsizetype kCandidateLength = 10;
// Characters of a year-last candidate before its key: "dd-mm" of "dd-mm-yyyy".
constexpr qsizetype kBeforeYearLast = 5;

// Up to and including yesterday; today, with its time of day, never counts.
bool isPastDate(double date, double now)
{
    return date > 0 && date < now - 1;
}

QByteArray yearText(double best)
{
    return QByteArray::number(datevalue::toDate(best).year());
}

DateScan consider(DateScan scan, double candidateDate, double now)
{
    if (isPastDate(candidateDate, now)) {
        // One past date on the line marks it, whatever the candidates after it.
        scan.found = true;
        if (candidateDate > scan.date)
            scan.date = candidateDate;
    } else if (candidateDate > 0 && (scan.ahead == 0 || candidateDate < scan.ahead)) {
        scan.ahead = candidateDate;
    }
    return scan;
}

} // namespace

DateScan ScanYearFirstKeyed(QByteArrayView line, QByteArrayView key, double best, double now)
{
    DateScan scan{best, false, 0};
    for (qsizetype from = 0; from < line.size();) {
        const qsizetype at = line.indexOf(key, from);
        if (at < 0)
            break;
        const QByteArrayView candidate = line.sliced(at, qMin(kCandidateLength, line.size() - at));
        scan = consider(scan, ParseDateCandidate(candidate), now);
        from = at + kCandidateLength;
    }
    return scan;
}

DateScan ScanYearLastKeyed(QByteArrayView line, QByteArrayView key, double best, double now)
{
    DateScan scan{best, false, 0};
    for (qsizetype from = 0; from < line.size();) {
        const qsizetype at = line.indexOf(key, from);
        if (at < 0)
            break;
        // The candidate ends with the key. Where fewer than five characters
        // of the text precede it, it is just what there is: running on past
        // the key would turn "5.3.2026 r." at the start of a line into no date.
        const qsizetype begin = qMax(from, at - kBeforeYearLast);
        const qsizetype end = at + key.size();
        scan = consider(scan, ParseDateCandidate(line.sliced(begin, end - begin)), now);
        from = end;
    }
    return scan;
}

DateScan ScanYearFirst(QByteArrayView line, char separator, double best)
{
    return ScanYearFirstKeyed(line, yearText(best) + separator, best,
                              datevalue::fromDateTime(Clock::now()));
}

DateScan ScanYearLast(QByteArrayView line, char separator, double best)
{
    return ScanYearLastKeyed(line, separator + yearText(best), best,
                             datevalue::fromDateTime(Clock::now()));
}
