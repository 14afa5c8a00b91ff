#include "kontrola/pagemeasure.h"

#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagecharset.h"
#include "kontrola/pagelines.h"
#include "text/textfile.h"

bool FindPageDate(QByteArrayView page, const QString& contentType, double& date)
{
    constexpr int kYearsBack = 1; // this year, then the one before
    bool found = FindNewestDateInPage(page, kYearsBack, date);
    const QByteArray charset = PageCharsetOf(contentType, page);
    if (!CharsetNeedsConversion(charset))
        return found;
    double convertedDate = 0;
    if (FindNewestDateInPage(PageAsCp1250(page, charset), kYearsBack, convertedDate)) {
        if (!found || convertedDate > date)
            date = convertedDate;
        found = true;
    }
    return found;
}

PageMeasures MeasurePage(QByteArrayView page, const QString& contentType)
{
    PageMeasures measures;
    const PageShape shape = PageShapeOf(page);
    measures.lineCount = shape.lineCount;
    measures.textLength = shape.textLength;
    measures.dateFound = FindPageDate(page, contentType, measures.date);
    return measures;
}

PageMeasures MeasurePageFile(const QString& path, const QString& contentType)
{
    return MeasurePage(textfile::ReadBytes(path), contentType);
}
