#pragma once

#include <QByteArray>
#include <QList>

#include <memory>

// The date finder: the newest past date written in a page, searched for in
// the current year first and then in earlier ones. It works on raw lines of
// Windows-1250 bytes and knows numeric dates (year first or last, with "-",
// "." or "/"), dates with a Polish month name between day and year (with or
// without Polish letters, abbreviated with or without a period) and dates
// with a Roman-numeral month. A number that only looks like a date, inside
// a longer number or a case reference ("OŚ.6220.5.2026"), is never one.
// Date values are day counts from 1899-12-30 (text/datevalue.h); "past"
// means up to and including yesterday, by Clock::now().
//
// Pure functions of their arguments and the clock; safe on any thread.

// Searches the current year, then up to yearsBack years before it, and stops
// at the first year with a past date. When none is found, date is the result
// of the last year searched (its 1 January or higher).
bool FindNewestDate(const QList<QByteArray>& lines, int yearsBack, double& date);

// The same over a whole page's bytes, split into lines as a page check
// splits them (SzukajDaty/pagelinesplit.h), without copying them.
bool FindNewestDateInPage(QByteArrayView page, int yearsBack, double& date);

// FindNewestDate fed one line at a time, in one pass over the lines: the
// years are searched side by side and the newest year with a past date
// wins, as the year-by-year search decides.
class NewestDateSearch
{
public:
    explicit NewestDateSearch(int yearsBack);
    ~NewestDateSearch();
    NewestDateSearch(const NewestDateSearch&) = delete;
    NewestDateSearch& operator=(const NewestDateSearch&) = delete;
    void line(QByteArrayView line);
    bool finish(double& date) const;
    // The earliest date of the searched years seen that is not past yet,
    // 0 when none: until it is past, the same lines give the same answer.
    double earliestAhead() const;

private:
    struct Years;
    std::unique_ptr<Years> m_years;
};

// The newest past date of one year in the lines; date is at least 1 January
// of that year. Returns whether any past date of that year was seen.
bool FindDateInYear(const QList<QByteArray>& lines, int year, double& date);
bool FindDateInYearInPage(QByteArrayView page, int year, double& date);

// A raw line made ready for NormalizeDateLine: entities decoded ("&nbsp;",
// "wrze&#347;nia"), no-break spaces and tabs made plain spaces, Roman-numeral
// months ("12 XII 2025", "3.III.2026") and abbreviations with a period
// ("3 sty. 2026") written as the scans read them, and the year taken out of
// a date glued to a longer number or a reference ("Nr 120.5.2026",
// "OŚ.6220.5.2026", "WOOŚ.4220.12.2021.AB"), so that no scan reads it.
QByteArray PrepareDateLine(QByteArrayView line);

// A line made ready for scanning: plain spaces removed, lower-cased by the
// Windows-1250 rules, Polish month names replaced by "-MM-".
QByteArray NormalizeDateLine(QByteArrayView line);

struct DateScan
{
    double date = 0; // the greatest past date seen, or the best date passed in
    bool found = false; // some candidate of the line was a past date
    double ahead = 0;   // the earliest candidate not past yet; 0 when none
};

// Scans a normalised line for dates of the year of best written with the
// given separator, year first ("2026-03-15") or year last ("15-03-2026").
DateScan ScanYearFirst(QByteArrayView line, char separator, double best);
DateScan ScanYearLast(QByteArrayView line, char separator, double best);

// Reads a candidate of up to ten characters as a date; 0 when it is none.
double ParseDateCandidate(QByteArrayView candidate);
