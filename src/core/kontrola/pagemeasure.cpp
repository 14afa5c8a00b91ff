#include "kontrola/pagemeasure.h"

#include "SzukajDaty/pagelinesplit.h"
#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagecharset.h"
#include "kontrola/pagelines.h"
#include "platform/clock.h"
#include "text/datevalue.h"
#include "text/textfile.h"

#include <optional>

namespace {

bool isAscii(QByteArrayView line)
{
    for (const char c : line)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

bool FindPageDate(QByteArrayView page, const QString& contentType, double& date)
{
    const PageMeasures measures = MeasurePage(page, contentType);
    date = measures.date;
    return measures.dateFound;
}

PageMeasures MeasurePage(QByteArrayView page, const QString& contentType)
{
    // One walk over the lines: the shape, the date in the raw bytes and, for
    // a page in another charset, in each line converted (FindPageDate's
    // answer, with no converted copy of the page made).
    constexpr int kYearsBack = 1; // this year, then the one before
    PageMeasures measures;
    NewestDateSearch raw(kYearsBack);
    measures.charset = PageCharsetOf(contentType, page);
    const QByteArray& charset = measures.charset;
    std::optional<NewestDateSearch> converted;
    std::optional<LineConverter> convert;
    if (CharsetNeedsConversion(charset)) {
        converted.emplace(kYearsBack);
        convert.emplace(charset);
    }
    ForEachPageLine(page, [&](QByteArrayView line) {
        ++measures.lineCount;
        measures.textLength += line.size() + 2;
        raw.line(line);
        // A line of ASCII bytes that converts to itself holds the raw
        // search's dates, nothing more.
        if (converted && !(convert->keepsAscii() && isAscii(line)))
            converted->line(convert->line(line));
    });
    measures.dateFound = raw.finish(measures.date);
    double convertedDate = 0;
    if (converted && converted->finish(convertedDate)) {
        if (!measures.dateFound || convertedDate > measures.date)
            measures.date = convertedDate;
        measures.dateFound = true;
    }
    measures.sameUntil = QDate(Clock::now().date().year(), 12, 31);
    for (const double ahead : {raw.earliestAhead(), converted ? converted->earliestAhead() : 0.0})
        if (ahead > 0)
            measures.sameUntil = qMin(measures.sameUntil, datevalue::toDate(ahead));
    return measures;
}

PageMeasures MeasurePageFile(const QString& path, const QString& contentType)
{
    return MeasurePage(textfile::ReadBytes(path), contentType);
}
