#include "powiadomienia/smtpsend.h"

#include "internet/tlstrust.h"
#include "platform/clock.h"

#include <QUrl>

#include <curl/curl.h>

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
};

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

QString failureText(CURLcode code, long smtpCode, const QString& url)
{
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
        return QStringLiteral("Serwer poczty odrzucił użytkownika lub hasło");
    case CURLE_PEER_FAILED_VERIFICATION:
#if LIBCURL_VERSION_NUM < 0x073e00
    case CURLE_SSL_CACERT:
#endif
        return QStringLiteral("Certyfikat serwera poczty nie został potwierdzony");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("Serwer poczty nie oferuje szyfrowania (STARTTLS), a hasło nie może iść otwartym tekstem");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("Nie udało się nawiązać szyfrowanego połączenia z serwerem poczty");
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("Wysyłanie anulowano");
    default:
        break;
    }
    // An answer of the server that refused the sender, a recipient or the
    // message itself.
    if (smtpCode >= 400)
        return QStringLiteral("Serwer poczty odmówił przyjęcia wiadomości (kod %1)").arg(smtpCode);
    if (code == CURLE_GOT_NOTHING || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR ||
        code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_PARTIAL_FILE)
        return QStringLiteral("Serwer poczty przerwał połączenie");
    return QStringLiteral("Nie udało się wysłać wiadomości (błąd %1)").arg(int(code));
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
    result.error = failureText(code, smtpCode, account.url);
    return result;
}

} // namespace powiadomienia
