// ekowarta-cli check-page through the built program, against a local server.
#include "internet/checkconnection.h"
#include "kontrola/pagemeasure.h"
#include "platform/clock.h"
#include "support/httptestserver.h"
#include "support/testdata.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QStringEncoder>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using Response = HttpTestServer::Response;

class TestCheckPageCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        QVERIFY(m_server.isListening());
        QVERIFY(m_tmp.isValid());
        // The child process asks the system itself whether it is online.
        if (!SystemReportsConnection())
            QSKIP("this machine reports no network connection, so ekowarta-cli would stop at it");
        // Temporary files of the child land here, so we can see them gone.
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
    }
    void cleanupTestCase() { qunsetenv("TMPDIR"); }
    void init() { m_server.clearRequests(); }

    void measures_data();
    void measures();
    void badToday();
    void runCheckPageAndFindDateAgree_data();
    void runCheckPageAndFindDateAgree();

private:
    HttpTestServer m_server;
    QTemporaryDir m_tmp;
};

void TestCheckPageCli::measures_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("today");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output");

    const QByteArray cp = cp1250::fromUnicode(u"<html>\r\n<p>Ogłoszenie z dnia 15 marca 2026 r.</p>\r\n</html>");
    QTest::newRow("windows-1250 page with a date")
        << Response::html(cp, "text/html; charset=windows-1250") << "2026-04-01" << 0
        << QStringList{"status=2", "message=text/html; charset=windows-1250", "size=" + QString::number(cp.size()),
                       "rows=3", "tag=" + QString::number(cp.size() + 2), "found=1", "date=2026-03-15"};

    const QByteArray utf8 = QStringLiteral("<p>Obwieszczenie z 3 września 2026</p>\n<p>Łódź</p>").toUtf8();
    QTest::newRow("UTF-8 page: the month with Polish letters is found")
        << Response::html(utf8, "text/html; charset=utf-8") << "2026-10-01" << 0
        << QStringList{"status=2", "message=text/html; charset=utf-8", "size=" + QString::number(utf8.size()),
                       "rows=2", "tag=" + QString::number(utf8.size() - 1 + 4), "found=1", "date=2026-09-03"};

    QTest::newRow("page without a past date") << Response::html("<p>2026-12-24</p>", "text/html") << "2026-04-01"
                                              << 0
                                              << QStringList{"status=2", "message=text/html", "size=17", "rows=1",
                                                             "tag=19", "found=0", "date="};

    QTest::newRow("404") << Response::statusPage(404, "Not Found", "<html></html>") << "2026-04-01" << 1
                         << QStringList{"status=0", "message=Błędna strona: Not Found", "size=-1", "rows=-1",
                                        "tag=-1", "found=0", "date="};
}

void TestCheckPageCli::measures()
{
    QFETCH(Response, response);
    QFETCH(QString, today);
    QFETCH(int, exitCode);
    QFETCH(QStringList, output);

    m_server.route("/gmina/natura.html", response);
    const testdata::ProcessResult r = testdata::run(
        QStringLiteral("ekowarta-cli"),
        {QStringLiteral("check-page"), m_server.hostAndPort() + QStringLiteral("/gmina/natura.html"),
         QStringLiteral("--today"), today});
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), output);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(QDir(m_tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestCheckPageCli::badToday()
{
    const testdata::ProcessResult r = testdata::run(
        QStringLiteral("ekowarta-cli"), {QStringLiteral("check-page"), m_server.url(), QStringLiteral("--today"),
                                         QStringLiteral("2026-02-30")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(m_server.requestCount(), 0);
}

// Pages as municipalities serve them: the charset they declare (in the
// header or a <meta>) is often not the one their bytes are in. Whatever they
// declare, a check finds every date that the bytes show, and the run's
// measuring, check-page and find-date give the same date.
void TestCheckPageCli::runCheckPageAndFindDateAgree_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("today");
    QTest::addColumn<QString>("date"); // empty: none found
    // The last day on which the bytes measure the same: the earliest date
    // not past yet, at most the year's end.
    QTest::addColumn<QString>("sameUntil");

    auto cp = [](const QString& text) { return cp1250::fromUnicode(text); };
    const QString body = QStringLiteral("<p>Obwieszczenie z dnia 3 września 2026 r.</p>\r\n"
                                        "<p>Ogłoszenie z 15 marca 2026 r.</p>\r\n</body></html>\r\n");
    const QString iso = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                                       "content=\"text/html; charset=iso-8859-2\"></head><body>\r\n");
    const QString utf = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\r\n");
    const QString plain = QStringLiteral("<html><body>\r\n");

    QTest::newRow("Windows-1250 bytes, meta says iso-8859-2") << cp(iso + body) << QByteArray("text/html")
                                                               << "2026-10-01" << "2026-09-03" << "2026-12-31";
    QTest::newRow("Windows-1250 bytes, meta says utf-8") << cp(utf + body) << QByteArray("text/html") << "2026-10-01"
                                                         << "2026-09-03" << "2026-12-31";
    QTest::newRow("Windows-1250 bytes, header says utf-8")
        << cp(plain + body) << QByteArray("text/html; charset=utf-8") << "2026-10-01" << "2026-09-03" << "2026-12-31";
    QTest::newRow("Windows-1250 bytes, header says iso-8859-2")
        << cp(plain + QStringLiteral("<p>12 października 2026</p>\r\n<p>1 lipca 2026</p>"))
        << QByteArray("text/html; charset=iso-8859-2") << "2026-11-01" << "2026-10-12" << "2026-12-31";
    QTest::newRow("real UTF-8, declared") << (utf + body).toUtf8() << QByteArray("text/html; charset=utf-8")
                                          << "2026-10-01" << "2026-09-03" << "2026-12-31";
    QTest::newRow("real UTF-8, undeclared") << (plain + body).toUtf8() << QByteArray("text/html") << "2026-10-01"
                                            << "2026-09-03" << "2026-12-31";
    QStringEncoder toIso("ISO-8859-2");
    const QByteArray isoBytes = toIso.isValid() ? QByteArray(toIso.encode(iso + body)) : QByteArray();
    if (!isoBytes.isEmpty())
        QTest::newRow("real ISO-8859-2, declared in meta")
            << isoBytes << QByteArray("text/html") << "2026-10-01" << "2026-09-03" << "2026-12-31";
    QTest::newRow("Windows-1250, undeclared") << cp(plain + body) << QByteArray("text/html") << "2026-10-01"
                                              << "2026-09-03" << "2026-12-31";
    QTest::newRow("no past date") << cp(utf + QStringLiteral("<p>24 grudnia 2026</p>")) << QByteArray("text/html")
                                  << "2026-10-01" << QString() << "2026-12-24";
    QTest::newRow("dates ahead, the earliest in a name only the conversion reads")
        << (utf + QStringLiteral("<p>Obwieszczenie z 3 września 2026 r.</p>\r\n<p>Rozprawa 20.10.2026 r.</p>\r\n"
                                 "<p>Uwagi do 5 października 2026 r.</p>"))
               .toUtf8()
        << QByteArray("text/html; charset=utf-8") << "2026-09-10" << "2026-09-03" << "2026-10-05";
    QTest::newRow("a date of today is not past yet")
        << cp(plain + QStringLiteral("<p>Wyłożenie od 10.09.2026 do 30.09.2026</p>\r\n<p>1 września 2026</p>"))
        << QByteArray("text/html") << "2026-09-10" << "2026-09-01" << "2026-09-10";
}

void TestCheckPageCli::runCheckPageAndFindDateAgree()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, today);
    QFETCH(QString, date);
    QFETCH(QString, sameUntil);
    const QString expectedDate = QStringLiteral("date=") + date;

    // The run's worker measures through MeasurePage.
    Clock::pin(QDateTime(QDate::fromString(today, Qt::ISODate), QTime(12, 0)));
    const PageMeasures measures = MeasurePage(bytes, QString::fromLatin1(contentType));
    Clock::unpin();
    QCOMPARE(measures.dateFound, !date.isEmpty());
    if (measures.dateFound)
        QCOMPARE(datevalue::toDate(measures.date).toString(Qt::ISODate), date);
    QCOMPARE(measures.sameUntil.toString(Qt::ISODate), sameUntil);

    m_server.route("/strona.html", Response::html(bytes, contentType));
    const testdata::ProcessResult checked = testdata::run(
        QStringLiteral("ekowarta-cli"),
        {QStringLiteral("check-page"), m_server.url(QStringLiteral("/strona.html")), QStringLiteral("--today"), today});
    QCOMPARE(checked.exitCode, 0);
    const QStringList checkLines = QString::fromUtf8(checked.out).split(QLatin1Char('\n'));
    QVERIFY2(checkLines.contains(expectedDate), checked.out.constData());

    const QString path = m_tmp.filePath(QStringLiteral("strona.html"));
    QVERIFY(testdata::writeAll(path, bytes));
    const testdata::ProcessResult found = testdata::run(QStringLiteral("ekowarta-cli"),
                                                        {QStringLiteral("find-date"), path, QStringLiteral("--today"),
                                                         today});
    QFile::remove(path);
    QCOMPARE(found.exitCode, 0);
    if (date.isEmpty())
        QVERIFY2(found.out.startsWith("found=0\n"), found.out.constData());
    else
        QCOMPARE(QString::fromUtf8(found.out), QStringLiteral("found=1\n") + expectedDate + QLatin1Char('\n'));
}

QTEST_GUILESS_MAIN(TestCheckPageCli)
#include "tst_checkpagecli.moc"
