#include "kontrola/downloadpage.h"

#include "internet/checkconnection.h"
#include "internet/curltransfer.h"
#include "internet/httpstatustext.h"
#include "kontrola/filesizeof.h"
#include "internet/normalizeaddress.h"
#include "internet/responseheaders.h"
#include "kontrola/pagefile.h"
#include "platform/systemerror.h"
#include "platform/fileerror.h"
#include "text/trimmedtext.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <utility>

namespace {

const QString kUnknownError = QStringLiteral("Błąd nieznany");
const QString kNoAddress = QStringLiteral("Brak adresu strony internetowej");
const QString kUnreadableStatus = QStringLiteral("Strona nierozpoznana");
const QString kWrongPage = QStringLiteral("Błędna strona: ");
const QString kNoContentType = QStringLiteral("Nie można rozpoznać strony");
const QString kNotHtml = QStringLiteral("Nie można przeanalizować strony");
const QString kNotDownloaded = QStringLiteral("Nie można pobrać strony do analizy");
const QString kBadCertificate = QStringLiteral("Błąd certyfikatu strony");
// Both fit the 50 characters of uwagi.
const QString kTooLarge = QStringLiteral("Strona za duża (ponad 32 MB)");
const QString kIncomplete = QStringLiteral("Niepełna strona: przerwane pobieranie");
const QString kCancelled = QStringLiteral("Pobieranie przerwane");

QString hostUnreachable(const QString& host)
{
    return QStringLiteral("Host \"%1\" jest niedostępny").arg(host);
}

QString hostNotAnswering(const QString& host)
{
    return QStringLiteral("Host \"%1\" nie odpowiada").arg(host);
}

QString failureText(TransferFailure failure, int code, const QString& host)
{
    switch (failure) {
    case TransferFailure::RedirectRefused: {
        // Said as it is: the host answered, we did not follow it.
        const QString reason = SystemError::TransferReason(code);
        return reason.left(1).toUpper() + reason.mid(1);
    }
    case TransferFailure::Unreachable:
        return hostUnreachable(host);
    case TransferFailure::Certificate:
        return kBadCertificate;
    case TransferFailure::Cancelled:
        return kCancelled;
    case TransferFailure::NoAnswer:
    case TransferFailure::None:
        break;
    }
    return hostNotAnswering(host);
}

// An ETag or Last-Modified value as it may go back to the server in the
// next request: printable ASCII only and of a sane length, so that no
// server can put a line break (a header of its own) into our request.
QByteArray Validator(const std::optional<QByteArray>& value)
{
    if (!value || value->isEmpty() || value->size() > 200)
        return {};
    for (const char c : *value)
        if (c < 0x20 || c > 0x7E)
            return {};
    return *value;
}

// Where the body goes once the headers accept the answer: memory while it
// is small and the request allows it, else the page file.
class PageBodyWriter
{
public:
    PageBodyWriter(const QString& path, bool inMemory) : m_path(path), m_inMemory(inMemory) {}

    bool open(qint64 announced)
    {
        if (m_inMemory) {
            if (announced <= kBodyInMemoryBytes) {
                if (announced > 0)
                    m_memory.reserve(announced);
                return true;
            }
            m_inMemory = false; // announced larger: straight to the file
        }
        return openFile();
    }

    bool write(const char* data, qsizetype size)
    {
        if (m_inMemory) {
            if (m_written + size <= kBodyInMemoryBytes) {
                m_memory.append(data, size);
                m_written += size;
                return true;
            }
            // Larger than it said, or it said nothing: what came so far
            // goes to the file first.
            m_inMemory = false;
            if (!openFile() || !writeFile(m_memory.constData(), m_memory.size()))
                return false;
            m_memory = QByteArray();
        }
        if (!openFile() || !writeFile(data, size))
            return false;
        m_written += size;
        return true;
    }

    qint64 written() const { return m_written; }
    bool inMemory() const { return m_inMemory; }
    QByteArray takeBody() { return std::exchange(m_memory, {}); }

    // Closes; a file that holds no whole page is removed.
    void finish(bool keep)
    {
        if (!keep)
            m_memory = QByteArray();
        if (m_file.isOpen()) {
            errno = 0;
            m_file.close();
            if (!m_error && m_file.error() != QFileDevice::NoError)
                m_error = FileError::cannotWrite(m_path, SystemError::FileReason(m_file, errno));
            if (!keep || m_error)
                QFile::remove(m_path);
        }
    }

    const std::optional<FileError>& error() const { return m_error; }

private:
    bool openFile()
    {
        if (m_file.isOpen() || m_error)
            return !m_error;
        QString reason;
        const int fd = CreatePageFileExclusively(m_path, reason);
        // Unbuffered: every chunk goes straight to disk.
        if (fd < 0)
            m_error = FileError::cannotWrite(m_path, reason);
        else if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                              QFileDevice::AutoCloseHandle))
            m_error = FileError::cannotWrite(m_path, SystemError::FileReason(m_file));
        return !m_error;
    }

    bool writeFile(const char* data, qsizetype size)
    {
        errno = 0;
        if (m_file.write(data, size) != size) {
            // The system's reason in our words: a full disk above all. A
            // short write has no text of Qt's, only errno.
            m_error = FileError::cannotWrite(m_path, SystemError::FileReason(m_file, errno));
            return false;
        }
        return true;
    }

    QString m_path; // opening by descriptor leaves the QFile without a name
    bool m_inMemory;
    QByteArray m_memory;
    QFile m_file;
    std::optional<FileError> m_error;
    qint64 m_written = 0;
};

} // namespace

PageResult DownloadPage(const PageRequest& request)
{
    PageResult result;
    result.message = kUnknownError;

    if (TrimmedText(request.address).isEmpty()) {
        result.message = kNoAddress;
        return result;
    }
    if (!CheckConnection()) {
        result.status = DownloadStatus::Offline;
        result.message = NoConnectionText();
        return result;
    }
    const QString url = NormalizeAddress(request.address);
    const QString host = HostAsWritten(url);
    result.host = PolitenessHost(url);
    const bool conditional = !request.ifNoneMatch.isEmpty() || !request.ifModifiedSince.isEmpty();

    PageBodyWriter file(request.tempFileName, request.smallBodyInMemory);
    enum class Decision { None, Refused, Accepted, NotModified } decision = Decision::None;
    qint64 announced = -1;
    bool tooLarge = false;
    TransferFailure failure = TransferFailure::None;
    int failureCode = 0;

    // One request; over the host's open connection when the pass keeps
    // them. False when libcurl gave no handle at all.
    auto attempt = [&](bool keepAlive, bool& malformed) {
        HostConnections::Lease lease;
        if (keepAlive)
            lease = request.connections->Borrow(result.host);
        std::optional<CurlTransfer> made;
        if (keepAlive)
            made.emplace(lease.handle(), url, request.userAgent.constData());
        else
            made.emplace(url, request.userAgent.constData());
        CurlTransfer& transfer = *made;
        if (!transfer.isValid())
            return false;
        transfer.useHttp10();
        transfer.bypassCaches();
        if (keepAlive)
            transfer.keepConnection();
        else
            transfer.readUntilClose();
        if (!request.ifNoneMatch.isEmpty())
            transfer.addHeader("If-None-Match: " + request.ifNoneMatch);
        if (!request.ifModifiedSince.isEmpty())
            transfer.addHeader("If-Modified-Since: " + request.ifModifiedSince);
        if (request.cancelled)
            transfer.setCancelCheck(request.cancelled);

        // The headers of the final answer decide, before any of its body.
        transfer.setHeadersDecision([&] {
            decision = Decision::Refused;
            const int code = transfer.responseCode();
            result.httpCode = code;
            if (code == 429 || code == 503)
                result.retryAfterSeconds = RetryAfterSeconds(transfer.header("Retry-After"));
            if (code <= 0) {
                result.message = kUnreadableStatus;
                return false;
            }
            result.etag = Validator(transfer.header("ETag"));
            result.lastModified = Validator(transfer.header("Last-Modified"));
            if (code == 304 && conditional) {
                // Unchanged since the last good check; such an answer has no body.
                const std::optional<QByteArray> contentType = transfer.header("Content-Type");
                result.message = contentType ? QString::fromLatin1(*contentType) : QString();
                decision = Decision::NotModified;
                return true;
            }
            if (code != 200 && code != 401) { // a page behind a login is still a page
                result.message = kWrongPage + HttpStatusText(QString::number(code));
                return false;
            }
            const std::optional<QByteArray> contentType = transfer.header("Content-Type");
            if (!contentType) {
                result.message = kNoContentType;
                return false;
            }
            if (!contentType->contains("text/html")) {
                result.message = kNotHtml;
                return false;
            }
            announced = ContentLength(transfer.header("Content-Length"));
            if (announced > kMaxPageBytes) {
                result.message = kTooLarge;
                return false;
            }
            result.message = QString::fromLatin1(*contentType);
            decision = Decision::Accepted;
            return file.open(announced); // an empty body still leaves an (empty) file or body
        });
        transfer.setBodySink([&](const char* data, qsizetype size) {
            if (decision == Decision::NotModified)
                return false; // a 304 has no body: the rest is not ours
            if (file.written() + size > kMaxPageBytes) {
                tooLarge = true;
                return false;
            }
            return file.write(data, size);
        });
        failure = transfer.perform();
        failureCode = transfer.lastCode();
        malformed = transfer.answerMalformed();
        return true;
    };

    bool malformed = false;
    bool made = attempt(bool(request.connections), malformed);
    if (made && request.connections && malformed && decision == Decision::None &&
        failure != TransferFailure::Cancelled) {
        // Not readable as an answer that keeps its connection (a length
        // that is not a number, say): read it as before, until the server
        // closes, on a connection of its own.
        made = attempt(false, malformed);
    }
    if (!made) {
        result.status = DownloadStatus::Offline;
        result.message = NoConnectionText();
        return result;
    }

    const bool complete = decision == Decision::Accepted && !file.error() && !tooLarge &&
                          failure == TransferFailure::None && file.written() >= announced;
    file.finish(complete);
    if (file.error())
        throw *file.error();

    if (failure == TransferFailure::Cancelled) {
        result.cancelled = true;
        result.message = kCancelled;
        return result;
    }
    if (decision == Decision::NotModified) {
        if (failure != TransferFailure::None) {
            result.message = failureText(failure, failureCode, host);
            return result;
        }
        result.notModified = true;
        result.status = DownloadStatus::Downloaded;
        return result;
    }
    if (decision == Decision::None) {
        result.message =
            failure == TransferFailure::None ? kUnreadableStatus : failureText(failure, failureCode, host);
        return result;
    }
    if (decision == Decision::Refused)
        return result; // the headers' verdict is the message
    if (!complete) {
        result.message = tooLarge ? kTooLarge : kIncomplete;
        return result;
    }
    if (file.inMemory()) {
        result.inMemory = true;
        result.body = file.takeBody();
    } else if (!QFile::exists(request.tempFileName)) {
        result.message = kNotDownloaded;
        return result;
    }
    // The low 32 bits, as the record keeps them.
    result.size = static_cast<qint32>(announced != -1 ? announced
                                      : result.inMemory ? result.body.size()
                                                        : FileSizeOf(request.tempFileName));
    result.status = DownloadStatus::Downloaded;
    return result;
}

bool DownloadPage(const QString& address, const QString& tempFileName, qint32& status, qint32& size,
                  QString& message)
{
    // Never cancelled; the default User-Agent.
    status = DownloadStatus::Failed;
    size = -1;
    message = kUnknownError;
    PageRequest request;
    request.address = address;
    request.tempFileName = tempFileName;
    const PageResult result = DownloadPage(request);
    status = result.status;
    size = result.size;
    message = result.message;
    return result.downloaded();
}

QString PolitenessHost(const QString& address)
{
    QString host = HostAsWritten(NormalizeAddress(address));
    const qsizetype at = host.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        host.remove(0, at + 1);
    if (host.startsWith(QLatin1Char('['))) { // [IPv6]:port
        const qsizetype close = host.indexOf(QLatin1Char(']'));
        if (close > 0)
            host.truncate(close + 1);
    } else {
        const qsizetype colon = host.indexOf(QLatin1Char(':'));
        if (colon >= 0)
            host.truncate(colon);
    }
    return host.toLower();
}
