#include "dokumenty/fetchdocument.h"

#include "internet/checkconnection.h"
#include "internet/curltransfer.h"
#include "internet/httpstatustext.h"
#include "internet/normalizeaddress.h"
#include "internet/responseheaders.h"
#include "kontrola/downloadpage.h"
#include "platform/systemerror.h"

#include <QDateTime>

#include <algorithm>
#include <limits>
#include <optional>

namespace dokumenty {
namespace {

QString failureText(TransferFailure failure, int code, const QString& host)
{
    switch (failure) {
    case TransferFailure::RedirectRefused: return SystemError::TransferReason(code);
    case TransferFailure::Unreachable: return QStringLiteral("host \"%1\" jest niedostępny").arg(host);
    case TransferFailure::Certificate: return QStringLiteral("błąd certyfikatu serwera");
    case TransferFailure::Cancelled: return QStringLiteral("pobieranie przerwane");
    case TransferFailure::NoAnswer:
    case TransferFailure::None: break;
    }
    return QStringLiteral("host \"%1\" nie odpowiada").arg(host);
}

} // namespace

QString HostOf(const QString& address)
{
    return PolitenessHost(address);
}

FetchedDocument FetchDocument(const DocumentRequest& request)
{
    FetchedDocument result;
    if (!CheckConnection()) {
        result.reason = QStringLiteral("brak połączenia z Internetem");
        return result;
    }
    const QString host = PolitenessHost(request.address);
    HostConnections::Lease lease;
    if (request.connections)
        lease = request.connections->Borrow(host);
    std::optional<CurlTransfer> made;
    if (request.connections)
        made.emplace(lease.handle(), request.address, request.userAgent.constData());
    else
        made.emplace(request.address, request.userAgent.constData());
    CurlTransfer& transfer = *made;
    if (!transfer.isValid()) {
        result.reason = QStringLiteral("brak połączenia z Internetem");
        return result;
    }
    transfer.useHttp10();
    if (request.connections)
        transfer.keepConnection();
    else
        transfer.readUntilClose();
    if (request.cancelled)
        transfer.setCancelCheck(request.cancelled);

    bool accepted = false;
    bool tooLarge = false;
    qint64 announced = -1;
    transfer.setHeadersDecision([&] {
        const int code = transfer.responseCode();
        result.httpCode = code;
        if (code == 429 || code == 503)
            result.retryAfterSeconds = RetryAfterSeconds(transfer.header("Retry-After"));
        if (code != 200) {
            result.reason = code <= 0 ? QStringLiteral("nierozpoznana odpowiedź serwera")
                                      : QStringLiteral("serwer odpowiedział: %1 %2")
                                            .arg(code)
                                            .arg(HttpStatusText(QString::number(code)));
            return false;
        }
        result.contentType = transfer.header("Content-Type").value_or(QByteArray());
        announced = ContentLength(transfer.header("Content-Length"));
        if (announced > kMaxPageBytes) {
            tooLarge = true;
            return false;
        }
        if (announced > 0)
            result.bytes.reserve(announced);
        accepted = true;
        return true;
    });
    transfer.setBodySink([&](const char* data, qsizetype size) {
        if (result.bytes.size() + size > kMaxPageBytes) {
            tooLarge = true;
            return false;
        }
        result.bytes.append(data, size);
        return true;
    });
    const TransferFailure failure = transfer.perform();
    if (failure == TransferFailure::Cancelled) {
        result.cancelled = true;
        result.reason = failureText(failure, transfer.lastCode(), host);
    } else if (tooLarge) {
        result.reason = QStringLiteral("dokument za duży (ponad %1 MB)").arg(kMaxPageBytes / (1024 * 1024));
    } else if (!accepted) {
        if (result.reason.isEmpty())
            result.reason = failureText(failure, transfer.lastCode(), HostAsWritten(request.address));
    } else if (failure != TransferFailure::None || (announced >= 0 && result.bytes.size() < announced)) {
        result.reason = QStringLiteral("niepełny dokument: przerwane pobieranie");
    } else {
        result.ok = true;
        return result;
    }
    result.bytes.clear();
    result.bytes.squeeze();
    return result;
}

} // namespace dokumenty
