#pragma once

// Internal to the core library (libcurl is linked privately): one blocking
// HTTP(S) request with the options that every page request shares.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <optional>

// libcurl's global set-up, once per process, before the first handle.
void InitialiseLibcurl();

// How a request ended, in the terms the program reports.
enum class TransferFailure {
    None,        // an answer arrived (also when we stopped reading it on purpose)
    Unreachable, // no connection to the host: unknown name, refused, no route
    NoAnswer,    // connected, but no usable answer
    Certificate, // the TLS certificate did not verify
    RedirectRefused, // a redirection we do not follow: too many, or off http(s)
    Cancelled,   // the cancel check asked to stop
};

class CurlTransfer
{
public:
    // Receives the body in pieces of at most BodyChunk bytes; returning
    // false stops the transfer.
    using BodySink = std::function<bool(const char* data, qsizetype size)>;
    // Asked once, when all headers of the final answer (no redirection
    // followed further, no interim 1xx) are in; returning false stops the
    // transfer before any of the body.
    using HeadersDecision = std::function<bool()>;
    // Asked while the transfer runs, also while nothing arrives (libcurl's
    // progress callback, several times a second); true aborts it.
    using CancelCheck = std::function<bool()>;
    // Large enough that a page of a megabyte is a few dozen reads and
    // writes rather than a thousand of each, small enough that the body is
    // never gathered in memory.
    static constexpr qsizetype BodyChunk = 64 * 1024;

    CurlTransfer(const QString& url, const char* userAgent);
    // Over a borrowed handle (a CURL* of HostConnections): its open
    // connection is used again when it leads to the same server. The handle
    // stays the lender's; it is reset, not closed, at the end.
    CurlTransfer(void* borrowedHandle, const QString& url, const char* userAgent);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // False when libcurl could not give us a handle at all.
    bool isValid() const { return m_curl != nullptr; }

    void useHttp10();
    // Asks every cache on the way for a fresh copy.
    void bypassCaches();
    // The answer ends when the server closes the connection; a missing,
    // wrong or non-numeric Content-Length then does not fail the request.
    void readUntilClose();
    // Asks the server to keep the connection open after the answer (an
    // HTTP/1.0 request says so with "Connection: keep-alive"); the answer
    // then ends where its length or its chunks say.
    void keepConnection();
    // One more request header, "Name: value" (the caller vouches that it
    // holds no line break).
    void addHeader(const QByteArray& line);
    // Stops right after the headers of the final answer: no body is read.
    void stopAfterHeaders();
    void setBodySink(BodySink sink);
    void setHeadersDecision(HeadersDecision decision);
    void setCancelCheck(CancelCheck cancelled);
    // The same with a flag set from any thread: a window's waiting box
    // cancels a slow request this way (perform() then reports Cancelled).
    void setCancelFlag(const std::atomic<bool>* cancelled);

    TransferFailure perform();
    // The answer broke the rules of HTTP before its headers were through
    // (such as a Content-Length that is not a number): asked again with
    // readUntilClose(), such an answer can still be read.
    bool answerMalformed() const { return m_lastCode == CURLE_WEIRD_SERVER_REPLY && !m_headersComplete; }
    // libcurl's code of the last perform() (a CURLcode), for the reason of
    // a failure.
    int lastCode() const { return int(m_lastCode); }
    // The connection this transfer used was one already open.
    bool reusedConnection() const;

    // Status code of the last answer, 0 when none arrived.
    int responseCode() const;
    // True once all headers of an answer that is not followed further (no
    // redirection, no interim 1xx) have arrived.
    bool finalHeadersArrived() const;
    bool bodyStarted() const { return m_bodyStarted; }
    // First value of a header of the last answer, up to its first NUL.
    std::optional<QByteArray> header(QByteArrayView name) const;

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    bool headersAreFinal() const;
    TransferFailure classify(CURLcode code) const;
    void setUp();

    CURL* m_curl = nullptr;
    bool m_borrowed = false;
    CURLcode m_lastCode = CURLE_OK;
    curl_slist* m_requestHeaders = nullptr;
    QByteArray m_url;
    QByteArray m_userAgent;
    QByteArray m_caFile;
    BodySink m_sink;
    HeadersDecision m_decision;
    CancelCheck m_cancelled;
    bool m_cancelledOnRequest = false;
    bool m_stopAfterHeaders = false;
    bool m_stoppedOnPurpose = false;
    bool m_bodyStarted = false;
    int m_lastStatus = 0;
    bool m_headersComplete = false;
    QList<QByteArray> m_responseHeaders; // "Name: value" lines of the last answer
};
