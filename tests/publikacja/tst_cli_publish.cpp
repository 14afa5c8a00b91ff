#include "registerfixture.h"

#include "internet/checkconnection.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "publikacja/entry.h"
#include "support/ftptestserver.h"
#include "support/englishwords.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString entryOf(const RecordValues& r)
{
    return publikacja::MakeEntry(r.gmina, r.natura2000, r.info, datevalue::fromDate(r.aktualizacja));
}

// The event-log lines the command printed, without time stamps.
QStringList printedEvents(const QByteArray& out)
{
    QStringList texts;
    for (const QString& line : QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype arrow = line.indexOf(QStringLiteral(" => "));
        texts << (arrow < 0 ? line : line.mid(arrow + 4));
    }
    return texts;
}

const RecordValues kMarked{QStringLiteral("Żabno"), QStringLiteral("Dolina Dunajca"), QStringLiteral("http://zabno.pl"),
                         QDate(2009, 1, 1), 3};
const RecordValues kUnmarked{QStringLiteral("Bez"), QStringLiteral("Zmian"), QStringLiteral("http://bez.pl"),
                           QDate(2009, 1, 1), 0};

} // namespace

class TestCliPublish : public QObject
{
    Q_OBJECT

private:
    FtpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_data;

    void prepare(const QList<RecordValues>& records)
    {
        baza::Baza b(m_data->path());
        BuildRegister(b, records);
        b.table().close();
        Settings s;
        s.host = m_server.host();
        s.directory = QStringLiteral("/www");
        s.user = m_server.user();
        s.password = m_server.password();
        konfig::SaveSettings(s, m_data->filePath(QStringLiteral("config.ini")));
    }
    testdata::ProcessResult publish()
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--dir"), m_data->path(),
                                                              QStringLiteral("publish")});
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The command asks the system whether it is online, as the button does.
        if (!SystemReportsConnection())
            QSKIP("this machine reports no network connection");
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    void init()
    {
        QDir(m_server.rootPath()).removeRecursively();
        QVERIFY(m_server.makeDirectory(QStringLiteral("www")));
        m_data = std::make_unique<QTemporaryDir>();
    }

    void publishesAndPrintsTheEventLog()
    {
        prepare({kUnmarked, kMarked});
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), "stary\r\n"));
        const testdata::ProcessResult r = publish();
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(printedEvents(r.out), (QStringList{QStringLiteral("Plik pobrany."), QStringLiteral("Plik wysłany.")}));
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), "stary\r\n" + ListBytes({entryOf(kMarked)}));
        QVERIFY(!QFile::exists(m_data->filePath(QStringLiteral("wykaz.txt"))));
    }

    void nothingMarkedExitsWithOne()
    {
        prepare({kUnmarked});
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), "stary\r\n"));
        const testdata::ProcessResult r = publish();
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(printedEvents(r.out),
                 (QStringList{QStringLiteral("Plik pobrany."),
                              QStringLiteral("Nie zaznaczono żadnego rekordu do aktualizacji na serwerze.")}));
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), QByteArray("stary\r\n"));
    }

    void unreadListIsNotReplacedAndExitsWithOne()
    {
        prepare({kMarked});
        Settings s;
        konfig::LoadSettings(s, m_data->filePath(QStringLiteral("config.ini")));
        s.directory = QStringLiteral("/nie-ma");
        konfig::SaveSettings(s, m_data->filePath(QStringLiteral("config.ini")));
        const testdata::ProcessResult r = publish();
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(testdata::WithoutReasons(printedEvents(r.out)),
                 (QStringList{QStringLiteral("Błąd pobierania: Brak katalogu /nie-ma."),
                              QStringLiteral("Wykaz na serwerze nie został zastąpiony, bo nie udało się go pobrać.")}));
    }

    void failedUploadExitsWithOne()
    {
        // The server takes 4096 bytes of the upload and drops the line.
        FtpTestServer dropping(FtpTestServer::Mode::DropUploads);
        QVERIFY2(dropping.start(), qPrintable(dropping.errorString()));
        const QByteArray before = QByteArray("Dnia 1 stycznia 2009 wprowadzono zmiany <hr>\r\n").repeated(3000);
        QVERIFY(dropping.putFile(QStringLiteral("www/wykaz.txt"), before));
        prepare({kMarked});
        Settings s;
        konfig::LoadSettings(s, m_data->filePath(QStringLiteral("config.ini")));
        s.host = dropping.host();
        konfig::SaveSettings(s, m_data->filePath(QStringLiteral("config.ini")));
        const testdata::ProcessResult r = publish();
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(testdata::WithoutReasons(printedEvents(r.out)),
                 (QStringList{QStringLiteral("Plik pobrany."),
                              QStringLiteral("Błąd wysyłki: Nie można wysłać pliku %1 na serwer.")
                                  .arg(QDir(m_data->path()).filePath(QStringLiteral("wykaz.txt")))}));
        QCOMPARE(dropping.fileBytes(QStringLiteral("www/wykaz.txt")), before);
    }

    // The list went up but the feed asked for beside it did not: the
    // publication failed, in the exit code as in the event log.
    void failedFeedUploadExitsWithOne()
    {
        prepare({kMarked});
        Settings s;
        konfig::LoadSettings(s, m_data->filePath(QStringLiteral("config.ini")));
        s.atom = true;
        konfig::SaveSettings(s, m_data->filePath(QStringLiteral("config.ini")));
        // Where the feed's temporary copy should go stands a folder.
        QVERIFY(m_server.makeDirectory(QStringLiteral("www/wykaz.xml.tmp")));
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.xml.tmp/zajete"), "x"));
        const testdata::ProcessResult r = publish();
        QCOMPARE(r.exitCode, 1);
        const QStringList events = printedEvents(r.out);
        QVERIFY2(events.contains(QStringLiteral("Plik wysłany.")), r.out.constData());
        QVERIFY2(events.last().startsWith(QStringLiteral("Błąd wysyłki kanału Atom: ")), r.out.constData());
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), ListBytes({entryOf(kMarked)}));
        QVERIFY(!m_server.fileExists(QStringLiteral("www/wykaz.xml")));

        // With the way clear the same publication succeeds.
        QVERIFY(QDir(m_server.localPathOf(QStringLiteral("www/wykaz.xml.tmp"))).removeRecursively());
        const testdata::ProcessResult again = publish();
        QVERIFY2(again.exitCode == 0, again.out.constData());
        QCOMPARE(printedEvents(again.out).last(), QStringLiteral("Kanał Atom wysłany."));
    }

    void emptyRegisterIsRefused()
    {
        prepare({});
        const testdata::ProcessResult r = publish();
        QCOMPARE(r.exitCode, 1);
        QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("Brak danych do wysyłki w bazie")));
        QVERIFY(r.out.isEmpty());
    }

    void registerHeldByTheProgramIsReported()
    {
        prepare({kMarked});
        baza::Baza running(m_data->path()); // the program, with the table open
        running.OpenTable();
        const testdata::ProcessResult r = publish();
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("jest używany przez inny program")), r.err.constData());
        QVERIFY(!m_server.fileExists(QStringLiteral("www/wykaz.txt")));
    }
};

QTEST_GUILESS_MAIN(TestCliPublish)
#include "tst_cli_publish.moc"
