// Which record a free slot takes, against loopback hosts of their own
// (127.0.0.2 and up): shared pages fetched once without holding the others
// back, records waiting for their host or for a server's "come back later"
// holding no slot, time-outs (the last record's too) in the page history,
// and one slot or eight writing the same register, report and history.
#include "baza/fields.h"
#include "historia/historystore.h"
#include "przebieg/passscheduler.h"
#include "support/runfixture.h"

#include <QtTest>

#include <QHostAddress>

#include <algorithm>
#include <vector>

namespace {

using Rec = RunFixture::Record;
using Entry = przebieg::PassScheduler::Entry;

const QByteArray kPage = "<html>\r\n<body>\r\n<p>Obwieszczenie z dnia 15 marca 2026 r.</p>\r\n</body>\r\n</html>\r\n";

HttpTestServer::Response pageAfter(int delayMs)
{
    HttpTestServer::Response r = HttpTestServer::Response::html(kPage);
    r.delayMs = delayMs;
    return r;
}

} // namespace

class TestRunScheduling : public QObject, protected RunFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUpRun(); }
    void cleanup()
    {
        QVERIFY(tearDownRun());
        m_hosts.clear();
    }

    void schedulerTakesTheFirstRecordThatMayGo();
    void consecutiveSharedPagesAreFetchedOnceBesideTheOthers();
    void recordsWaitingForTheirHostHoldNoSlot();
    void timeOutsReachTheHistory_data();
    void timeOutsReachTheHistory();
    void retryAfterIsWaitedWithoutASlot_data();
    void retryAfterIsWaitedWithoutASlot();

private:
    // Servers on 127.0.0.2, 127.0.0.3, … (distinct hosts to the run).
    HttpTestServer& host(int i);
    QList<historia::StoredCheck> historyOf(const QString& page) const;

    std::vector<std::unique_ptr<HttpTestServer>> m_hosts;
};

HttpTestServer& TestRunScheduling::host(int i)
{
    while (int(m_hosts.size()) <= i) {
        const QString address = QStringLiteral("127.0.0.%1").arg(2 + m_hosts.size());
        m_hosts.push_back(std::make_unique<HttpTestServer>(QHostAddress(address)));
        if (!m_hosts.back()->isListening())
            qFatal("no loopback server on %s", qPrintable(address));
    }
    return *m_hosts[i];
}

QList<historia::StoredCheck> TestRunScheduling::historyOf(const QString& page) const
{
    historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir->path()));
    store.open(historia::HistoryStore::Mode::ReadOnly);
    return store.Checks(page);
}

void TestRunScheduling::schedulerTakesTheFirstRecordThatMayGo()
{
    przebieg::PassScheduler s;
    s.Begin(100);
    s.Add(1, "a/1", QStringLiteral("a"));
    s.Add(2, "a/2", QStringLiteral("a"));
    s.Add(3, "a/1", QStringLiteral("a"));
    s.Add(4, "b/1", QStringLiteral("b"));
    s.Add(5, "x", QString()); // no host: counted alone
    s.Add(6, "y", QString());
    qint64 due = 0;
    auto take = [&](qint64 now) {
        const std::optional<Entry> e = s.TakeNext(now, &due);
        return e ? e->recordNumber : 0;
    };
    QCOMPARE(take(0), 1);
    QVERIFY(s.hostBusy(QStringLiteral("a")));
    QVERIFY(s.pageHeld("a/1"));
    QCOMPARE(take(0), 4); // 2 and 3 wait for their host, 3 for its page too
    QCOMPARE(take(0), 5);
    QCOMPARE(take(0), 6);
    QCOMPARE(take(0), 0);
    QCOMPARE(due, -1); // nothing waits on a clock: only on hosts and pages
    s.HostReleased(QStringLiteral("a"), 1000);
    QCOMPARE(take(1050), 0);
    QCOMPARE(due, 1100); // the host's pause
    QCOMPARE(take(1100), 2);
    // Asked to come back later, record 2 waits in its place and keeps its
    // page; record 3 still waits for page a/1.
    s.HostReleased(QStringLiteral("a"), 1200);
    Entry two;
    two.id = 2;
    two.recordNumber = 2;
    two.page = "a/2";
    two.host = QStringLiteral("a");
    s.Defer(two, 5000);
    QVERIFY(s.pageHeld("a/2"));
    QCOMPARE(take(1300), 0);
    QCOMPARE(due, 5000);
    // Page a/1's check ends: record 3 may go, but a shared result settled it.
    s.PageSettled("a/1", 1);
    QList<int> asked;
    const std::optional<Entry> e = s.TakeNext(1300, &due, [&](const Entry& w) {
        asked << w.recordNumber;
        return true;
    });
    QVERIFY(!e);
    QCOMPARE(asked, QList<int>{3});
    QCOMPARE(s.pendingCount(), 1);
    QCOMPARE(s.firstPendingRecord(), 2);
    QCOMPARE(s.TakeNext(5000)->recordNumber, 2);
    QVERIFY(s.TakeNext(5000) == std::nullopt);
    // A stop forgets what waits and gives deferred pages back.
    s.Add(7, "c", QStringLiteral("c"));
    s.Add(8, "d", QStringLiteral("c"));
    const std::optional<Entry> seven = s.TakeNext(6000);
    QCOMPARE(seven->recordNumber, 7);
    s.Defer(*seven, 9000); // back in its place, before record 8
    QCOMPARE(s.DropPending(), 7);
    QCOMPARE(s.pendingCount(), 0);
    QVERIFY(!s.pageHeld("c"));
}

void TestRunScheduling::consecutiveSharedPagesAreFetchedOnceBesideTheOthers()
{
    // A municipality in four Natura 2000 areas: four records of one page,
    // then four pages of other hosts. The shared page is fetched once, and
    // while it is, the other hosts are served.
    host(0).route("/wspolna", pageAfter(400));
    QList<Rec> records;
    for (int i = 0; i < 4; ++i)
        records << Rec{QStringLiteral("Wspólna %1").arg(i), host(0).url(QStringLiteral("/wspolna"))};
    for (int i = 1; i <= 4; ++i) {
        host(i).route("/p", pageAfter(50));
        records << Rec{QStringLiteral("Inna %1").arg(i), host(i).url(QStringLiteral("/p"))};
    }
    m_settings->jobs = 4;
    m_settings->hostDelayMs = 0;
    makeRegister(records);
    QVERIFY(runToEnd());
    QCOMPARE(host(0).requestCount(), 1);
    for (int r = 1; r <= 8; ++r) {
        QCOMPARE(zOf(r), 1);
        QCOMPARE(kodOf(r), 3);
    }
    const qint64 sharedClosed = host(0).connections().first().closedMs;
    for (int i = 1; i <= 4; ++i)
        QVERIFY2(host(i).connections().first().closedMs < sharedClosed, qPrintable(QString::number(i)));
    // One line for the shared page (its first record), one for each other.
    QCOMPARE(m_report->updatedLines().size(), 5);
    QVERIFY(m_report->updatedLines().contains(QStringLiteral("LP = 1 - Wspólna 0")));
}

void TestRunScheduling::recordsWaitingForTheirHostHoldNoSlot()
{
    // Five records of one host (a voivodeship's shared platform), then one
    // each of two other hosts, two slots: while host A serves its records
    // one after another, the second slot serves B and C.
    for (int p = 0; p < 5; ++p)
        host(0).route("/g" + QByteArray::number(p), pageAfter(150));
    host(1).route("/g", pageAfter(150));
    host(2).route("/g", pageAfter(150));
    QList<Rec> records;
    for (int p = 0; p < 5; ++p)
        records << Rec{QStringLiteral("A%1").arg(p), host(0).url(QStringLiteral("/g%1").arg(p))};
    records << Rec{QStringLiteral("B"), host(1).url(QStringLiteral("/g"))}
            << Rec{QStringLiteral("C"), host(2).url(QStringLiteral("/g"))};
    m_settings->jobs = 2;
    m_settings->hostDelayMs = 0;
    makeRegister(records);
    QVERIFY(runToEnd());
    const QList<HttpTestServer::Connection> a = host(0).connections();
    QCOMPARE(a.size(), 5);
    for (int i = 1; i < a.size(); ++i)
        QVERIFY(a[i].openedMs >= a[i - 1].closedMs - 1); // one at a time
    // B was asked beside A's first page, C beside its second: the records
    // waiting for host A held no slot.
    QVERIFY(host(1).connections().first().openedMs + 50 < a[0].closedMs);
    QVERIFY(host(2).connections().first().openedMs + 50 < a[1].closedMs);
    for (int r = 1; r <= 7; ++r)
        QCOMPARE(zOf(r), 1);
}

void TestRunScheduling::timeOutsReachTheHistory_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("eight at a time") << 8;
}

void TestRunScheduling::timeOutsReachTheHistory()
{
    // "30 sek" is 30 watchdog ticks of 20 ms here; the hanging pages answer
    // long after. The last record hangs too: it is timed like the others.
    QFETCH(int, jobs);
    host(0).route("/wisi", pageAfter(3000));
    host(0).route("/dobra", pageAfter(0));
    host(1).route("/wisi-ostatnia", pageAfter(3000));
    const QString hanging = host(0).url(QStringLiteral("/wisi"));
    const QString last = host(1).url(QStringLiteral("/wisi-ostatnia"));
    m_settings->jobs = jobs;
    m_settings->timeLimitIndex = 0;
    makeRegister({{"Wisząca", hanging}, {"Dobra", host(0).url(QStringLiteral("/dobra"))}, {"Ostatnia", last}});
    QSignalSpy summaries(m_run.get(), &RunController::runSummary);
    m_run->Start();
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->active(), 5000);
    QCOMPARE(kodOf(1), 4);
    QCOMPARE(kodOf(2), 3);
    QCOMPARE(kodOf(3), 4);
    QCOMPARE(uwagiOf(3), QStringLiteral("Problem z odczytem strony (przekroczony czas)"));
    QCOMPARE(zOf(3), 1);
    QCOMPARE(m_report->errorLines(), (QStringList{"LP = 1 - Wisząca", "LP = 3 - Ostatnia"}));
    QCOMPARE(summaries.count(), 1);
    QCOMPARE(summaries.first().first().toString(),
             QStringLiteral("Kontrola zakończona. Zaktualizowane: 1, błędy odczytu: 0, przekroczony czas: 2, "
                            "sprawdzone strony: 3."));
    QVERIFY(waitForQuiet());
    for (const QString& page : {hanging, last}) {
        const QList<historia::StoredCheck> rows = historyOf(page);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().status, 4);
        QCOMPARE(rows.first().outcome, QStringLiteral("Problem z odczytem strony (przekroczony czas)"));
    }
    QCOMPARE(kodOf(3), 4); // the late answers wrote nothing
}

void TestRunScheduling::retryAfterIsWaitedWithoutASlot_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("eight at a time") << 8;
}

void TestRunScheduling::retryAfterIsWaitedWithoutASlot()
{
    // The first record's server asks to come back in a second; meanwhile the
    // slot checks the others, then the page is asked again and answers.
    QFETCH(int, jobs);
    host(0).route("/zajety", HttpTestServer::Response::statusPage(429, "Too Many Requests").withHeader("Retry-After", "1"));
    host(1).route("/a", pageAfter(100));
    host(1).route("/b", pageAfter(100));
    QTimer swap;
    swap.setInterval(2);
    QObject::connect(&swap, &QTimer::timeout, &swap, [&] {
        if (host(0).requestCount() > 0) {
            host(0).route("/zajety", pageAfter(0));
            swap.stop();
        }
    });
    swap.start();
    m_settings->jobs = jobs;
    m_settings->hostDelayMs = 0;
    m_settings->timeLimitIndex = 0; // the wait is no time-out
    makeRegister({{"Zajęta", host(0).url(QStringLiteral("/zajety"))},
                  {"A", host(1).url(QStringLiteral("/a"))},
                  {"B", host(1).url(QStringLiteral("/b"))}});
    QVERIFY(runToEnd());
    QCOMPARE(host(0).requestCount(), 2);
    const QList<HttpTestServer::Connection> asked = host(0).connections();
    QVERIFY2(asked[1].openedMs - asked[0].closedMs >= 999,
             qPrintable(QStringLiteral("%1 ms").arg(asked[1].openedMs - asked[0].closedMs)));
    // Both others were checked while the first waited.
    const QList<HttpTestServer::Connection> others = host(1).connections();
    QCOMPARE(others.size(), 2);
    QVERIFY(others[1].closedMs <= asked[1].openedMs);
    QCOMPARE(kodOf(1), 3);
    QCOMPARE(kodOf(2), 3);
    QCOMPARE(kodOf(3), 3);
    QVERIFY(m_report->errorLines().isEmpty());
    QCOMPARE(m_report->updatedLines(), (QStringList{"LP = 2 - A", "LP = 3 - B", "LP = 1 - Zajęta"}));
}

QTEST_GUILESS_MAIN(TestRunScheduling)
#include "tst_runscheduling.moc"
