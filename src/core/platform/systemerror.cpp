#include "platform/systemerror.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStorageInfo>

#include <curl/curl.h>
#include <sqlite3.h>

#include <cerrno>
#include <mutex>

namespace SystemError {
namespace {

// Longest server text quoted after our own sentence.
constexpr qsizetype kQuotedLength = 160;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Every error number the system has a text for, by that text. Built once:
// the texts follow the locale, which does not change while we run.
const QHash<QString, int>& errorNumbersByText()
{
    static QHash<QString, int> byText;
    static std::once_flag once;
    std::call_once(once, [] {
        const QString unknown = qt_error_string(-12345);
        for (int e = 1; e < 256; ++e) {
            const QString text = qt_error_string(e);
            if (text.isEmpty() || text == unknown || text.startsWith(QLatin1String("Unknown error")))
                continue;
            byText.insert(text, e); // the first number for a text wins (EAGAIN before EWOULDBLOCK)
        }
    });
    return byText;
}

// The space left where a file goes, or -1 when it cannot be told.
qint64 spaceLeftFor(const QString& path)
{
    if (path.isEmpty())
        return -1;
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    return volume.isValid() ? volume.bytesAvailable() : -1;
}

QString withServerText(const QString& sentence, const QString& serverText)
{
    const QString quoted = QuotedServerText(serverText);
    if (quoted.isEmpty())
        return sentence;
    return QStringLiteral("%1 (odpowiedź serwera: „%2”)").arg(sentence, quoted);
}

} // namespace

QString Reason(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("brak pliku lub katalogu");
    case EACCES:
    case EPERM:
        return QStringLiteral("brak uprawnień do pliku lub katalogu");
    case EROFS:
        return QStringLiteral("dysk jest tylko do odczytu");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("brak miejsca na dysku");
    case EFBIG:
        return QStringLiteral("plik przekroczył największy dozwolony rozmiar");
    case EISDIR:
        return QStringLiteral("to jest katalog, a nie plik");
    case ENOTDIR:
        return QStringLiteral("część ścieżki nie jest katalogiem");
    case EEXIST:
        return QStringLiteral("plik już istnieje");
    case ENOTEMPTY:
        return QStringLiteral("katalog nie jest pusty");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("otwartych jest zbyt wiele plików");
    case EIO:
        return QStringLiteral("błąd odczytu lub zapisu dysku");
    case ENAMETOOLONG:
        return QStringLiteral("za długa nazwa pliku");
    case ELOOP:
        return QStringLiteral("zbyt wiele dowiązań symbolicznych w ścieżce");
    case EXDEV:
        return QStringLiteral("plik leży na innym dysku");
    case ENOMEM:
        return QStringLiteral("za mało pamięci");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("brak urządzenia");
    case EINVAL:
        return QStringLiteral("system nie przyjął tej operacji na pliku");
    case EAGAIN:
    case EINTR:
        return QStringLiteral("system przerwał operację; spróbuj ponownie");
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return QStringLiteral("plik jest zajęty");
#ifdef ESTALE
    case ESTALE:
        return QStringLiteral("dysk sieciowy przestał udostępniać plik");
#endif
    case 0:
        return QStringLiteral("nieznany błąd systemu");
    default:
        return QStringLiteral("błąd systemu nr %1").arg(errorNumber);
    }
}

QString FolderReason(int errorNumber, const QString& folder)
{
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return QStringLiteral("brak uprawnień do zapisu w katalogu \"%1\"").arg(shown(folder));
    case EROFS:
        return QStringLiteral("katalog \"%1\" leży na dysku tylko do odczytu").arg(shown(folder));
    case ENOENT:
        return QStringLiteral("brak katalogu \"%1\"").arg(shown(folder));
    case ENOTDIR:
        return QStringLiteral("\"%1\" nie jest katalogiem").arg(shown(folder));
    default:
        return Reason(errorNumber);
    }
}

int ErrorNumberOf(const QString& systemText)
{
    if (systemText.isEmpty())
        return 0;
    return errorNumbersByText().value(systemText, 0);
}

QString FileReason(const QFileDevice& file, int errorNumber)
{
    const QFileDevice::FileError kind = file.error();
    int number = ErrorNumberOf(file.errorString());
    if (number == 0 && (kind == QFileDevice::NoError || kind == QFileDevice::UnspecifiedError ||
                        kind == QFileDevice::WriteError || kind == QFileDevice::ResourceError))
        number = errorNumber;
    if (number != 0) {
        // Creating a file is the folder's business: say which folder.
        // (a QSaveFile always creates one beside its target).
        const bool creates = qobject_cast<const QSaveFile*>(&file) != nullptr || !QFileInfo::exists(file.fileName());
        if (kind == QFileDevice::OpenError && !file.fileName().isEmpty() && creates) {
            const QString folder = QFileInfo(file.fileName()).absolutePath();
            if (number == EACCES || number == EPERM || number == EROFS ||
                (number == ENOENT && !QFileInfo(folder).isDir()))
                return FolderReason(number, folder);
        }
        return Reason(number);
    }
    switch (kind) {
    case QFileDevice::NoError:
        return QStringLiteral("nieznany błąd systemu");
    case QFileDevice::ReadError:
        return QStringLiteral("błąd odczytu dysku");
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
    case QFileDevice::ResizeError:
    case QFileDevice::UnspecifiedError:
        // Qt says "Unknown error" for a write the disk had no room for
        // (its buffer flushed at the close): the disk tells.
        if (spaceLeftFor(file.fileName()) == 0)
            return Reason(ENOSPC);
        return kind == QFileDevice::UnspecifiedError ? QStringLiteral("nieznany błąd systemu")
                                                     : QStringLiteral("błąd zapisu na dysk");
    case QFileDevice::FatalError:
        return QStringLiteral("błąd dysku");
    case QFileDevice::OpenError:
        return QStringLiteral("nie można otworzyć pliku");
    case QFileDevice::AbortError:
        return QStringLiteral("operację przerwano");
    case QFileDevice::TimeOutError:
        return QStringLiteral("dysk nie odpowiedział w porę");
    case QFileDevice::RemoveError:
        return QStringLiteral("nie można usunąć pliku");
    case QFileDevice::RenameError:
        return QStringLiteral("nie można zastąpić pliku");
    case QFileDevice::PositionError:
        return QStringLiteral("błąd położenia w pliku");
    case QFileDevice::PermissionsError:
        return QStringLiteral("nie można zmienić uprawnień pliku");
    case QFileDevice::CopyError:
        return QStringLiteral("nie można skopiować pliku");
    }
    return QStringLiteral("nieznany błąd systemu");
}

QString TransferReason(int curlCode)
{
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OK:
        return QString();
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("nie znaleziono serwera o tej nazwie");
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QStringLiteral("nie znaleziono serwera pośredniczącego (proxy)");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("serwer nie przyjmuje połączeń");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("serwer nie odpowiedział w wyznaczonym czasie");
    case CURLE_GOT_NOTHING:
        return QStringLiteral("serwer zamknął połączenie bez odpowiedzi");
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("połączenie z serwerem zostało przerwane");
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("serwer odpowiedział niezgodnie z protokołem");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
#if LIBCURL_VERSION_NUM < 0x073e00
    case CURLE_SSL_CACERT:
#endif
        return QStringLiteral("certyfikat serwera nie został potwierdzony");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("nie udało się nawiązać połączenia szyfrowanego (TLS)");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("serwer nie oferuje szyfrowania (TLS)");
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return QStringLiteral("nie można odczytać certyfikatów zaufanych urzędów");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("serwer odrzucił użytkownika lub hasło");
    case CURLE_TOO_MANY_REDIRECTS:
        return QStringLiteral("odrzucone przekierowanie: ponad 20 przekierowań");
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QStringLiteral("odrzucone przekierowanie na adres inny niż http(s)");
    case CURLE_URL_MALFORMAT:
        return QStringLiteral("błędny adres");
    case CURLE_OUT_OF_MEMORY:
        return QStringLiteral("za mało pamięci");
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("przerwane na żądanie");
    case CURLE_WRITE_ERROR:
        return QStringLiteral("nie można zapisać odebranych danych");
    case CURLE_READ_ERROR:
        return QStringLiteral("nie można odczytać wysyłanego pliku");
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return QStringLiteral("na serwerze nie ma tego pliku");
    case CURLE_REMOTE_ACCESS_DENIED:
        return QStringLiteral("serwer odmówił dostępu");
    case CURLE_REMOTE_DISK_FULL:
        return QStringLiteral("na serwerze brak miejsca");
    case CURLE_UPLOAD_FAILED:
        return QStringLiteral("serwer nie przyjął pliku");
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
        return QStringLiteral("nie udało się otworzyć połączenia do przesłania danych");
    case CURLE_QUOTE_ERROR:
        return QStringLiteral("serwer odrzucił polecenie");
    case CURLE_FAILED_INIT:
        return QStringLiteral("nie można przygotować połączenia");
    default:
        return QStringLiteral("błąd połączenia nr %1").arg(curlCode);
    }
}

QString DatabaseReason(int sqliteCode)
{
    switch (sqliteCode & 0xFF) {
    case SQLITE_OK:
        return QString();
    case SQLITE_FULL:
        return QStringLiteral("brak miejsca na dysku");
    case SQLITE_IOERR:
        return QStringLiteral("błąd odczytu lub zapisu dysku");
    case SQLITE_READONLY:
        return QStringLiteral("plik jest tylko do odczytu");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("brak uprawnień do pliku");
    case SQLITE_CANTOPEN:
        return QStringLiteral("nie można otworzyć pliku");
    case SQLITE_CORRUPT:
        return QStringLiteral("plik jest uszkodzony");
    case SQLITE_NOTADB:
        return QStringLiteral("to nie jest plik bazy danych SQLite");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("plik jest zajęty przez inny program");
    case SQLITE_NOMEM:
        return QStringLiteral("za mało pamięci");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("zapis sprzeczny z zawartością pliku");
    case SQLITE_ERROR:
    case SQLITE_SCHEMA:
    case SQLITE_MISMATCH:
        return QStringLiteral("plik nie ma układu historii tego programu");
    case SQLITE_TOOBIG:
        return QStringLiteral("zapis jest za duży");
    case SQLITE_PROTOCOL:
        return QStringLiteral("inny program blokuje plik w nieoczekiwany sposób");
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return QStringLiteral("operację przerwano");
    default:
        return QStringLiteral("błąd bazy danych nr %1").arg(sqliteCode);
    }
}

QString MailRefusal(long replyCode, const QString& server, const QString& serverText)
{
    QString sentence;
    switch (replyCode) {
    case 421:
        sentence = QStringLiteral("Serwer poczty %1 jest chwilowo niedostępny i zamknął połączenie");
        break;
    case 450:
    case 451:
        sentence = QStringLiteral("Serwer poczty %1 chwilowo nie przyjmuje wiadomości; spróbuj później");
        break;
    case 452:
    case 552:
        sentence = QStringLiteral("Serwer poczty %1 nie ma miejsca na tę wiadomość");
        break;
    case 454:
        sentence = QStringLiteral("Serwer poczty %1 chwilowo nie może szyfrować połączenia");
        break;
    case 500:
    case 501:
    case 502:
    case 503:
    case 504:
        sentence = QStringLiteral("Serwer poczty %1 nie przyjął polecenia programu");
        break;
    case 530:
        sentence = QStringLiteral("Serwer poczty %1 wymaga logowania: podaj użytkownika i hasło");
        break;
    case 534:
    case 538:
        sentence = QStringLiteral("Serwer poczty %1 nie przyjmuje tego sposobu logowania");
        break;
    case 535:
        sentence = QStringLiteral("Serwer poczty %1 odrzucił użytkownika lub hasło");
        break;
    case 550:
    case 551:
    case 553:
        sentence = QStringLiteral("Serwer poczty %1 odrzucił nadawcę lub adresata");
        break;
    case 554:
        sentence = QStringLiteral("Serwer poczty %1 odmówił przyjęcia wiadomości");
        break;
    default:
        sentence = replyCode >= 400 && replyCode < 500
                       ? QStringLiteral("Serwer poczty %1 chwilowo odmówił przyjęcia wiadomości")
                       : QStringLiteral("Serwer poczty %1 odmówił przyjęcia wiadomości");
        break;
    }
    sentence = sentence.arg(server);
    if (replyCode > 0)
        sentence += QStringLiteral(" (kod %1)").arg(replyCode);
    return withServerText(sentence, serverText);
}

QString FtpRefusal(long replyCode, const QString& server, const QString& serverText)
{
    QString sentence;
    switch (replyCode) {
    case 421:
        sentence = QStringLiteral("Serwer FTP %1 jest chwilowo niedostępny i zamknął połączenie");
        break;
    case 425:
    case 426:
        sentence = QStringLiteral("Serwer FTP %1 przerwał przesyłanie danych");
        break;
    case 450:
    case 451:
        sentence = QStringLiteral("Serwer FTP %1 chwilowo nie może wykonać polecenia; spróbuj później");
        break;
    case 452:
    case 552:
        sentence = QStringLiteral("Serwer FTP %1 nie ma miejsca na plik");
        break;
    case 500:
    case 501:
    case 502:
    case 503:
    case 504:
        sentence = QStringLiteral("Serwer FTP %1 nie przyjął polecenia programu");
        break;
    case 530:
    case 532:
        sentence = QStringLiteral("Serwer FTP %1 odrzucił użytkownika lub hasło");
        break;
    case 550:
        sentence = QStringLiteral("Serwer FTP %1 odmówił: brak pliku, katalogu lub uprawnień do nich");
        break;
    case 553:
        sentence = QStringLiteral("Serwer FTP %1 nie przyjął nazwy pliku");
        break;
    default:
        sentence = replyCode >= 400 && replyCode < 500
                       ? QStringLiteral("Serwer FTP %1 chwilowo odmówił wykonania polecenia")
                       : QStringLiteral("Serwer FTP %1 odmówił wykonania polecenia");
        break;
    }
    sentence = sentence.arg(server);
    if (replyCode > 0)
        sentence += QStringLiteral(" (kod %1)").arg(replyCode);
    return withServerText(sentence, serverText);
}

QString QuotedServerText(const QString& serverText)
{
    // The reply code in front is already in our sentence.
    QStringView rest(serverText);
    rest = rest.trimmed();
    if (rest.size() >= 3 && rest[0].isDigit() && rest[1].isDigit() && rest[2].isDigit() &&
        (rest.size() == 3 || rest[3] == QLatin1Char(' ') || rest[3] == QLatin1Char('-')))
        rest = rest.mid(qMin<qsizetype>(4, rest.size()));
    QString text;
    text.reserve(qMin(rest.size(), kQuotedLength + 1));
    bool blank = false;
    for (const QChar c : rest) {
        if (c.isSpace() || !c.isPrint()) {
            blank = !text.isEmpty();
            continue;
        }
        if (blank)
            text += QLatin1Char(' ');
        blank = false;
        text += c;
        if (text.size() > kQuotedLength)
            break;
    }
    if (text.size() > kQuotedLength)
        text = text.left(kQuotedLength - 1) + QChar(0x2026);
    return text;
}

} // namespace SystemError
