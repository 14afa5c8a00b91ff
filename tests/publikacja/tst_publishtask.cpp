// Publication on a thread of its own: the same steps, texts and files as on
// the caller's thread, told back in order; "Przerwij" ends it in any step
// without a part of the list on the server and without a word of success.
#include "registerfixture.h"

#include "konfig/settings.h"
#include "publikacja/entry.h"
#include "publikacja/publishtask.h"
#include "raport/runreport.h"
#include "support/ftptestserver.h"
#include "text/datevalue.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace publikacja;

namespace {

RecordValues record(const char* gmina, int kod)
{
    return {QString::fromUtf8(gmina), QStringLiteral("Bory"),
            QStringLiteral("http://%1.pl/info").arg(QString::fromUtf8(gmina).toLower()), QDate(2026, 2, 3), kod};
}

QString entryOf(const RecordValues& r)
{
    return MakeEntry(r.gmina, r.natura2000, r.info, datevalue::fromDate(r.aktualizacja));
}

const QString kDownloadStep = QStringLiteral("Pobieranie pliku z serwera. Czekaj...");
const QString kUploadStep = QStringLiteral("Wysyłanie pliku na serwer. Czekaj...");
const QString kFeedStep = QStringLiteral("Wysyłanie kanału Atom. Czekaj...");
const QString kClosing = QStringLiteral("Przetwarzanie. Czekaj ...");
const QString kUntouched = QStringLiteral("Publikacja przerwana. Wykaz na serwerze nie został zmieniony.");

} // namespace

class TestPublishTask : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<baza::Baza> m_baza;
    Settings m_settings;
    RunReport m_report;

    void useServer(const FtpTestServer& server)
    {
        m_settings.host = server.host();
        m_settings.directory = QStringLiteral("/www");
        m_settings.user = server.user();
        m_settings.password = server.password();
    }
    QString localList() const { return m_data->filePath(QStringLiteral("wykaz.txt")); }

    // Starts a publication; the captions it shows, as they arrive.
    struct Watched
    {
        std::unique_ptr<PublishTask> task;
        QStringList captions;
        std::optional<PublishOutcome> outcome;
        QString error;
        Qt::HANDLE captionThread = nullptr;
    };
    std::unique_ptr<Watched> start()
    {
        auto w = std::make_unique<Watched>();
        w->task = std::make_unique<PublishTask>(m_report);
        Watched* p = w.get();
        connect(p->task.get(), &PublishTask::captionChanged, this, [p](const QString& text) {
            p->captions << text;
            p->captionThread = QThread::currentThreadId();
        });
        connect(p->task.get(), &PublishTask::finished, this, [p](const PublishOutcome& o, const QString& e) {
            p->outcome = o;
            p->error = e;
        });
        if (!p->task->Start(*m_baza, m_settings))
            qWarning("the publication did not start");
        return w;
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        m_baza = std::make_unique<baza::Baza>(m_data->path());
        m_settings.atom = false;
        m_settings.removeOlderEntries = false;
        m_settings.limitEntries = false;
        m_report.ClearEventLog();
    }
    void cleanup()
    {
        m_baza.reset();
        m_data.reset();
    }

    void publishesOffTheCallersThreadInTheSameOrder()
    {
        FtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.makeDirectory(QStringLiteral("www")));
        QVERIFY(server.putFile(QStringLiteral("www/wykaz.txt"), ListBytes({QStringLiteral("stary")})));
        useServer(server);
        const RecordValues a = record("Tuchola", 3);
        BuildRegister(*m_baza, {a, record("Cekcyn", 0)});
        m_baza->table().last();

        auto w = start();
        // Start reads the records at once and leaves the cursor on the first.
        QCOMPARE(m_baza->table().row(), 0);
        QVERIFY(w->task->running());
        QVERIFY(!w->task->Start(*m_baza, m_settings)); // one at a time
        QTRY_VERIFY_WITH_TIMEOUT(w->outcome.has_value(), 20000);
        QVERIFY(!w->task->running());
        QVERIFY(w->outcome->sent);
        QVERIFY(!w->outcome->stopped);
        QCOMPARE(w->outcome->appended, 1);
        QVERIFY(w->error.isEmpty());
        QCOMPARE(w->captions, (QStringList{kDownloadStep, QStringLiteral("Usuwanie starych wpisów w pliku. Czekaj..."),
                                          QStringLiteral("Dopisywanie danych do pliku. Czekaj..."),
                                          QStringLiteral("Skracanie pliku. Czekaj..."), kUploadStep, kClosing}));
        QCOMPARE(w->captionThread, QThread::currentThreadId());
        QCOMPARE(EventTexts(m_report), (QStringList{QStringLiteral("Plik pobrany."), QStringLiteral("Plik wysłany.")}));
        QCOMPARE(server.fileBytes(QStringLiteral("www/wykaz.txt")), ListBytes({QStringLiteral("stary"), entryOf(a)}));
        QVERIFY(!QFile::exists(localList()));
    }

    // "Przerwij" in every step that can hang: the server's list stays
    // whole and as it was, nothing says it was sent, no local copy stays.
    void stopEndsAHangingStep_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("login to a silent server") << -1 << kDownloadStep
                                                  << QStringList{QStringLiteral("Pobieranie pliku przerwane."), kUntouched};
        QTest::newRow("download") << int(FtpTestServer::Mode::SilentDownloads) << kDownloadStep
                                  << QStringList{QStringLiteral("Pobieranie pliku przerwane."), kUntouched};
        QTest::newRow("upload") << int(FtpTestServer::Mode::SilentStores) << kUploadStep
                                << QStringList{QStringLiteral("Plik pobrany."), QStringLiteral("Wysyłanie pliku przerwane."),
                                               kUntouched};
    }
    void stopEndsAHangingStep()
    {
        QFETCH(int, mode);
        QFETCH(QString, step);
        QFETCH(QStringList, events);
        const QByteArray old = ListBytes({QStringLiteral("stary wpis")});
        std::unique_ptr<FtpTestServer> server;
        QTcpServer silent; // accepts and never greets
        if (mode < 0) {
            QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
            m_settings.host = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());
            m_settings.directory = QStringLiteral("/www");
            m_settings.user = QStringLiteral("ekowarta");
            m_settings.password = QStringLiteral("haslo");
        } else {
            server = std::make_unique<FtpTestServer>(FtpTestServer::Mode(mode));
            QVERIFY2(server->start(), qPrintable(server->errorString()));
            QVERIFY(server->makeDirectory(QStringLiteral("www")));
            QVERIFY(server->putFile(QStringLiteral("www/wykaz.txt"), old));
            useServer(*server);
        }
        m_settings.atom = true;
        BuildRegister(*m_baza, {record("Tuchola", 3)});

        auto w = start();
        QTRY_VERIFY_WITH_TIMEOUT(w->captions.contains(step), 20000);
        QTest::qWait(300); // the server has the command and keeps silent
        QVERIFY(w->task->running());
        QVERIFY(!w->outcome);
        w->task->Stop();
        QVERIFY(w->task->stopRequested());
        // Within a tenth of a second of the stop, with the server silent
        // for a minute (the transfers' own limit) or for ever.
        QTRY_VERIFY_WITH_TIMEOUT(w->outcome.has_value(), 5000);
        QVERIFY(w->outcome->stopped);
        QVERIFY(!w->outcome->sent);
        QVERIFY(!w->outcome->feedSent);
        QVERIFY(w->error.isEmpty());
        QCOMPARE(EventTexts(m_report), events);
        QCOMPARE(w->captions.last(), kClosing);
        QVERIFY(!w->captions.contains(kFeedStep));
        QVERIFY(!QFile::exists(localList()));
        if (server) {
            QCOMPARE(server->fileBytes(QStringLiteral("www/wykaz.txt")), old);
            QVERIFY(!server->fileExists(QStringLiteral("www/wykaz.xml")));
        }
    }

    void fileErrorComesBackAsItsText()
    {
        FtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.makeDirectory(QStringLiteral("www")));
        QVERIFY(server.putFile(QStringLiteral("www/wykaz.txt"), "serwer\r\n"));
        useServer(server);
        BuildRegister(*m_baza, {record("Tuchola", 3)});
        QVERIFY(QDir().mkpath(localList())); // a directory where the local copy goes
        auto w = start();
        QTRY_VERIFY_WITH_TIMEOUT(w->outcome.has_value(), 20000);
        QVERIFY(!w->outcome->sent);
        QVERIFY(!w->error.isEmpty());
        QVERIFY2(w->error.contains(QDir::toNativeSeparators(localList())), qPrintable(w->error));
        QCOMPARE(w->captions.last(), kClosing);
        QVERIFY(!w->captions.contains(kUploadStep));
        QCOMPARE(server.fileBytes(QStringLiteral("www/wykaz.txt")), QByteArray("serwer\r\n"));
    }

    void destroyingARunningTaskStopsIt()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        m_settings.host = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());
        m_settings.directory = QStringLiteral("/www");
        m_settings.user = QStringLiteral("u");
        m_settings.password = QStringLiteral("p");
        BuildRegister(*m_baza, {record("Tuchola", 3)});
        auto w = start();
        QTRY_VERIFY(w->captions.contains(kDownloadStep));
        QElapsedTimer timer;
        timer.start();
        w->task.reset(); // the window closes
        QVERIFY2(timer.elapsed() < 5000, "the thread outlived its stop");
        QVERIFY(!QFile::exists(localList()));
    }
};

QTEST_GUILESS_MAIN(TestPublishTask)
#include "tst_publishtask.moc"
