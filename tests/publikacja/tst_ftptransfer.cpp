#include "publikacja/ftp/ftptimeouts.h"
#include "publikacja/ftp/ftptransfer.h"
#include "support/ftptestserver.h"
#include "support/englishwords.h"
#include "support/testdata.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace publikacja;

namespace {

// Every byte value of the code page, in lines ended by CR LF.
QByteArray everyByteList()
{
    QByteArray bytes("Dnia 1 stycznia 2009 wprowadzono zmiany na stronie gminy \xa3\xf3\x64\xbc <hr>\r\n");
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue;
        bytes += char(b);
        if (b % 32 == 31)
            bytes += "\r\n";
    }
    return bytes + "\r\n";
}

} // namespace

class TestFtpTransfer : public QObject
{
    Q_OBJECT

private:
    FtpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_local;
    QString m_localList;

    FtpResult download(const QString& directory = QStringLiteral("/www"))
    {
        return FtpDownload(m_server.host(), m_server.user(), m_server.password(), directory,
                           QStringLiteral("wykaz.txt"), m_localList);
    }
    FtpResult upload(const QString& directory = QStringLiteral("/www"))
    {
        return FtpUpload(m_localList, m_server.host(), directory, m_server.user(), m_server.password());
    }
    void writeLocal(const QByteArray& bytes)
    {
        QFile f(m_localList);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList localFiles() const { return QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden); }

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

    void downloadsByteForByte()
    {
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), everyByteList()));
        const FtpResult r = download();
        QVERIFY2(r.success, qPrintable(r.error));
        QVERIFY(r.error.isEmpty());
        QCOMPARE(testdata::readAll(m_localList), everyByteList());
        QCOMPARE(localFiles(), QStringList{QStringLiteral("wykaz.txt")});
    }

    void downloadReplacesTheLocalFile()
    {
        writeLocal(QByteArray(5000, 'x'));
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), "krotki\r\n"));
        QVERIFY(download().success);
        QCOMPARE(testdata::readAll(m_localList), QByteArray("krotki\r\n"));
    }

    void downloadsAnEmptyFile()
    {
        writeLocal("stary\r\n");
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), QByteArray()));
        QVERIFY(download().success);
        QVERIFY(QFile::exists(m_localList));
        QCOMPARE(testdata::readAll(m_localList), QByteArray());
    }

    void uploadsByteForByteAndReplaces()
    {
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), QByteArray(9000, 'o')));
        writeLocal(everyByteList());
        const FtpResult r = upload();
        QVERIFY2(r.success, qPrintable(r.error));
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), everyByteList());
    }

    void uploadLeavesNoTemporaryFile()
    {
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), "stary\r\n"));
        writeLocal(QByteArray(70000, 'n'));
        QVERIFY(upload().success);
        QCOMPARE(QDir(m_server.localPathOf(QStringLiteral("www"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("wykaz.txt")});
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), QByteArray(70000, 'n'));
    }

    // A server that loses or refuses part of an upload keeps its old list
    // whole, and no partial file stays beside it.
    void brokenUploadsKeepTheServerList_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("error"); // %LOCAL% filled in
        QTest::newRow("connection dropped mid-upload")
            << int(FtpTestServer::Mode::DropUploads) << "Nie można wysłać pliku %LOCAL% na serwer. ";
        QTest::newRow("server keeps part and says done")
            << int(FtpTestServer::Mode::ShortStores) << "Na serwer dotarło tylko 65536 z 200000 bajtów pliku %LOCAL%.";
        QTest::newRow("rename refused")
            << int(FtpTestServer::Mode::RefuseRenames)
            << "Nie można zastąpić pliku wykaz.txt na serwerze. Serwer FTP %HOST% odmówił: brak pliku, katalogu lub uprawnień do nich (kod 550).";
    }
    void brokenUploadsKeepTheServerList()
    {
        QFETCH(int, mode);
        QFETCH(QString, error);
        FtpTestServer server{FtpTestServer::Mode(mode)};
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QByteArray before = QByteArray("Dnia 1 stycznia 2009 wprowadzono zmiany <hr>\r\n").repeated(20000);
        QVERIFY(server.putFile(QStringLiteral("www/wykaz.txt"), before));
        writeLocal(QByteArray(200000, 'n'));
        const FtpResult r = FtpUpload(m_localList, server.host(), QStringLiteral("/www"), server.user(), server.password());
        QVERIFY(!r.success);
        // What the server did when the connection broke (a 426, or
        // nothing) decides the reason that follows.
        error.replace(QStringLiteral("%LOCAL%"), m_localList).replace(QStringLiteral("%HOST%"), server.host());
        const QString own = testdata::WithoutServerWords(r.error);
        QVERIFY2(error.endsWith(QLatin1Char(' ')) ? own.startsWith(error) && own.size() > error.size() : own == error,
                 qPrintable(r.error));
        QVERIFY(testdata::EnglishWordIn(QString(own).remove(m_localList)).isEmpty());
        QCOMPARE(server.fileBytes(QStringLiteral("www/wykaz.txt")), before);
        QCOMPARE(QDir(server.localPathOf(QStringLiteral("www"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("wykaz.txt")});
    }

    // Only "no such file" lets a publication start a new list; every other
    // failed download leaves open what the server holds.
    void downloadTellsAMissingFileApart_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("missing");
        QTest::newRow("no such file") << int(FtpTestServer::Mode::ActiveAllowed) << "file" << true;
        QTest::newRow("no such directory") << int(FtpTestServer::Mode::ActiveAllowed) << "directory" << false;
        QTest::newRow("wrong password") << int(FtpTestServer::Mode::ActiveAllowed) << "password" << false;
        QTest::newRow("first login refused") << int(FtpTestServer::Mode::RefuseFirstLogin) << "" << false;
        QTest::newRow("transfer broken") << int(FtpTestServer::Mode::BrokenDownloads) << "" << false;
        QTest::newRow("no answer to RETR") << int(FtpTestServer::Mode::SilentDownloads) << "" << false;
    }
    void downloadTellsAMissingFileApart()
    {
        QFETCH(int, mode);
        QFETCH(QString, problem);
        QFETCH(bool, missing);
        FtpTestServer server{FtpTestServer::Mode(mode)};
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        if (problem != QLatin1String("file"))
            QVERIFY(server.putFile(QStringLiteral("www/wykaz.txt"), "serwer\r\n"));
        else
            QVERIFY(server.makeDirectory(QStringLiteral("www")));
        const QString directory = problem == QLatin1String("directory") ? QStringLiteral("/nie-ma") : QStringLiteral("/www");
        const QString password = server.password() + (problem == QLatin1String("password") ? QStringLiteral("x") : QString());
        const FtpTimeouts saved = CurrentFtpTimeouts();
        SetFtpTimeouts({2, 1, 1});
        const FtpResult r = FtpDownload(server.host(), server.user(), password, directory, QStringLiteral("wykaz.txt"),
                                        m_localList);
        SetFtpTimeouts(saved);
        QVERIFY(!r.success);
        QCOMPARE(r.remoteFileMissing, missing);
        QVERIFY(!QFile::exists(m_localList));
    }

    void uploadUsesTheLocalFileName()
    {
        m_localList = m_local->filePath(QStringLiteral("lista-2009.txt"));
        writeLocal("a\r\n");
        QVERIFY(upload(QStringLiteral("www")).success); // a relative directory works too
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/lista-2009.txt")), QByteArray("a\r\n"));
        QVERIFY(!m_server.fileExists(QStringLiteral("www/wykaz.txt")));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("isUpload");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("error"); // %HOST%, %LOCAL% filled in
        for (bool up : {false, true}) {
            const char* d = up ? "upload" : "download";
            // A server that answered and refused is named with its refusal.
            QTest::addRow("%s: wrong password", d) << up << "password" << "Serwer FTP %HOST% odrzucił użytkownika lub hasło (kod 530)";
            QTest::addRow("%s: wrong user", d) << up << "user" << "Serwer FTP %HOST% odrzucił użytkownika lub hasło (kod 530)";
            QTest::addRow("%s: nobody listens", d) << up << "closed port" << "Host \"%HOST%\" jest niedostępny";
            QTest::addRow("%s: unknown host name", d) << up << "bad name" << "Host \"%HOST%\" jest niedostępny";
        }
        QTest::newRow("download: missing directory")
            << false << "directory" << "Brak katalogu /nie-ma. Serwer FTP %HOST% odmówił: brak pliku, katalogu lub uprawnień do nich (kod 550).";
        QTest::newRow("upload: missing directory")
            << true << "directory"
            << "Nie można przejść do katalogu /nie-ma na serwerze. Serwer FTP %HOST% odmówił: brak pliku, katalogu lub uprawnień do nich (kod 550).";
        QTest::newRow("download: missing file")
            << false << "file" << "Nie można pobrać pliku wykaz.txt. Serwer FTP %HOST% odmówił: brak pliku, katalogu lub uprawnień do nich (kod 550).";
        QTest::newRow("upload: missing local file")
            << true << "file" << "Nie można wysłać pliku %LOCAL% na serwer. Przyczyna: brak pliku lub katalogu.";
    }
    void failures()
    {
        QFETCH(bool, isUpload);
        QFETCH(QString, problem);
        QFETCH(QString, error);
        QString host = m_server.host();
        QString user = m_server.user();
        QString password = m_server.password();
        QString directory = QStringLiteral("/www");
        if (problem == QLatin1String("password"))
            password += QLatin1Char('x');
        else if (problem == QLatin1String("user"))
            user = QStringLiteral("ktos");
        else if (problem == QLatin1String("closed port"))
            host = QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::unusedPort());
        else if (problem == QLatin1String("bad name"))
            host = QStringLiteral("nie ma takiego/hosta");
        else if (problem == QLatin1String("directory"))
            directory = QStringLiteral("/nie-ma");
        if (isUpload && problem != QLatin1String("file"))
            writeLocal("nowy\r\n");
        if (!isUpload)
            writeLocal("dobry\r\n");
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), isUpload ? "serwer\r\n" : QByteArray()));
        if (!isUpload && problem == QLatin1String("file"))
            QVERIFY(QFile::remove(m_server.localPathOf(QStringLiteral("www/wykaz.txt"))));

        const FtpResult r = isUpload ? FtpUpload(m_localList, host, directory, user, password)
                                     : FtpDownload(host, user, password, directory, QStringLiteral("wykaz.txt"),
                                                   m_localList);
        QVERIFY(!r.success);
        error.replace(QStringLiteral("%HOST%"), host).replace(QStringLiteral("%LOCAL%"), m_localList);
        QCOMPARE(testdata::WithoutServerWords(r.error), error);
        QVERIFY(testdata::EnglishWordIn(testdata::WithoutServerWords(r.error).remove(m_localList)).isEmpty());
        if (isUpload) {
            QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), QByteArray("serwer\r\n"));
        } else {
            // The local file is left as it was, and nothing beside it.
            QCOMPARE(testdata::readAll(m_localList), QByteArray("dobry\r\n"));
            QCOMPARE(localFiles(), QStringList{QStringLiteral("wykaz.txt")});
        }
    }

    void passiveOnlyServerFails_data()
    {
        QTest::addColumn<bool>("isUpload");
        QTest::newRow("download") << false;
        QTest::newRow("upload") << true;
    }
    void passiveOnlyServerFails()
    {
        QFETCH(bool, isUpload);
        FtpTestServer passive(FtpTestServer::Mode::PassiveOnly);
        QVERIFY2(passive.start(), qPrintable(passive.errorString()));
        QVERIFY(passive.makeDirectory(QStringLiteral("www")));
        QVERIFY(passive.putFile(QStringLiteral("www/wykaz.txt"), "serwer\r\n"));
        writeLocal("nowy\r\n");
        const FtpResult r =
            isUpload ? FtpUpload(m_localList, passive.host(), QStringLiteral("/www"), passive.user(), passive.password())
                     : FtpDownload(passive.host(), passive.user(), passive.password(), QStringLiteral("/www"),
                                   QStringLiteral("wykaz.txt"), m_localList);
        QVERIFY(!r.success);
        const QString refusal = QStringLiteral(" Serwer FTP %1 nie przyjął polecenia programu (kod 502).").arg(passive.host());
        QCOMPARE(testdata::WithoutServerWords(r.error),
                 (isUpload ? QStringLiteral("Nie można wysłać pliku %1 na serwer.").arg(m_localList)
                           : QStringLiteral("Nie można pobrać pliku wykaz.txt.")) + refusal);
        QCOMPARE(passive.fileBytes(QStringLiteral("www/wykaz.txt")), QByteArray("serwer\r\n"));
        QCOMPARE(testdata::readAll(m_localList), QByteArray("nowy\r\n"));
    }

    void brokenDownloadKeepsTheLocalFile()
    {
        FtpTestServer broken(FtpTestServer::Mode::BrokenDownloads);
        QVERIFY2(broken.start(), qPrintable(broken.errorString()));
        QVERIFY(broken.putFile(QStringLiteral("www/wykaz.txt"), everyByteList()));
        writeLocal("dobry\r\n");
        const FtpResult r = FtpDownload(broken.host(), broken.user(), broken.password(), QStringLiteral("/www"),
                                        QStringLiteral("wykaz.txt"), m_localList);
        QVERIFY(!r.success);
        // Whether the server said 426 before it broke off decides the reason.
        const QString step = QStringLiteral("Nie można pobrać pliku wykaz.txt. ");
        QVERIFY2(r.error.startsWith(step) && r.error.size() > step.size(), qPrintable(r.error));
        QVERIFY(testdata::EnglishWordIn(testdata::WithoutServerWords(r.error)).isEmpty());
        QCOMPARE(testdata::readAll(m_localList), QByteArray("dobry\r\n"));
        QCOMPARE(localFiles(), QStringList{QStringLiteral("wykaz.txt")});
    }

    void silentServerTimesOut()
    {
        // Accepts the connection and never greets. With the limits shortened
        // the transfer gives up instead of waiting for ever.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        const FtpTimeouts saved = CurrentFtpTimeouts();
        SetFtpTimeouts({1, 1, 1});
        const QString host = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());
        const FtpResult r = FtpDownload(host, QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("/www"),
                                        QStringLiteral("wykaz.txt"), m_localList);
        SetFtpTimeouts(saved);
        QVERIFY(!r.success);
        QCOMPARE(r.error, QStringLiteral("Host \"%1\" jest niedostępny").arg(host));
        QVERIFY(!QFile::exists(m_localList));
    }

    void lineBreaksInNamesSendNoCommands()
    {
        // "www\r\nDELE wykaz.txt" must not reach the server as two commands.
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), "serwer\r\n"));
        QVERIFY(m_server.putFile(QStringLiteral("wykaz.txt"), "korzen\r\n"));
        const FtpResult r = download(QStringLiteral("www\r\nDELE wykaz.txt"));
        QVERIFY(!r.success);
        QCOMPARE(r.error, QStringLiteral("Brak katalogu www\r\nDELE wykaz.txt."));
        QVERIFY(m_server.fileExists(QStringLiteral("wykaz.txt")));
        QVERIFY(m_server.fileExists(QStringLiteral("www/wykaz.txt")));
    }
};

QTEST_GUILESS_MAIN(TestFtpTransfer)
#include "tst_ftptransfer.moc"
