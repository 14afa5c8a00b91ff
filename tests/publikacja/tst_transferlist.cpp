#include "registerfixture.h"

#include "konfig/settings.h"
#include "publikacja/ftp/ftptimeouts.h"
#include "publikacja/ftp/transferlist.h"
#include "raport/runreport.h"
#include "support/ftptestserver.h"
#include "support/englishwords.h"
#include "support/testdata.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace publikacja;

class TestTransferList : public QObject
{
    Q_OBJECT

private:
    FtpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_local;
    QString m_localList;

    void configure(Settings& s) const
    {
        s.host = m_server.host();
        s.directory = QStringLiteral("/www");
        s.user = m_server.user();
        s.password = m_server.password();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    void init()
    {
        m_local = std::make_unique<QTemporaryDir>();
        m_localList = m_local->filePath(QStringLiteral("wykaz.txt"));
        QDir(m_server.rootPath()).removeRecursively();
        QVERIFY(m_server.makeDirectory(QStringLiteral("www")));
    }

    void downloadAndUploadLogTheirOutcome()
    {
        const QByteArray list("Dnia 5 marca 2008 \xb3\xf3\x64\xbc <hr>\r\n");
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), list));
        Settings s;
        configure(s);
        RunReport report;
        QVERIFY(TransferList(m_localList, TransferDirection::Download, s, report));
        QCOMPARE(testdata::readAll(m_localList), list);
        QFile::remove(m_server.localPathOf(QStringLiteral("www/wykaz.txt")));
        QVERIFY(TransferList(m_localList, TransferDirection::Upload, s, report));
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), list);
        QCOMPARE(EventTexts(report), (QStringList{QStringLiteral("Plik pobrany."), QStringLiteral("Plik wysłany.")}));
    }

    void failuresAreLoggedWithTheirPrefix_data()
    {
        QTest::addColumn<bool>("isUpload");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("event");
        QTest::newRow("download") << false << "/nie-ma" << "Błąd pobierania: Brak katalogu /nie-ma.";
        QTest::newRow("upload") << true << "/nie-ma"
                                << "Błąd wysyłki: Nie można przejść do katalogu /nie-ma na serwerze.";
        QTest::newRow("directory used trimmed") << false << " \t/nie-ma\r\n" << "Błąd pobierania: Brak katalogu /nie-ma.";
    }
    void failuresAreLoggedWithTheirPrefix()
    {
        QFETCH(bool, isUpload);
        QFETCH(QString, directory);
        QFETCH(QString, event);
        QFile f(m_localList);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Settings s;
        configure(s);
        s.directory = directory;
        RunReport report;
        QVERIFY(!TransferList(m_localList, isUpload ? TransferDirection::Upload : TransferDirection::Download, s,
                              report));
        QCOMPARE(testdata::WithoutReasons(EventTexts(report)), QStringList{event});
    }

    void serverTextsAreUsedTrimmed()
    {
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), "a\r\n"));
        Settings s;
        configure(s);
        s.host = QStringLiteral("  ") + m_server.host() + QStringLiteral(" \t");
        s.user = QStringLiteral("\t") + s.user;
        s.directory = QStringLiteral(" /www ");
        RunReport report;
        QVERIFY(TransferList(m_localList, TransferDirection::Download, s, report));
        QCOMPARE(EventTexts(report), QStringList{QStringLiteral("Plik pobrany.")});
    }

    void missingServerDataContactsNoServer_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        for (const char* f : {"host", "dir", "user", "pass"}) {
            QTest::addRow("%s empty", f) << f << "";
            QTest::addRow("%s blanks only", f) << f << " \t ";
        }
    }
    void missingServerDataContactsNoServer()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QTcpServer listener; // stands for the server: any contact shows as a connection
        QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
        Settings s;
        s.host = QStringLiteral("127.0.0.1:%1").arg(listener.serverPort());
        s.directory = QStringLiteral("/www");
        s.user = QStringLiteral("u");
        s.password = QStringLiteral("p");
        (field == QLatin1String("host") ? s.host : field == QLatin1String("dir") ? s.directory
                                               : field == QLatin1String("user") ? s.user
                                                                                 : s.password) = value;
        for (TransferDirection d : {TransferDirection::Download, TransferDirection::Upload}) {
            QFile f(m_localList);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            RunReport report;
            QVERIFY(!TransferList(m_localList, d, s, report));
            QCOMPARE(EventTexts(report),
                     QStringList{QStringLiteral("Braki w danych dotyczących serwera. Sprawdź konfigurację.")});
        }
        QVERIFY(!listener.waitForNewConnection(200));
    }

    void listenerSeesAContactWhenDataIsComplete()
    {
        // The counter-check of the test above: the same listener does see a
        // transfer that goes ahead (and gives up on it quickly here).
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
        Settings s;
        s.host = QStringLiteral("127.0.0.1:%1").arg(listener.serverPort());
        s.directory = QStringLiteral("/www");
        s.user = QStringLiteral("u");
        s.password = QStringLiteral("p");
        const FtpTimeouts saved = CurrentFtpTimeouts();
        SetFtpTimeouts({1, 1, 1});
        RunReport report;
        const bool ok = TransferList(m_localList, TransferDirection::Download, s, report);
        SetFtpTimeouts(saved);
        QVERIFY(!ok);
        QVERIFY(listener.waitForNewConnection(1000));
        QCOMPARE(EventTexts(report), QStringList{QStringLiteral("Błąd pobierania: Host \"%1\" jest niedostępny")
                                                     .arg(s.host)});
    }

    void uploadWithoutLocalFileComesFirst_data()
    {
        QTest::addColumn<bool>("serverData");
        QTest::newRow("server data missing too") << false;
        QTest::newRow("server data complete") << true;
    }
    void uploadWithoutLocalFileComesFirst()
    {
        QFETCH(bool, serverData);
        Settings s;
        if (serverData)
            configure(s);
        RunReport report;
        QVERIFY(!TransferList(m_localList, TransferDirection::Upload, s, report));
        QCOMPARE(EventTexts(report),
                 QStringList{QStringLiteral("Brak pliku do wysłania. Plik nie został utworzony.")});
        QVERIFY(!m_server.fileExists(QStringLiteral("www/wykaz.txt")));
    }
};

QTEST_GUILESS_MAIN(TestTransferList)
#include "tst_transferlist.moc"
