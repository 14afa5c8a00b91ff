// The one mapping of system, library and server failures to Polish: every
// reason is Polish whatever the library said, real files give the reason of
// their real failure, and a server's own words come only after our sentence.
#include "platform/systemerror.h"
#include "support/englishwords.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <curl/curl.h>
#include <sqlite3.h>

#include <cerrno>

using testdata::EnglishWordIn;

class TestSystemError : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void errorNumbers_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ENOENT") << ENOENT << QStringLiteral("brak pliku lub katalogu");
        QTest::newRow("EACCES") << EACCES << QStringLiteral("brak uprawnień do pliku lub katalogu");
        QTest::newRow("EPERM") << EPERM << QStringLiteral("brak uprawnień do pliku lub katalogu");
        QTest::newRow("ENOSPC") << ENOSPC << QStringLiteral("brak miejsca na dysku");
        QTest::newRow("EDQUOT") << EDQUOT << QStringLiteral("brak miejsca na dysku");
        QTest::newRow("EROFS") << EROFS << QStringLiteral("dysk jest tylko do odczytu");
        QTest::newRow("EISDIR") << EISDIR << QStringLiteral("to jest katalog, a nie plik");
        QTest::newRow("EIO") << EIO << QStringLiteral("błąd odczytu lub zapisu dysku");
        QTest::newRow("EFBIG") << EFBIG << QStringLiteral("plik przekroczył największy dozwolony rozmiar");
        QTest::newRow("unknown number") << 4242 << QStringLiteral("błąd systemu nr 4242");
    }

    // The reason by number, and the number found again from the system's
    // own text (which is what Qt's errorString() of a file holds).
    void errorNumbers()
    {
        QFETCH(int, number);
        QFETCH(QString, reason);
        QCOMPARE(SystemError::Reason(number), reason);
        if (number != 4242 && number != EDQUOT && number != EPERM)
            QCOMPARE(SystemError::ErrorNumberOf(qt_error_string(number)), number);
    }

    // Every number the system has a text for gets Polish words.
    void noSystemTextLeaks()
    {
        for (int e = 1; e < 134; ++e) {
            const QString reason = SystemError::Reason(e);
            QVERIFY2(EnglishWordIn(reason).isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(e).arg(reason)));
            QVERIFY(reason != qt_error_string(e));
        }
        QCOMPARE(SystemError::ErrorNumberOf(QStringLiteral("Nie ma takiego pliku")), 0);
        QCOMPARE(SystemError::ErrorNumberOf(QString()), 0);
    }

    void folderReasons()
    {
        const QString folder = QStringLiteral("/srv/dane");
        QCOMPARE(SystemError::FolderReason(EACCES, folder), QStringLiteral("brak uprawnień do zapisu w katalogu \"/srv/dane\""));
        QCOMPARE(SystemError::FolderReason(EROFS, folder), QStringLiteral("katalog \"/srv/dane\" leży na dysku tylko do odczytu"));
        QCOMPARE(SystemError::FolderReason(ENOENT, folder), QStringLiteral("brak katalogu \"/srv/dane\""));
        QCOMPARE(SystemError::FolderReason(ENOSPC, folder), QStringLiteral("brak miejsca na dysku"));
    }

    // Real files failing for real: the reason is the failure's own.
    void realFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        QFile missing(dir.filePath(QStringLiteral("none.csv")));
        QVERIFY(!missing.open(QIODevice::ReadOnly));
        QCOMPARE(SystemError::FileReason(missing), QStringLiteral("brak pliku lub katalogu"));

        QSaveFile nowhere(dir.filePath(QStringLiteral("nie-ma/wykaz.txt")));
        QVERIFY(!nowhere.open(QIODevice::WriteOnly));
        QCOMPARE(SystemError::FileReason(nowhere), QStringLiteral("brak katalogu \"%1\"").arg(dir.filePath(QStringLiteral("nie-ma"))));

        QFile folder(dir.path());
        QVERIFY(!folder.open(QIODevice::WriteOnly));
        QCOMPARE(SystemError::FileReason(folder), QStringLiteral("to jest katalog, a nie plik"));

        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QCOMPARE(full.write("wykaz", 5), qint64(-1));
        QCOMPARE(SystemError::FileReason(full), QStringLiteral("brak miejsca na dysku"));

        // Buffered, the failure shows at the close, where Qt has no text.
        QFile buffered(QStringLiteral("/dev/full"));
        QVERIFY(buffered.open(QIODevice::WriteOnly));
        buffered.write("wykaz", 5);
        buffered.close();
        QVERIFY(buffered.error() != QFileDevice::NoError);
        QVERIFY2(EnglishWordIn(SystemError::FileReason(buffered)).isEmpty(), qPrintable(SystemError::FileReason(buffered)));
    }

    void transferReasons_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << int(CURLE_COULDNT_CONNECT) << QStringLiteral("serwer nie przyjmuje połączeń");
        QTest::newRow("unknown name") << int(CURLE_COULDNT_RESOLVE_HOST) << QStringLiteral("nie znaleziono serwera o tej nazwie");
        QTest::newRow("silent") << int(CURLE_OPERATION_TIMEDOUT) << QStringLiteral("serwer nie odpowiedział w wyznaczonym czasie");
        QTest::newRow("certificate") << int(CURLE_PEER_FAILED_VERIFICATION) << QStringLiteral("certyfikat serwera nie został potwierdzony");
        QTest::newRow("TLS") << int(CURLE_SSL_CONNECT_ERROR) << QStringLiteral("nie udało się nawiązać połączenia szyfrowanego (TLS)");
        QTest::newRow("redirect loop") << int(CURLE_TOO_MANY_REDIRECTS) << QStringLiteral("odrzucone przekierowanie: ponad 20 przekierowań");
        QTest::newRow("redirect elsewhere") << int(CURLE_UNSUPPORTED_PROTOCOL) << QStringLiteral("odrzucone przekierowanie na adres inny niż http(s)");
        QTest::newRow("login") << int(CURLE_LOGIN_DENIED) << QStringLiteral("serwer odrzucił użytkownika lub hasło");
        QTest::newRow("server disk") << int(CURLE_REMOTE_DISK_FULL) << QStringLiteral("na serwerze brak miejsca");
        QTest::newRow("unlisted") << int(CURLE_RTSP_CSEQ_ERROR) << QStringLiteral("błąd połączenia nr %1").arg(int(CURLE_RTSP_CSEQ_ERROR));
    }

    void transferReasons()
    {
        QFETCH(int, code);
        QFETCH(QString, reason);
        QCOMPARE(SystemError::TransferReason(code), reason);
    }

    // No code libcurl has gives libcurl's own words.
    void noTransferTextLeaks()
    {
        for (int code = 1; code < CURL_LAST; ++code) {
            const QString reason = SystemError::TransferReason(code);
            QVERIFY2(EnglishWordIn(reason).isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(code).arg(reason)));
            QVERIFY(reason != QString::fromLatin1(curl_easy_strerror(static_cast<CURLcode>(code))));
        }
    }

    void databaseReasons_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("locked") << SQLITE_BUSY << QStringLiteral("plik jest zajęty przez inny program");
        QTest::newRow("locked (extended)") << SQLITE_BUSY_SNAPSHOT << QStringLiteral("plik jest zajęty przez inny program");
        QTest::newRow("logic error") << SQLITE_ERROR << QStringLiteral("plik nie ma układu historii tego programu");
        QTest::newRow("full") << SQLITE_FULL << QStringLiteral("brak miejsca na dysku");
        QTest::newRow("read-only") << SQLITE_READONLY_DIRECTORY << QStringLiteral("plik jest tylko do odczytu");
        QTest::newRow("not a database") << SQLITE_NOTADB << QStringLiteral("to nie jest plik bazy danych SQLite");
    }

    void databaseReasons()
    {
        QFETCH(int, code);
        QFETCH(QString, reason);
        QCOMPARE(SystemError::DatabaseReason(code), reason);
    }

    void noDatabaseTextLeaks()
    {
        for (int code = 1; code <= SQLITE_NOTADB; ++code) {
            const QString reason = SystemError::DatabaseReason(code);
            QVERIFY2(EnglishWordIn(reason).isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(code).arg(reason)));
            QVERIFY(reason != QString::fromUtf8(sqlite3_errstr(code)));
        }
    }

    // A refusal is our sentence naming the server, then its code, then the
    // server's own words quoted, made one short printable line.
    void serverRefusals_data()
    {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("serverText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mail: password") << true << 535 << QStringLiteral("535 5.7.8 Authentication credentials invalid\r\n")
                                        << QStringLiteral("Serwer poczty poczta.gmina.pl:587 odrzucił użytkownika lub hasło (kod 535) "
                                                          "(odpowiedź serwera: „5.7.8 Authentication credentials invalid”)");
        QTest::newRow("mail: recipient") << true << 550 << QStringLiteral("550-5.1.1 No such\r\n550 5.1.1 user")
                                         << QStringLiteral("Serwer poczty poczta.gmina.pl:587 odrzucił nadawcę lub adresata (kod 550) "
                                                           "(odpowiedź serwera: „5.1.1 No such 550 5.1.1 user”)");
        QTest::newRow("mail: later") << true << 451 << QString()
                                     << QStringLiteral("Serwer poczty poczta.gmina.pl:587 chwilowo nie przyjmuje wiadomości; spróbuj później (kod 451)");
        QTest::newRow("mail: unlisted 4xx") << true << 471 << QStringLiteral("   ")
                                            << QStringLiteral("Serwer poczty poczta.gmina.pl:587 chwilowo odmówił przyjęcia wiadomości (kod 471)");
        QTest::newRow("ftp: login") << false << 530 << QStringLiteral("530 Login incorrect.")
                                    << QStringLiteral("Serwer FTP ftp.gmina.pl odrzucił użytkownika lub hasło (kod 530) "
                                                      "(odpowiedź serwera: „Login incorrect.”)");
        QTest::newRow("ftp: disk") << false << 552 << QStringLiteral("552 Quota\texceeded\x01")
                                   << QStringLiteral("Serwer FTP ftp.gmina.pl nie ma miejsca na plik (kod 552) (odpowiedź serwera: „Quota exceeded”)");
        QTest::newRow("ftp: no file") << false << 550 << QString()
                                      << QStringLiteral("Serwer FTP ftp.gmina.pl odmówił: brak pliku, katalogu lub uprawnień do nich (kod 550)");
    }

    void serverRefusals()
    {
        QFETCH(bool, mail);
        QFETCH(int, code);
        QFETCH(QString, serverText);
        QFETCH(QString, expected);
        const QString text = mail ? SystemError::MailRefusal(code, QStringLiteral("poczta.gmina.pl:587"), serverText)
                                  : SystemError::FtpRefusal(code, QStringLiteral("ftp.gmina.pl"), serverText);
        QCOMPARE(text, expected);
        // Whatever the server said, the sentence before it is ours.
        QVERIFY(EnglishWordIn(text.section(QStringLiteral(" (odpowiedź serwera:"), 0, 0)).isEmpty());
    }

    void longServerTextIsCut()
    {
        const QString quoted = SystemError::QuotedServerText(QStringLiteral("550 ") + QString(500, QLatin1Char('x')));
        QCOMPARE(quoted.size(), 160);
        QVERIFY(quoted.endsWith(QChar(0x2026)));
        QVERIFY(SystemError::QuotedServerText(QStringLiteral("\r\n\t")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSystemError)
#include "tst_systemerror.moc"
