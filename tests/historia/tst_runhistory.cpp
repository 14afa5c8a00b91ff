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
#include "support/runfixture.h"

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

class TestRunHistory : public QObject, protected RunFixture
{
    Q_OBJECT

    void makeRegister(const QStringList& addresses)
    {
        QList<Record> records;
        for (const QString& a : addresses)
            records.append({QStringLiteral("Gmina %1").arg(records.size() + 1), a});
        RunFixture::makeRegister(records);
    }
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
    void init() { setUpRun(); }
    void cleanup() { QVERIFY(tearDownRun()); }

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
        QVERIFY(runToEnd());

        pinClock(QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
        m_server->route("/news", HttpTestServer::Response::html(
                                     newsPage({"Obwieszczenie C o decyzji środowiskowej", "Obwieszczenie A", "Obwieszczenie B"})));
        m_server->route("/counter", HttpTestServer::Response::html(counterPage(1)));
        QVERIFY(runToEnd());

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
        QVERIFY(runToEnd());
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
        QVERIFY(runToEnd());
        QCOMPARE(kodOf(1), 2);
        QCOMPARE(kodOf(2), 2);
        QVERIFY(m_report->events().join(u'\n').contains(QStringLiteral("Plik historii stron był uszkodzony")));
        QCOMPARE(checksOf(m_server->url(QStringLiteral("/p2"))).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRunHistory)
#include "tst_runhistory.moc"
