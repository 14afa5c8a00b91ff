#pragma once

#include "internet/hostconnections.h"
#include "internet/useragent.h"

#include <QByteArray>
#include <QString>
#include <functional>

// How a page download ended (the status out-value of DownloadPage).
namespace DownloadStatus {
inline constexpr qint32 Failed = 0;     // not fetched or not an HTML page; the message says why
inline constexpr qint32 Offline = 1;    // no Internet connection
inline constexpr qint32 Downloaded = 2; // the body is in the temporary file
} // namespace DownloadStatus

// The most one page may bring: municipal pages are well below 1 MB, so a
// larger answer is a broken or hostile server. Larger pages are read errors.
inline constexpr qint64 kMaxPageBytes = 32 * 1024 * 1024;

// One page download, as a page check asks for it.
struct PageRequest
{
    QString address;      // the record's info as stored; normalised here
    QString tempFileName; // where the body goes (see DownloadPage)
    QByteArray userAgent = DefaultUserAgent();
    // Asked while the transfer runs, several times a second also while the
    // server is silent; true aborts the transfer at once (a stopped run, a
    // time-out). Empty: never cancelled.
    std::function<bool()> cancelled;
    // The pass's connections: the request goes over its host's open
    // connection and leaves it open for the host's next page. Without
    // them every request has a connection of its own, closed after it.
    HostConnectionsPtr connections;
    // What the page's last good check received (its ETag and Last-Modified
    // values, as sent): with either set the server is asked to answer 304
    // when the page has not changed since. Empty: a plain request.
    QByteArray ifNoneMatch;
    QByteArray ifModifiedSince;
    // A body up to kBodyInMemoryBytes stays in memory (PageResult::body)
    // instead of going to the temporary file: most pages are small, and a
    // file made, read back and removed for each of them cost more than the
    // page's reading. A larger body goes to the file as before.
    bool smallBodyInMemory = false;
};

// The largest body kept in memory when the request allows it.
inline constexpr qint64 kBodyInMemoryBytes = 4 * 1024 * 1024;

// How it ended.
struct PageResult
{
    qint32 status = DownloadStatus::Failed;
    // The Content-Length of the answer, else the file's size; -1 unless downloaded.
    qint32 size = -1;
    // A Polish error text (it goes into uwagi: at most 50 characters), or on
    // success the page's Content-Type value.
    QString message;
    // Status code of the final answer (after redirections); 0 when none came.
    int httpCode = 0;
    // For a 429 or 503 answer with a Retry-After header (seconds or a date):
    // how many seconds the server asks us to wait; -1 otherwise.
    int retryAfterSeconds = -1;
    // The host the address names, as politeness counts hosts (PolitenessHost).
    QString host;
    // The cancel check stopped the transfer (status Failed, nothing kept).
    bool cancelled = false;
    // The server answered 304 to a request with validators: the page is
    // the one of the last good check. Status Downloaded, no file, size -1;
    // the message is the answer's Content-Type when it has one, else empty.
    bool notModified = false;
    // The answer's ETag and Last-Modified values (for the next request's
    // validators); empty when missing or not fit to be sent back.
    QByteArray etag;
    QByteArray lastModified;
    // Downloaded with smallBodyInMemory and small enough: the body is here
    // and there is no file.
    bool inMemory = false;
    QByteArray body;

    bool downloaded() const { return status == DownloadStatus::Downloaded; }
};

// Fetches one information page with a single request: the decision (status
// code 200 or 401, a Content-Type containing "text/html", a length within
// kMaxPageBytes) is taken from the headers of the answer whose body is
// stored. A refused answer stops the transfer right after its headers and
// stores nothing. Redirections are followed; everything is about the final
// answer.
//
// The body goes to tempFileName, created afresh (a link or old file at the
// name is removed, never followed; see kontrola/pagefile.h) and written
// chunk by chunk, never gathered in memory. A body larger than
// kMaxPageBytes, one that ends short of its Content-Length or on a broken
// connection, and a cancelled transfer are failures and leave no file.
//
// Network outcomes are results; a failure to create, write or close the
// temporary file throws FileError once everything is closed.
// Runs on worker threads: it shares nothing with other calls.
PageResult DownloadPage(const PageRequest& request);

// The same with the out-values of the older interface. Returns true
// exactly when status is Downloaded.
bool DownloadPage(const QString& address, const QString& tempFileName, qint32& status, qint32& size,
                  QString& message);

// The host of an address as politeness counts it: lower-case, without a
// scheme, user name or port ("http://BIP.Gmina.pl:8080/a" -> "bip.gmina.pl").
// Known before the request, so a run can keep to one connection per host.
QString PolitenessHost(const QString& address);
