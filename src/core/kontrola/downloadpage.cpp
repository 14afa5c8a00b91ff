#include "kontrola/downloadpage.h"

#include "internet/checkconnection.h"
#include "internet/curltransfer.h"
#include "internet/httpstatustext.h"
#include "kontrola/filesizeof.h"
#include "internet/normalizeaddress.h"
#include "kontrola/pagefile.h"
#include "platform/fileerror.h"
#include "text/trimmedtext.h"

#include <QFile>

#include <optional>

namespace {

const char* const kUserAgent = "http generic";

const QString kUnknownError = QStringLiteral("Błąd nieznany");
const QString kNoAddress = QStringLiteral("Brak adresu strony internetowej");
// The wording users know from their reports, misspelling included.
const QString kOffline = QStringLiteral("Brak połącznia z Internetem");
const QString kUnreadableStatus = QStringLiteral("Strona nierozpoznana");
const QString kWrongPage = QStringLiteral("Błędna strona: ");
const QString kNoContentType = QStringLiteral("Nie można rozpoznać strony");
const QString kNotHtml = QStringLiteral("Nie można przeanalizować strony");
const QString kNotDownloaded = QStringLiteral("Nie można pobrać strony do analizy");
const QString kBadCertificate = QStringLiteral("Błąd certyfikatu strony");
// Both fit the 50 characters of uwagi.
const QString kTooLarge = QStringLiteral("Strona za duża (ponad 32 MB)");
const QString kIncomplete = QStringLiteral("Niepełna strona: przerwane pobieranie");

QString hostUnreachable(const QString& host)
{
    return QStringLiteral("Host \"%1\" jest niedostępny").arg(host);
}

QString hostNotAnswering(const QString& host)
{
    return QStringLiteral("Host \"%1\" nie odpowiada").arg(host);
}

QString failureText(TransferFailure failure, const QString& host)
{
    switch (failure) {
    case TransferFailure::Unreachable: return hostUnreachable(host);
    case TransferFailure::Certificate: return kBadCertificate;
    case TransferFailure::NoAnswer:
    case TransferFailure::None: break;
    }
    return hostNotAnswering(host);
}

// A Content-Length that is missing, not a number or negative says nothing
// about the size.
qint32 contentLength(const std::optional<QByteArray>& value)
{
    if (!value)
        return -1;
    bool ok = false;
    const qint32 length = value->toInt(&ok);
    return ok && length >= 0 ? length : -1;
}

// What the header-only request decided.
struct ProbeVerdict
{
    bool accepted = false;
    qint32 status = DownloadStatus::Failed;
    QString message;     // error text, or the Content-Type value when accepted
    qint32 size = -1;
};

ProbeVerdict probePage(const QString& url, const QString& host)
{
    ProbeVerdict verdict;
    CurlTransfer probe(url, kUserAgent);
    if (!probe.isValid()) {
        verdict.status = DownloadStatus::Offline;
        verdict.message = kOffline;
        return verdict;
    }
    probe.useHttp10();
    probe.bypassCaches();
    probe.stopAfterHeaders();
    const TransferFailure failure = probe.perform();
    if (failure != TransferFailure::None) {
        verdict.message = failureText(failure, host);
        return verdict;
    }
    // Redirections are followed, so all of this is about the final answer.
    const int code = probe.responseCode();
    if (code <= 0) {
        verdict.message = kUnreadableStatus;
        return verdict;
    }
    if (code != 200 && code != 401) { // a page behind a login is still a page
        verdict.message = kWrongPage + HttpStatusText(QString::number(code));
        return verdict;
    }
    const std::optional<QByteArray> contentType = probe.header("Content-Type");
    if (!contentType) {
        verdict.message = kNoContentType;
        return verdict;
    }
    if (!contentType->contains("text/html")) {
        verdict.message = kNotHtml;
        return verdict;
    }
    verdict.accepted = true;
    verdict.message = QString::fromLatin1(*contentType);
    verdict.size = contentLength(probe.header("Content-Length"));
    return verdict;
}

enum class BodyOutcome {
    NoAnswer,   // the request brought no answer at all
    Complete,   // the whole body is in the file
    Incomplete, // the answer broke off: fewer bytes than announced, or a broken connection
    TooLarge,   // more than kMaxPageBytes: stopped at once
};

// Streams the body of a second request into a file created for it alone
// (never through a link planted at its name). File failures are returned,
// not thrown, so that the caller throws only after libcurl and the file are
// closed. A body that did not arrive whole leaves no file behind.
BodyOutcome fetchBody(const QString& url, const QString& path, std::optional<FileError>& fileError)
{
    QFile file(path);
    auto openFile = [&] {
        if (file.isOpen() || fileError)
            return;
        QString reason;
        const int fd = CreatePageFileExclusively(path, reason);
        // Unbuffered: every chunk goes straight to disk, the page is never
        // gathered in memory.
        if (fd < 0)
            fileError = FileError::cannotWrite(path, reason);
        else if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
            fileError = FileError::cannotWrite(path, file.errorString());
    };

    BodyOutcome outcome = BodyOutcome::NoAnswer;
    {
        CurlTransfer download(url, kUserAgent);
        if (!download.isValid())
            return BodyOutcome::NoAnswer;
        download.bypassCaches();
        download.readUntilClose();
        qint64 received = 0;
        bool tooLarge = false;
        download.setBodySink([&](const char* data, qsizetype size) {
            if (received + size > kMaxPageBytes) {
                tooLarge = true;
                return false;
            }
            openFile();
            if (fileError)
                return false;
            if (file.write(data, size) != size) {
                fileError = FileError::cannotWrite(path, file.errorString());
                return false;
            }
            received += size;
            return true;
        });
        const TransferFailure failure = download.perform();
        const bool answered = download.bodyStarted() ||
                              (failure != TransferFailure::Certificate && download.finalHeadersArrived());
        if (tooLarge)
            outcome = BodyOutcome::TooLarge;
        else if (failure == TransferFailure::None)
            outcome = received < contentLength(download.header("Content-Length")) ? BodyOutcome::Incomplete
                                                                                  : BodyOutcome::Complete;
        else if (answered)
            outcome = BodyOutcome::Incomplete; // reset, time-out or a broken encoding mid-answer
    }
    if (outcome == BodyOutcome::Complete)
        openFile(); // an empty body still leaves an (empty) file
    if (file.isOpen()) {
        file.close();
        if (!fileError && file.error() != QFileDevice::NoError)
            fileError = FileError::cannotWrite(path, file.errorString());
    }
    if (outcome == BodyOutcome::Incomplete || outcome == BodyOutcome::TooLarge)
        QFile::remove(path);
    return outcome;
}

} // namespace

bool DownloadPage(const QString& address, const QString& tempFileName, qint32& status, qint32& size,
                  QString& message)
{
    status = DownloadStatus::Failed;
    message = kUnknownError;
    size = -1;

    if (TrimmedText(address).isEmpty()) {
        message = kNoAddress;
        return false;
    }
    if (!CheckConnection()) {
        status = DownloadStatus::Offline;
        message = kOffline;
        return false;
    }
    const QString url = NormalizeAddress(address);
    const QString host = HostAsWritten(url);

    const ProbeVerdict verdict = probePage(url, host);
    status = verdict.status;
    message = verdict.message;
    if (!verdict.accepted)
        return false;
    size = verdict.size;

    if (size > kMaxPageBytes) {
        size = -1;
        message = kTooLarge;
        return false;
    }

    std::optional<FileError> fileError;
    const BodyOutcome outcome = fetchBody(url, tempFileName, fileError);
    if (fileError)
        throw *fileError;
    if (outcome != BodyOutcome::Complete || !QFile::exists(tempFileName)) {
        size = -1;
        message = outcome == BodyOutcome::TooLarge    ? kTooLarge
                  : outcome == BodyOutcome::Incomplete ? kIncomplete
                                                       : kNotDownloaded;
        return false;
    }
    if (size == -1)
        size = static_cast<qint32>(FileSizeOf(tempFileName)); // the low 32 bits, as the record keeps them
    status = DownloadStatus::Downloaded;
    return true;
}
