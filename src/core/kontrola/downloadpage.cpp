#include "kontrola/downloadpage.h"

#include "internet/checkconnection.h"
#include "internet/curltransfer.h"
#include "internet/httpstatustext.h"
#include "kontrola/filesizeof.h"
#include "internet/normalizeaddress.h"
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

// Streams the body of a second request into the file. Returns false when the
// request brought no answer at all; a transfer broken off mid-body keeps
// what arrived. File failures are returned, not thrown, so that the caller
// throws only after libcurl and the file are closed.
bool fetchBody(const QString& url, const QString& path, std::optional<FileError>& fileError)
{
    QFile file(path);
    auto openFile = [&] {
        if (file.isOpen() || fileError)
            return;
        // Unbuffered: every chunk goes straight to disk, the page is never
        // gathered in memory.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            fileError = FileError::cannotWrite(path, file.errorString());
    };

    bool answered = false;
    {
        CurlTransfer download(url, kUserAgent);
        if (!download.isValid())
            return false;
        download.bypassCaches();
        download.readUntilClose();
        download.setBodySink([&](const char* data, qsizetype size) {
            openFile();
            if (fileError)
                return false;
            if (file.write(data, size) != size) {
                fileError = FileError::cannotWrite(path, file.errorString());
                return false;
            }
            return true;
        });
        const TransferFailure failure = download.perform();
        answered = failure == TransferFailure::None || download.bodyStarted() ||
                   (failure != TransferFailure::Certificate && download.finalHeadersArrived());
    }
    if (answered)
        openFile(); // an empty body still leaves an (empty) file
    if (file.isOpen()) {
        file.close();
        if (!fileError && file.error() != QFileDevice::NoError)
            fileError = FileError::cannotWrite(path, file.errorString());
    }
    return answered;
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

    std::optional<FileError> fileError;
    const bool answered = fetchBody(url, tempFileName, fileError);
    if (fileError)
        throw *fileError;
    if (!answered || !QFile::exists(tempFileName)) {
        message = kNotDownloaded;
        return false;
    }
    if (size == -1)
        size = static_cast<qint32>(FileSizeOf(tempFileName)); // the low 32 bits, as the record keeps them
    status = DownloadStatus::Downloaded;
    return true;
}
