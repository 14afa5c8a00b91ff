// Runs against a local HTTP server record every check in historia.sqlite:
// a new notice between two runs is exactly the added line, a page that
// only counted a visitor has no added line and, with the filter on, gets
// kod 0; failures and time-outs are recorded without a body.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/versiondiff.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/livethreads.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"

#include <QtTest>

using namespace historia;

namespace {

QByteArray newsPage(const QStringList& notices)
{
    QByteArray body = "<html><head><script>var x = 1;</script></head><body>\n<h1>Ochrona środowiska</h1>\n<ul>\n";
    for (const QString& n : notices)
        body += "<li>" + n.toUtf8() + "</li>\n";
    return body + "</ul>\n</body></html>\n";
}

// Only the counter, the stamp and the session in the links change; the
// tracking script grows by a line, so the line count differs too.
QByteArray counterPage(int visit)
{
    QByteArray body = "<html><body>\n<p>Wykaz danych o dokumentach</p>\n<script>\n";
    for (int i = 0; i <= visit; ++i)
        body += "track(" + QByteArray::number(i) + ");\n";
    body += "</script>\n<a href=\"druk.php?PHPSESSID=" + QByteArray::number(visit * 7919, 16) + "\">druk</a>\n";
    body += "<p>licznik odwiedzin: " + QByteArray::number(16807967 + visit) + "</p>\n";
    body += "<p>Strona wygenerowana w 0,0" + QByteArray::number(3 + visit) + " s</p>\n</body></html>\n";
    return body;
}

} // namespace

class TestRunHistory : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpTestServer> m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<RunReport> m_report;
    std::unique_ptr<baza::Baza> m_baza;
    std::unique_ptr<RunController> m_run;
    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<ConnectionOverride> m_online;

    void makeRegister(const QStringList& addresses)
    {
        m_baza = std::make_unique<baza::Baza>(m_dir->path());
        m_baza->OpenTable();
        dbf::DbfTable& t = m_baza->table();
        int n = 0;
        for (const QString& a : addresses) {
            t.append();
            t.setText(baza::Gmina, QStringLiteral("Gmina %1").arg(++n));
            t.setText(baza::Info, a);
            t.post();
        }
        m_run = std::make_unique<RunController>(*m_baza, *m_report, *m_settings, *m_dialogs);
    }
    void runToEnd()
    {
        m_run->SpeedButton1Click(true);
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->active() && LiveThreads::count() == 0, 20000);
        QCoreApplication::processEvents();
    }
    int kodOf(int recNo) { return m_baza->table().integerAt(m_baza->table().rowOfRecNo(recNo), baza::Kod); }
    QList<StoredCheck> checksOf(const QString& page)
    {
        HistoryStore store(HistoryStore::PathIn(m_dir->path()));
        store.open(HistoryStore::Mode::ReadOnly);
        return store.Checks(page);
    }
    VersionDiff lastDiff(const QString& page)
    {
        HistoryStore store(HistoryStore::PathIn(m_dir->path()));
        store.open(HistoryStore::Mode::ReadOnly);
        const StoredCheck last = *store.LastVersion(page);
        const StoredCheck before = *store.VersionBefore(last);
        return DiffTexts(store.Text(before.sha256), before.moment.date(), store.Text(last.sha256), last.moment.date(),
                         NoiseRules(store.Rules(page)));
    }

private Q_SLOTS:
    void initTestCase() { RunController::SetTimerPeriods(5, 20); }
    void init()
    {
        m_online = std::make_unique<ConnectionOverride>(true);
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<HttpTestServer>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_settings = std::make_unique<Settings>();
        m_report = std::make_unique<RunReport>();
        m_clock = std::make_unique<PinnedClock>(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    }
    void cleanup()
    {
        QTRY_VERIFY_WITH_TIMEOUT(LiveThreads::count() == 0, 30000);
        m_run.reset();
        m_baza.reset();
        m_clock.reset();
    }

    void twoRunsShowTheNewNoticeAndNothingForACounter_data()
    {
        QTest::addColumn<bool>("filter");
        QTest::newRow("filtr wyłączony") << false;
        QTest::newRow("filtr włączony") << true;
    }
    void twoRunsShowTheNewNoticeAndNothingForACounter()
    {
        QFETCH(bool, filter);
        m_settings->skipWithoutNewContent = filter;
        const QStringList old{"Obwieszczenie A", "Obwieszczenie B"};
        m_server->route("/news", HttpTestServer::Response::html(newsPage(old)));
        m_server->route("/counter", HttpTestServer::Response::html(counterPage(0)));
        m_server->route("/gone", HttpTestServer::Response::statusPage(404, "Not Found", "<p>brak</p>"));
        makeRegister({m_server->url(QStringLiteral("/news")), QStringLiteral(" ") + m_server->url(QStringLiteral("/counter")),
                      m_server->url(QStringLiteral("/gone"))});
        runToEnd();

        m_clock.reset(); // before the next pin: the old one unpins when it goes
        m_clock = std::make_unique<PinnedClock>(QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
        m_server->route("/news", HttpTestServer::Response::html(
                                     newsPage({"Obwieszczenie C o decyzji środowiskowej", "Obwieszczenie A", "Obwieszczenie B"})));
        m_server->route("/counter", HttpTestServer::Response::html(counterPage(1)));
        runToEnd();

        const QString news = m_server->url(QStringLiteral("/news"));
        const QString counter = m_server->url(QStringLiteral("/counter"));
        const QList<StoredCheck> newsChecks = checksOf(news);
        QCOMPARE(newsChecks.size(), 2);
        QCOMPARE(newsChecks[1].moment, QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
        QCOMPARE(newsChecks[1].kod, 2);
        QCOMPARE(newsChecks[1].lines, 8);
        QVERIFY(newsChecks[1].newContent);
        QCOMPARE(lastDiff(news).added, QStringList{"Obwieszczenie C o decyzji środowiskowej"});
        QVERIFY(lastDiff(news).removed.isEmpty());
        QCOMPARE(kodOf(1), 2); // a real change keeps its verdict with the filter too

        const QList<StoredCheck> counterChecks = checksOf(counter);
        QCOMPARE(counterChecks.size(), 2);
        QVERIFY(counterChecks[0].sha256 != counterChecks[1].sha256); // the bodies differ
        QVERIFY(!counterChecks[1].newContent);
        QVERIFY(lastDiff(counter).isEmpty());
        QCOMPARE(kodOf(2), filter ? 0 : 2);
        QCOMPARE(counterChecks[1].kod, filter ? 0 : 2);
        QCOMPARE(m_report->updatedLines().contains(QStringLiteral("LP = 2 - Gmina 2")), !filter);

        const QList<StoredCheck> gone = checksOf(m_server->url(QStringLiteral("/gone")));
        QCOMPARE(gone.size(), 2);
        QVERIFY(!gone[1].hasBody());
        QCOMPARE(gone[1].kod, 5);
        QCOMPARE(gone[1].httpCode, 404);
        QCOMPARE(gone[1].outcome, QStringLiteral("Błędna strona: Not Found"));
    }

    void filterIsKeptInConfigIni()
    {
        const QString ini = m_dir->filePath(QStringLiteral("config.ini"));
        Settings s;
        konfig::SaveSettings(s, ini);
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("tresc")); // off and never set: the nine keys only
        f.close();
        s.skipWithoutNewContent = true;
        konfig::SaveSettings(s, ini);
        Settings loaded;
        konfig::LoadSettings(loaded, ini);
        QVERIFY(loaded.skipWithoutNewContent);
        loaded.skipWithoutNewContent = false;
        konfig::SaveSettings(loaded, ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("tresc=0\r\n"));
    }

    void aNewDateStillGivesThree()
    {
        m_settings->skipWithoutNewContent = true;
        m_server->route("/p", HttpTestServer::Response::html("<p>Ogłoszenie z dnia 1 grudnia 2026 r.</p>\n"));
        makeRegister({m_server->url(QStringLiteral("/p"))});
        runToEnd();
        QCOMPARE(kodOf(1), 3);
        QCOMPARE(checksOf(m_server->url(QStringLiteral("/p"))).first().foundDate, QDate(2026, 12, 1));
    }

    void damagedHistoryDoesNotStopTheRun()
    {
        QFile f(HistoryStore::PathIn(m_dir->path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("SQLite format 3\0 zepsuty nagłówek i nic więcej" + QByteArray(5000, '\x7f'));
        f.close();
        m_server->route("/p", HttpTestServer::Response::html(newsPage({"Obwieszczenie A"})));
        makeRegister({m_server->url(QStringLiteral("/p")), m_server->url(QStringLiteral("/p2"))});
        m_server->route("/p2", HttpTestServer::Response::html(newsPage({"Obwieszczenie B"})));
        runToEnd();
        QCOMPARE(kodOf(1), 2);
        QCOMPARE(kodOf(2), 2);
        QVERIFY(m_report->events().join(u'\n').contains(QStringLiteral("Plik historii stron był uszkodzony")));
        QCOMPARE(checksOf(m_server->url(QStringLiteral("/p2"))).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRunHistory)
#include "tst_runhistory.moc"
