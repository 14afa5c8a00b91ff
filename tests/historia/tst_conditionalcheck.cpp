// Asking the server for less: after a good check the next one sends the
// page's ETag and Last-Modified back, and a 304 answer is the unchanged page
// (the record's measures, one request, nothing read), recorded in the
// history with the last version's body. Runs against a loopback server.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "support/runfixture.h"
#include "text/datevalue.h"

#include <QtTest>

using namespace historia;
using Response = HttpTestServer::Response;

namespace {

const QByteArray kDated = "<html><body>\n<p>Obwieszczenie z dnia 1 grudnia 2026 r.</p>\n</body></html>\n";
const QByteArray kUndated = "<html><body>\n<p>Wykaz danych</p>\n<p>o dokumentach</p>\n</body></html>\n";
const QByteArray kType = "text/html; charset=utf-8";

Response withValidators(const QByteArray& body, const QByteArray& etag, const QByteArray& lastModified)
{
    Response r = Response::html(body, kType);
    if (!etag.isEmpty())
        r.withHeader("ETag", etag);
    if (!lastModified.isEmpty())
        r.withHeader("Last-Modified", lastModified);
    return r;
}

Response notModified()
{
    Response r;
    r.status = 304;
    r.reason = "Not Modified";
    return r;
}

} // namespace

class TestConditionalCheck : public QObject, protected RunFixture
{
    Q_OBJECT

    QList<StoredCheck> checksOf(const QString& page)
    {
        HistoryStore store(HistoryStore::PathIn(m_dir->path()));
        store.open(HistoryStore::Mode::ReadOnly);
        return store.Checks(page);
    }
    HttpTestServer::Request lastRequest() const { return m_server->requests().constLast(); }
    void secondDay() { pinClock(QDateTime(QDate(2026, 12, 10), QTime(8, 0))); }

private Q_SLOTS:
    void init() { setUpRun(); }
    void cleanup() { QVERIFY(tearDownRun()); }

    void notModifiedIsTheUnchangedPage_data();
    void notModifiedIsTheUnchangedPage();
    void sharedPageGetsTheAnswerInEveryRecord();
    void resetMeasuresAskForTheWholePage();
    void serverThatIgnoresTheQuestionIsCheckedAsBefore();
    void notModifiedWithoutBeingAskedIsAnError();
    void changedPageAfterValidatorsIsReadWhole();
    void sameBytesAreMeasuredAgainOnceADateAheadIsPast_data();
    void sameBytesAreMeasuredAgainOnceADateAheadIsPast();
};

void TestConditionalCheck::notModifiedIsTheUnchangedPage_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("etag");
    QTest::addColumn<QByteArray>("lastModified");
    const QByteArray date = "Tue, 01 Dec 2026 10:00:00 GMT";
    QTest::newRow("ETag, dated page") << kDated << QByteArray("\"v1-abc\"") << QByteArray();
    QTest::newRow("Last-Modified, dated page") << kDated << QByteArray() << date;
    QTest::newRow("both, page without a date") << kUndated << QByteArray("W/\"17\"") << date;
}

void TestConditionalCheck::notModifiedIsTheUnchangedPage()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, etag);
    QFETCH(QByteArray, lastModified);
    m_server->route("/p", withValidators(body, etag, lastModified));
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd());
    QVERIFY(lastRequest().header("If-None-Match").isNull());
    QVERIFY(lastRequest().header("If-Modified-Since").isNull());
    const int size = table().integerAt(0, baza::Size);
    const int rows = table().integerAt(0, baza::Row);
    const int tag = table().integerAt(0, baza::Tag);
    const double updated = dateOf(1, baza::Aktualizacja);
    QCOMPARE(size, int(body.size()));

    secondDay();
    m_server->route("/p", notModified());
    m_server->clearRequests();
    QVERIFY(runToEnd());

    QCOMPARE(m_server->requestCount(), 1);
    QCOMPARE(lastRequest().header("If-None-Match"), etag.isEmpty() ? QByteArray() : etag);
    QCOMPARE(lastRequest().header("If-Modified-Since"), lastModified.isEmpty() ? QByteArray() : lastModified);
    QCOMPARE(kodOf(1), baza::KodUnchanged);
    QCOMPARE(zOf(1), 1);
    QCOMPARE(table().integerAt(0, baza::Size), size);
    QCOMPARE(table().integerAt(0, baza::Row), rows);
    QCOMPARE(table().integerAt(0, baza::Tag), tag);
    QCOMPARE(uwagiOf(1), QString::fromLatin1(kType));
    QCOMPARE(dateOf(1, baza::DataKontroli), datevalue::fromDate(QDate(2026, 12, 10)));
    // As for an unchanged page: the page's date stays (a page without one
    // keeps the record's).
    QCOMPARE(dateOf(1, baza::Aktualizacja), updated);
    QVERIFY(m_report->updatedLines().isEmpty());
    QVERIFY(m_report->errorLines().isEmpty());

    const QList<StoredCheck> checks = checksOf(url(QStringLiteral("/p")));
    QCOMPARE(checks.size(), 2);
    QCOMPARE(checks[1].httpCode, 304);
    QCOMPARE(checks[1].status, 2);
    QCOMPARE(checks[1].kod, 0);
    QCOMPARE(checks[1].sha256, checks[0].sha256);
    QVERIFY(!checks[1].newContent);
    QCOMPARE(checks[1].size, size);
    QCOMPARE(checks[1].outcome, QString::fromLatin1(kType));
    QCOMPARE(checks[1].foundDate, checks[0].foundDate);
    HistoryStore store(HistoryStore::PathIn(m_dir->path()));
    store.open(HistoryStore::Mode::ReadOnly);
    QCOMPARE(store.Body(checks[1].sha256), body);
    // The next check asks with the same validators again.
    QCOMPARE(store.LastGoodCheck(url(QStringLiteral("/p")))->etag, etag);
    QCOMPARE(store.LastGoodCheck(url(QStringLiteral("/p")))->lastModified, lastModified);
}

void TestConditionalCheck::sharedPageGetsTheAnswerInEveryRecord()
{
    m_server->route("/p", withValidators(kDated, "\"x\"", QByteArray()));
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))},
                  {QStringLiteral("Gmina 1"), QStringLiteral(" ") + url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd());
    secondDay();
    m_server->route("/p", notModified());
    m_server->clearRequests();
    QVERIFY(runToEnd());
    QCOMPARE(m_server->requestCount(), 1);
    for (int recNo : {1, 2}) {
        QCOMPARE(kodOf(recNo), 0);
        QCOMPARE(zOf(recNo), 1);
        QCOMPARE(dateOf(recNo, baza::DataKontroli), datevalue::fromDate(QDate(2026, 12, 10)));
    }
}

void TestConditionalCheck::resetMeasuresAskForTheWholePage()
{
    m_server->route("/p", withValidators(kDated, "\"x\"", "Tue, 01 Dec 2026 10:00:00 GMT"));
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd());
    m_baza->ResetMeasures();
    secondDay();
    m_server->clearRequests();
    QVERIFY(runToEnd());
    QCOMPARE(m_server->requestCount(), 1);
    QVERIFY(lastRequest().header("If-None-Match").isNull());
    QVERIFY(lastRequest().header("If-Modified-Since").isNull());
    // Measured anew; its date is the one the page's history knows.
    QCOMPARE(kodOf(1), baza::KodUnchanged);
    QCOMPARE(table().integerAt(0, baza::Size), int(kDated.size()));
    QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 12, 1)));
}

void TestConditionalCheck::serverThatIgnoresTheQuestionIsCheckedAsBefore()
{
    m_server->route("/p", withValidators(kUndated, "\"x\"", QByteArray()));
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd());
    secondDay();
    m_server->clearRequests();
    QVERIFY(runToEnd()); // asked with If-None-Match, answered 200 with the page
    QCOMPARE(lastRequest().header("If-None-Match"), QByteArray("\"x\""));
    QCOMPARE(kodOf(1), 0);
    const QList<StoredCheck> checks = checksOf(url(QStringLiteral("/p")));
    QCOMPARE(checks.size(), 2);
    QCOMPARE(checks[1].httpCode, 200);
    QCOMPARE(checks[1].sha256, checks[0].sha256);
}

void TestConditionalCheck::notModifiedWithoutBeingAskedIsAnError()
{
    m_server->route("/p", notModified());
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), baza::KodReadError);
    QCOMPARE(uwagiOf(1), QStringLiteral("Błędna strona: Not Modified"));
}

void TestConditionalCheck::changedPageAfterValidatorsIsReadWhole()
{
    m_server->route("/p", withValidators(kUndated, "\"v1\"", QByteArray()));
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd());
    secondDay();
    const QByteArray changed = kUndated + "<p>Obwieszczenie nowe</p>\n";
    m_server->route("/p", withValidators(changed, "\"v2\"", QByteArray()));
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), baza::KodRowsChanged);
    QCOMPARE(table().integerAt(0, baza::Size), int(changed.size()));
    HistoryStore store(HistoryStore::PathIn(m_dir->path()));
    store.open(HistoryStore::Mode::ReadOnly);
    const std::optional<StoredCheck> last = store.LastGoodCheck(url(QStringLiteral("/p")));
    QVERIFY(last);
    QCOMPARE(last->etag, QByteArray("\"v2\""));
    QCOMPARE(store.Body(last->sha256), changed);
}

// A page whose bytes do not change, whether it comes back whole or the
// server answers 304: while its date that is still ahead is ahead, it
// measures what it measured (its measures are taken as they are); the day
// after that date, the date is past and is found, as it would be in the
// page read anew.
void TestConditionalCheck::sameBytesAreMeasuredAgainOnceADateAheadIsPast_data()
{
    QTest::addColumn<bool>("answersNotModified");
    QTest::newRow("page sent whole") << false;
    QTest::newRow("server answers 304") << true;
}

void TestConditionalCheck::sameBytesAreMeasuredAgainOnceADateAheadIsPast()
{
    QFETCH(bool, answersNotModified);
    const QByteArray page = "<html><body>\n<p>Obwieszczenie z dnia 1 grudnia 2026 r.</p>\n"
                            "<p>Uwagi do 11 grudnia 2026 r.</p>\n<p>Rozprawa 28.12.2026 r.</p>\n</body></html>\n";
    m_server->route("/p", answersNotModified ? withValidators(page, "\"v1\"", QByteArray())
                                             : Response::html(page, kType));
    makeRegister({{QStringLiteral("Gmina 1"), url(QStringLiteral("/p"))}});
    QVERIFY(runToEnd()); // 9 December
    QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 12, 1)));
    auto sameUntil = [this] {
        HistoryStore store(HistoryStore::PathIn(m_dir->path()));
        store.open(HistoryStore::Mode::ReadOnly);
        return store.LastGoodCheck(url(QStringLiteral("/p")))->sameUntil;
    };
    QCOMPARE(sameUntil(), QDate(2026, 12, 11));
    if (answersNotModified)
        m_server->route("/p", notModified());

    for (const QDate day : {QDate(2026, 12, 10), QDate(2026, 12, 11)}) {
        pinClock(QDateTime(day, QTime(18, 0)));
        QVERIFY(runToEnd());
        QCOMPARE(kodOf(1), baza::KodUnchanged);
        QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 12, 1)));
        QCOMPARE(sameUntil(), QDate(2026, 12, 11));
    }

    pinClock(QDateTime(QDate(2026, 12, 12), QTime(8, 0)));
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), baza::KodNewDate);
    QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 12, 11)));
    QCOMPARE(table().integerAt(0, baza::Size), int(page.size()));
    QCOMPARE(uwagiOf(1), QString::fromLatin1(kType));
    QCOMPARE(sameUntil(), QDate(2026, 12, 28));
    const QList<StoredCheck> checks = checksOf(url(QStringLiteral("/p")));
    QCOMPARE(checks.size(), 4);
    QCOMPARE(checks[3].foundDate, QDate(2026, 12, 11));
    QCOMPARE(checks[3].sha256, checks[0].sha256);
    QCOMPARE(checks[3].httpCode, answersNotModified ? 304 : 200);
    QCOMPARE(m_server->requests().constLast().header("If-None-Match"),
             answersNotModified ? QByteArray("\"v1\"") : QByteArray());
}

QTEST_GUILESS_MAIN(TestConditionalCheck)
#include "tst_conditionalcheck.moc"
