#include "powiadomienia/smtpsend.h"

#include "internet/tlstrust.h"
#include "platform/clock.h"
#include "platform/systemerror.h"

#include <QUrl>

#include <curl/curl.h>

#include <cctype>
#include <mutex>

namespace powiadomienia {
namespace {

// The page requests' bounds: a silent server must not hold the sender,
// neither while the message goes nor at the goodbye after it (libcurl's
// own wait for an answer is two minutes). Tests shorten them.
constexpr long kSilenceSeconds = 60;
std::atomic<long> silenceSeconds{kSilenceSeconds};

struct Upload
{
    QByteArray data;
    qsizetype offset = 0;
    const std::atomic<bool>* cancelled = nullptr;
    QByteArray reply{};   // the server's reply as far as it came
    QByteArray refusal{}; // the words of its last refusal (4xx or 5xx)
    bool quitting = false; // the goodbye's reply says nothing of a failure
};

// Keeps the words of the server's refusal: "550-5.1.1 ..." lines go on,
// "550 ..." ends the reply. The goodbye after it does not count.
int trace(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* up = static_cast<Upload*>(self);
    if (type == CURLINFO_HEADER_OUT && QByteArrayView(data, qsizetype(size)).startsWith("QUIT"))
        up->quitting = true;
    if (type != CURLINFO_HEADER_IN || up->quitting)
        return 0;
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    const bool coded = line.size() >= 3 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1])) &&
                       std::isdigit(uchar(line[2])) && (line.size() == 3 || line[3] == ' ' || line[3] == '-');
    if (!coded)
        return 0;
    if (up->reply.size() < 4096)
        up->reply += (up->reply.isEmpty() ? QByteArray() : QByteArray(" ")) + line.mid(4);
    if (line.size() == 3 || line[3] == ' ') {
        // The reply to the step that failed: a later positive one clears it.
        up->refusal = line.startsWith('4') || line.startsWith('5') ? up->reply : QByteArray();
        up->reply.clear();
    }
    return 0;
}

size_t readMessage(char* buffer, size_t size, size_t count, void* self)
{
    auto* up = static_cast<Upload*>(self);
    const qsizetype n = qMin<qsizetype>(qsizetype(size * count), up->data.size() - up->offset);
    memcpy(buffer, up->data.constData() + up->offset, size_t(n));
    up->offset += n;
    return size_t(n);
}

int progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* up = static_cast<Upload*>(self);
    return up->cancelled && up->cancelled->load() ? 1 : 0;
}

QString hostOf(const QString& url)
{
    const QUrl u(url);
    return u.port() > 0 ? QStringLiteral("%1:%2").arg(u.host()).arg(u.port()) : u.host();
}

QString failureText(CURLcode code, long smtpCode, const QString& url, const QByteArray& serverText)
{
    const QString said = QString::fromUtf8(serverText);
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        // A server that answered and then fell silent was there all along.
        if (smtpCode > 0)
            return QStringLiteral("Serwer poczty %1 przestał odpowiadać").arg(hostOf(url));
        return QStringLiteral("Serwer poczty %1 jest niedostępny").arg(hostOf(url));
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("Serwer poczty %1 jest niedostępny").arg(hostOf(url));
    case CURLE_LOGIN_DENIED:
        return SystemError::MailRefusal(smtpCode >= 400 ? smtpCode : 535, hostOf(url), said);
    case CURLE_PEER_FAILED_VERIFICATION:
#if LIBCURL_VERSION_NUM < 0x073e00
    case CURLE_SSL_CACERT:
#endif
        return QStringLiteral("Certyfikat serwera poczty %1 nie został potwierdzony").arg(hostOf(url));
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("Serwer poczty %1 nie oferuje szyfrowania (STARTTLS), a hasło nie może iść otwartym tekstem")
            .arg(hostOf(url));
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("Nie udało się nawiązać szyfrowanego połączenia z serwerem poczty %1").arg(hostOf(url));
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("Wysyłanie anulowano");
    default:
        break;
    }
    // An answer of the server that refused the sender, a recipient or the
    // message itself.
    if (smtpCode >= 400)
        return SystemError::MailRefusal(smtpCode, hostOf(url), said);
    if (code == CURLE_GOT_NOTHING || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR ||
        code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_PARTIAL_FILE)
        return QStringLiteral("Serwer poczty %1 przerwał połączenie").arg(hostOf(url));
    return QStringLiteral("Nie udało się wysłać wiadomości przez serwer %1: %2").arg(hostOf(url), SystemError::TransferReason(code));
}

QByteArray envelope(const QString& address)
{
    return '<' + address.trimmed().toUtf8() + '>';
}

} // namespace

int SetSmtpSilenceForTests(int seconds)
{
    return int(silenceSeconds.exchange(seconds > 0 ? seconds : kSilenceSeconds));
}

std::optional<QString> ServerAddressProblem(const QString& url)
{
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Nie podano adresu serwera poczty");
    for (const QChar c : trimmed)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("Adres serwera poczty nie może zawierać odstępów ani znaków sterujących");
    const QUrl u(trimmed, QUrl::StrictMode);
    const QString scheme = u.scheme().toLower();
    if (!u.isValid() || (scheme != QLatin1String("smtp") && scheme != QLatin1String("smtps")) || u.host().isEmpty())
        return QStringLiteral("Adres serwera poczty ma postać smtp://serwer:port lub smtps://serwer:port");
    return std::nullopt;
}

SendResult SendMail(const SmtpAccount& account, const MailMessage& message, const std::atomic<bool>* cancelled)
{
    SendResult result;
    if (const auto problem = ServerAddressProblem(account.url)) {
        result.error = *problem;
        return result;
    }
    if (const auto problem = MessageProblem(message)) {
        result.error = *problem;
        return result;
    }
    if (account.user.contains(QLatin1Char('\r')) || account.user.contains(QLatin1Char('\n')) ||
        account.password.contains(QLatin1Char('\r')) || account.password.contains(QLatin1Char('\n'))) {
        result.error = QStringLiteral("Użytkownik i hasło serwera poczty nie mogą zawierać znaku końca wiersza");
        return result;
    }

    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* c = curl_easy_init();
    if (!c) {
        result.error = QStringLiteral("Nie udało się wysłać wiadomości (brak pamięci)");
        return result;
    }

    const QByteArray url = account.url.trimmed().toUtf8();
    const QByteArray user = account.user.toUtf8();
    const QByteArray password = account.password.toUtf8();
    const QByteArray caFile = TlsTrust::caFileForTests().toLocal8Bit();
    const QByteArray from = envelope(message.from);
    QList<QByteArray> recipients;
    curl_slist* rcpt = nullptr;
    for (const QString& to : message.to) {
        recipients << envelope(to);
        rcpt = curl_slist_append(rcpt, recipients.last().constData());
    }
    Upload up{ComposeMessage(message, Clock::now()), 0, cancelled};

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
#else
    curl_easy_setopt(c, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_SMTP | CURLPROTO_SMTPS));
#endif
    // smtp:// upgrades when the server offers STARTTLS; a certificate that
    // does not verify fails the sending either way. A password never goes
    // in clear text: with a login, a server without STARTTLS is refused.
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(user.isEmpty() ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    const long silence = silenceSeconds.load();
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, silence);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, silence);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, silence);
    if (!user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &up);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(up.data.size()));
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &up);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L); // feeds trace(); prints nothing
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, trace);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &up);

    const CURLcode code = curl_easy_perform(c);
    long smtpCode = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &smtpCode);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(c);

    // The message is the server's once it answered 250 to its end: the
    // whole message was read out to it (which happens only after its 354
    // to DATA), and the last answer is a 250. Whatever fails after that
    // (the goodbye) does not unsend it.
    const bool accepted = up.offset == up.data.size() && smtpCode == 250;
    if (code == CURLE_OK || accepted) {
        result.sent = true;
        return result;
    }
    result.error = failureText(code, smtpCode, account.url, up.refusal);
    return result;
}

} // namespace powiadomienia
