#include "internet/curltransfer.h"

#include "internet/tlstrust.h"

#include <mutex>

namespace {

// libcurl waits forever by default; WinInet, which the program used to rely
// on, gave up on a connection after 60 s and on a silent page after 60 s.
// Without the same bounds a stuck page would hold a worker thread for good.
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kLowSpeedBytesPerSecond = 1;
constexpr long kLowSpeedSeconds = 60;
constexpr long kMaxRedirections = 20;

// libcurl refuses an address with a blank or a control character inside,
// which typed addresses sometimes have ("/ochrona srodowiska.html"); such
// bytes are sent percent-encoded, as browsers do.
QByteArray requestUrl(const QString& url)
{
    const QByteArray bytes = url.toUtf8();
    QByteArray encoded;
    encoded.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F)
            encoded += '%' + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
        else
            encoded += c;
    }
    return encoded;
}

bool isRedirection(int status)
{
    return status >= 300 && status < 400;
}

} // namespace

// libcurl's global set-up is not thread-safe and must happen once, before
// any handle, whichever worker thread asks first.
void InitialiseLibcurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlTransfer::CurlTransfer(const QString& url, const char* userAgent)
    : m_url(requestUrl(url)), m_userAgent(userAgent), m_caFile(TlsTrust::caFileForTests().toLocal8Bit())
{
    InitialiseLibcurl();
    m_curl = curl_easy_init();
    setUp();
}

CurlTransfer::CurlTransfer(void* borrowedHandle, const QString& url, const char* userAgent)
    : m_url(requestUrl(url)), m_userAgent(userAgent), m_caFile(TlsTrust::caFileForTests().toLocal8Bit())
{
    m_curl = static_cast<CURL*>(borrowedHandle);
    m_borrowed = m_curl != nullptr;
    // Options of the last request go; its connection, names and TLS
    // sessions stay.
    if (m_curl)
        curl_easy_reset(m_curl);
    setUp();
}

void CurlTransfer::setUp()
{
    if (!m_curl)
        return;
    curl_easy_setopt(m_curl, CURLOPT_URL, m_url.constData());
    curl_easy_setopt(m_curl, CURLOPT_USERAGENT, m_userAgent.constData());
    curl_easy_setopt(m_curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(m_curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Signals would reach other threads; name resolution must not use them.
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, kMaxRedirections);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    // The answer of a proxy to CONNECT is not the page's answer.
    curl_easy_setopt(m_curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_caFile.isEmpty())
        curl_easy_setopt(m_curl, CURLOPT_CAINFO, m_caFile.constData());
    curl_easy_setopt(m_curl, CURLOPT_BUFFERSIZE, static_cast<long>(BodyChunk));
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
}

CurlTransfer::~CurlTransfer()
{
    if (m_curl) {
        if (m_borrowed)
            curl_easy_reset(m_curl); // nothing of ours stays pointed to
        else
            curl_easy_cleanup(m_curl);
    }
    curl_slist_free_all(m_requestHeaders);
}

void CurlTransfer::useHttp10()
{
    curl_easy_setopt(m_curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
}

void CurlTransfer::bypassCaches()
{
    m_requestHeaders = curl_slist_append(m_requestHeaders, "Cache-Control: no-cache");
    m_requestHeaders = curl_slist_append(m_requestHeaders, "Pragma: no-cache");
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_requestHeaders);
}

void CurlTransfer::readUntilClose()
{
    m_requestHeaders = curl_slist_append(m_requestHeaders, "Connection: close");
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_requestHeaders);
    curl_easy_setopt(m_curl, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
}

void CurlTransfer::addHeader(const QByteArray& line)
{
    m_requestHeaders = curl_slist_append(m_requestHeaders, line.constData());
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_requestHeaders);
}

void CurlTransfer::keepConnection()
{
    m_requestHeaders = curl_slist_append(m_requestHeaders, "Connection: keep-alive");
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_requestHeaders);
}

bool CurlTransfer::reusedConnection() const
{
    long connects = 0;
    if (m_curl)
        curl_easy_getinfo(m_curl, CURLINFO_NUM_CONNECTS, &connects);
    return m_curl && connects == 0 && m_lastStatus != 0;
}

void CurlTransfer::stopAfterHeaders()
{
    m_stopAfterHeaders = true;
    // The length is never used to read a body here, and a bad one must not
    // fail a request whose answer we only look at.
    curl_easy_setopt(m_curl, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
}

void CurlTransfer::setBodySink(BodySink sink)
{
    m_sink = std::move(sink);
}

void CurlTransfer::setHeadersDecision(HeadersDecision decision)
{
    m_decision = std::move(decision);
}

void CurlTransfer::setCancelFlag(const std::atomic<bool>* cancelled)
{
    setCancelCheck([cancelled] { return cancelled && cancelled->load(); });
}

void CurlTransfer::setCancelCheck(CancelCheck cancelled)
{
    m_cancelled = std::move(cancelled);
    // libcurl calls the progress function about once a second also while
    // nothing arrives, so a waiting request sees the check.
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::onProgress);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
}

int CurlTransfer::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* t = static_cast<CurlTransfer*>(self);
    if (t->m_cancelled && t->m_cancelled()) {
        t->m_cancelledOnRequest = true;
        return 1; // aborts the transfer
    }
    return 0;
}

TransferFailure CurlTransfer::perform()
{
    if (!m_curl)
        return TransferFailure::Unreachable;
    m_lastCode = curl_easy_perform(m_curl);
    return classify(m_lastCode);
}

int CurlTransfer::responseCode() const
{
    long code = 0;
    if (m_curl)
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &code);
    return static_cast<int>(code);
}

bool CurlTransfer::finalHeadersArrived() const
{
    return m_headersComplete && headersAreFinal();
}

std::optional<QByteArray> CurlTransfer::header(QByteArrayView name) const
{
    for (const QByteArray& line : m_responseHeaders) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || QByteArrayView(line).first(colon).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QByteArray value = line.mid(colon + 1);
        const qsizetype nul = value.indexOf('\0');
        if (nul >= 0)
            value.truncate(nul);
        return value.trimmed();
    }
    return std::nullopt;
}

bool CurlTransfer::headersAreFinal() const
{
    if (m_lastStatus < 200)
        return false;
    return !(isRedirection(m_lastStatus) && header("Location").has_value());
}

size_t CurlTransfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t length = size * count;
    const QByteArrayView line(data, static_cast<qsizetype>(length));
    if (line.startsWith("HTTP/")) {
        // A new answer (after a redirection or an interim 1xx) replaces the last.
        t->m_responseHeaders.clear();
        t->m_headersComplete = false;
        const QList<QByteArray> parts = line.toByteArray().simplified().split(' ');
        t->m_lastStatus = parts.size() > 1 ? parts[1].toInt() : 0;
        return length;
    }
    const QByteArrayView content = line.trimmed();
    if (content.isEmpty()) {
        t->m_headersComplete = true;
        if (t->headersAreFinal()) {
            if (t->m_stopAfterHeaders || (t->m_decision && !t->m_decision())) {
                t->m_stoppedOnPurpose = true;
                return 0; // aborts the transfer before any of the body
            }
        }
        return length;
    }
    t->m_responseHeaders.append(content.toByteArray());
    return length;
}

size_t CurlTransfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t length = size * count;
    t->m_bodyStarted = true;
    if (t->m_cancelled && t->m_cancelled()) {
        t->m_cancelledOnRequest = true;
        return 0;
    }
    if (t->m_stopAfterHeaders || !t->m_sink) {
        t->m_stoppedOnPurpose = true;
        return 0;
    }
    for (size_t done = 0; done < length;) {
        const qsizetype piece = static_cast<qsizetype>(qMin<size_t>(length - done, BodyChunk));
        if (!t->m_sink(data + done, piece)) {
            t->m_stoppedOnPurpose = true;
            return 0;
        }
        done += static_cast<size_t>(piece);
    }
    return length;
}

TransferFailure CurlTransfer::classify(CURLcode code) const
{
    if (m_cancelledOnRequest)
        return TransferFailure::Cancelled;
    switch (code) {
    case CURLE_OK:
        return TransferFailure::None;
    case CURLE_WRITE_ERROR:
        return m_stoppedOnPurpose ? TransferFailure::None : TransferFailure::NoAnswer;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return TransferFailure::Certificate;
    case CURLE_TOO_MANY_REDIRECTS:
        return TransferFailure::RedirectRefused;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // After a redirection: it led off http and https. Otherwise the
        // server answered in something that is no HTTP (libcurl refuses
        // HTTP/0.9), as before.
        return isRedirection(m_lastStatus) ? TransferFailure::RedirectRefused : TransferFailure::NoAnswer;
    case CURLE_URL_MALFORMAT:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return TransferFailure::Unreachable;
    case CURLE_OPERATION_TIMEDOUT: {
        // A time-out before any connection is a host we cannot reach; one
        // after it is a host that does not answer.
        curl_off_t connectTime = 0;
        curl_easy_getinfo(m_curl, CURLINFO_CONNECT_TIME_T, &connectTime);
        return connectTime == 0 && m_lastStatus == 0 ? TransferFailure::Unreachable : TransferFailure::NoAnswer;
    }
    default:
        return TransferFailure::NoAnswer;
    }
}
