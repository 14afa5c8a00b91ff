// PageExists: one request, only its status decides.
#include "internet/pageexists.h"
#include "internet/tlstrust.h"
#include "support/httptestserver.h"
#include "support/testdata.h"

#include <QtTest>

using Response = HttpTestServer::Response;

class TestPageExists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        QVERIFY(m_server.isListening());
    }
    void init()
    {
        m_server.clearRoutes();
        m_server.clearRequests();
    }

    void status_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<bool>("exists");
        QTest::newRow("200") << Response::html("<html></html>") << true;
        QTest::newRow("401") << Response::statusPage(401, "Unauthorized", "<html>login</html>") << true;
        QTest::newRow("404") << Response::statusPage(404, "Not Found", "<html>nie ma</html>") << false;
        QTest::newRow("500") << Response::statusPage(500, "Internal Server Error") << false;
        QTest::newRow("204") << Response::statusPage(204, "No Content") << false;
        QTest::newRow("not an HTML page still exists") << Response::html("%PDF-1.4", "application/pdf") << true;
        Response badLength = Response::html("<html></html>");
        badLength.headers[1].second = "abc";
        QTest::newRow("bad Content-Length does not matter") << badLength << true;
    }
    void status()
    {
        QFETCH(Response, response);
        QFETCH(bool, exists);
        m_server.route("/p", response);
        QCOMPARE(PageExists(m_server.url(QStringLiteral("/p"))), exists);

        const QList<HttpTestServer::Request> requests = m_server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QCOMPARE(requests[0].target, QByteArray("/p"));
        QCOMPARE(requests[0].header("User-Agent"), QByteArray("Ekowarta"));
    }

    void addressForms_data()
    {
        QTest::addColumn<QString>("address"); // %1 = 127.0.0.1:port
        QTest::newRow("no scheme, blanks") << QStringLiteral(" %1/p\r\n");
        QTest::newRow("HTTP in capitals") << QStringLiteral("HTTP://%1/p");
        QTest::newRow("http") << QStringLiteral("http://%1/p");
    }
    void addressForms()
    {
        QFETCH(QString, address);
        m_server.route("/p", Response::html("<html></html>"));
        QVERIFY(PageExists(address.arg(m_server.hostAndPort())));
    }

    void redirectionFollowed()
    {
        m_server.route("/old", Response::redirect("/new", 301));
        m_server.route("/new", Response::statusPage(401, "Unauthorized"));
        QVERIFY(PageExists(m_server.url(QStringLiteral("/old"))));
        m_server.route("/new", Response::statusPage(404, "Not Found"));
        QVERIFY(!PageExists(m_server.url(QStringLiteral("/old"))));
    }

    void unreachableHost()
    {
        QVERIFY(!PageExists(QStringLiteral("127.0.0.1:%1/p").arg(HttpTestServer::closedPort())));
    }

    void certificateVerified()
    {
        HttpTestServer tls(testdata::fixture(QStringLiteral("tls-localhost.crt")),
                           testdata::fixture(QStringLiteral("tls-localhost.key")));
        tls.route("/p", Response::html("<html></html>"));
        QVERIFY(!PageExists(tls.url(QStringLiteral("/p"))));
        const QString previous = TlsTrust::setCaFileForTests(testdata::fixture(QStringLiteral("tls-localhost.crt")));
        const bool trusted = PageExists(tls.url(QStringLiteral("/p")));
        TlsTrust::setCaFileForTests(previous);
        QVERIFY(trusted);
    }

private:
    HttpTestServer m_server;
};

QTEST_GUILESS_MAIN(TestPageExists)
#include "tst_pageexists.moc"
