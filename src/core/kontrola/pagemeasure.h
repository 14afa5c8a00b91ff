#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>

// What a page check measures in a downloaded page, the same for a run, for
// `check-page` and (the date) for `find-date`.
struct PageMeasures
{
    qint64 lineCount = 0;  // the row measure
    qint64 textLength = 0; // the tag measure: every line followed by CR LF
    bool dateFound = false;
    double date = 0; // the newest past date, when found
    QByteArray charset; // how the page is encoded (PageCharsetOf)
    // The last day on which the same bytes measure the same: the day of the
    // page's earliest date not past yet, at most the year's last day (a new
    // year is searched otherwise).
    QDate sameUntil;
};

// The newest past date of a page. The finder knows month names as
// Windows-1250 bytes, so a page in another charset (by the Content-Type
// value, else its <meta>, else valid UTF-8) is also searched converted. The
// raw bytes are always searched too and the newer date wins: pages often
// declare one charset and are written in another, and a wrong conversion
// must never lose a date that the bytes show.
bool FindPageDate(QByteArrayView page, const QString& contentType, double& date);

// Measures and date of a page's bytes. Holds no more than the page and at
// most one converted copy of it.
PageMeasures MeasurePage(QByteArrayView page, const QString& contentType);

// The same for a downloaded file; throws FileError when it cannot be read.
PageMeasures MeasurePageFile(const QString& path, const QString& contentType);
