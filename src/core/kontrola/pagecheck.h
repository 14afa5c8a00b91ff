#pragma once

#include <QString>

// Everything one page check knows: the record's values when it was
// dispatched, what the download and the measuring found, and the verdict.
struct PageCheck
{
    static constexpr qint32 kUndecided = -1;

    // As passed by the run controller.
    QString name;    // the record's Gmina, for the report line
    QString address; // the record's info, as stored
    qint32 recordNumber = 0;
    qint32 storedSize = 0;
    qint32 storedRow = 0;
    qint32 storedTag = 0; // carried, never compared
    double storedDate = 0;

    // Found by the check.
    QString matchAddress; // address without leading/trailing blanks and controls
    qint32 downloadStatus = 0;
    qint32 code = kUndecided;
    qint32 size = -1;
    qint32 textLength = -1;
    qint32 lineCount = -1;
    double pageDate = 0;
    bool dateFound = false;
    QString message; // Content-Type on success, else the error text
    int httpCode = 0;            // of the final answer; 0 when none came
    int retryAfterSeconds = -1;  // a 429/503 answer's Retry-After, in seconds; else -1
    QString host;                // the page's host as politeness counts it

    // The classification, in its order: a newer date, else the line count,
    // else (a page without lines) the size. now is the moment of the check.
    void Classify(double now);
};
