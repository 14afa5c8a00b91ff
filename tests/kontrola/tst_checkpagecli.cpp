// ekowarta-cli check-page through the built program, against a local server.
#include "internet/checkconnection.h"
#include "support/httptestserver.h"
#include "support/testdata.h"
#include "text/cp1250.h"

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

QTEST_GUILESS_MAIN(TestCheckPageCli)
#include "tst_checkpagecli.moc"
