#pragma once

#include <QDate>
#include <QString>

#include <memory>

namespace historia {
struct PreparedVersion;
}

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
    double storedDate = 0;      // Aktualizacja; 0 when empty
    double storedCheckDate = 0; // DataKontroli; 0 when the record was never checked

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
    // The downloaded body prepared for the page's history (on the worker).
    std::shared_ptr<const historia::PreparedVersion> version;
    int httpCode = 0;            // of the final answer; 0 when none came
    int retryAfterSeconds = -1;  // a 429/503 answer's Retry-After, in seconds; else -1
    QString host;                // the page's host as politeness counts it
    // The server said the page has not changed since the last good check
    // (304): the measures are the record's stored ones, nothing was read.
    bool notModified = false;
    // The answer's ETag and Last-Modified, kept for the next check.
    QByteArray etag;
    QByteArray lastModified;
    // The last day on which the same bytes measure as this check measured
    // (PageMeasures::sameUntil); null when not known.
    QDate sameUntil;
    // The check could not be kept on this computer (its temporary file or
    // the history could not be written: a full disk, say): the reason, in
    // Polish. It says nothing of the page; the run stops, resumably, and
    // the record keeps what it had.
    QString localFailure;
    bool failedLocally() const { return !localFailure.isEmpty(); }
    // What the page's history held before this check.
    bool hasHistory = false;     // an earlier version of the page is stored
    double previousPageDate = 0; // the newest date found in it; 0 when none was

    // Nothing is known of the page yet: no history, no date given by the
    // user, no earlier check. Its first check is a baseline and marks nothing.
    bool IsBaseline() const { return !hasHistory && storedDate == 0 && storedCheckDate == 0; }

    // The classification, in its order: a newer date, else the line count,
    // else (a page without lines) the size. The date is compared with the
    // newest date of the page's previous version, or with the stored date
    // when the page has no history. A baseline check marks nothing.
    void Classify();
};
