#pragma once

#include <QString>

// How a page download ended (the status out-value of DownloadPage).
namespace DownloadStatus {
inline constexpr qint32 Failed = 0;     // not fetched or not an HTML page; the message says why
inline constexpr qint32 Offline = 1;    // no Internet connection
inline constexpr qint32 Downloaded = 2; // the body is in the temporary file
} // namespace DownloadStatus

// The most one page may bring: municipal pages are well below 1 MB, so a
// larger answer is a broken or hostile server. Larger pages are read errors.
inline constexpr qint64 kMaxPageBytes = 32 * 1024 * 1024;

// Fetches one information page into tempFileName (created or truncated) and
// reports the outcome: status, size (the Content-Length of the answer, else
// the file's size) and a Polish error text, or on success the page's
// Content-Type value. Returns true exactly when status is Downloaded.
//
// A first request reads only the headers and decides whether the page is an
// HTML page worth fetching; a second one streams the body to the file.
// The file is created afresh (a link or old file at its name is removed,
// never followed). A body larger than kMaxPageBytes, or one that ends short
// of its Content-Length or on a broken connection, is a failure and leaves
// no file. Network outcomes are results; a failure to create, write or close the
// temporary file throws FileError once everything is closed.
//
// Runs on worker threads: it shares nothing with other calls.
bool DownloadPage(const QString& address, const QString& tempFileName, qint32& status, qint32& size,
                  QString& message);
