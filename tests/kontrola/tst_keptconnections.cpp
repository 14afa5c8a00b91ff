// The pass's open connections: pages of one host go over one connection
// when the server keeps it, a server that closes still answers every page,
// a connection is never lent twice at once, and an answer that cannot be
// read over a kept connection is read as before. Real servers on loopback.
#include "internet/hostconnections.h"
#include "kontrola/downloadpage.h"
#include "support/httptestserver.h"
#include "support/seams.h"
#include "support/testdata.h"

#include <QHostAddress>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using Response = HttpTestServer::Response;

namespace {

Response keptPage(const QByteArray& body)
{
    return Response::html(body, "text/html").withHeader("Connection", "keep-alive");
}

} // namespace

class TestKeptConnections : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,127.0.0.2,localhost");
        QVERIFY(m_dir.isValid());
        m_online.emplace(true);
    }

    void pagesOfAHostShareOneConnection();
    void closingServerStillAnswersEveryPage();
    void withoutThePassEveryRequestClosesItsConnection();
    void hostsKeepConnectionsOfTheirOwn();
    void aConnectionIsLentToOneRequestAtATime();
    void closedPassKeepsNothing();
    void malformedLengthIsReadAsBefore_data();
    void malformedLengthIsReadAsBefore();

private:
    PageResult fetch(const QString& url, const HostConnectionsPtr& connections)
    {
        PageRequest request;
        request.address = url;
        request.tempFileName = m_dir.filePath(QStringLiteral("plik_%1.tmp").arg(++m_files));
        request.connections = connections;
        return DownloadPage(request);
    }

    QTemporaryDir m_dir;
    int m_files = 0;
    std::optional<ConnectionOverride> m_online;
};

void TestKeptConnections::pagesOfAHostShareOneConnection()
{
    HttpTestServer server;
    for (const char* path : {"/a.html", "/b.html", "/c.html"})
        server.route(path, keptPage(QByteArray("<html><p>") + path + "</p></html>\r\n"));
    const auto pass = std::make_shared<HostConnections>();

    for (const char* path : {"/a.html", "/b.html", "/c.html"}) {
        const PageResult r = fetch(server.url(QString::fromLatin1(path)), pass);
        QCOMPARE(r.status, DownloadStatus::Downloaded);
        QCOMPARE(testdata::readAll(m_dir.filePath(QStringLiteral("plik_%1.tmp").arg(m_files))),
                 QByteArray("<html><p>") + path + "</p></html>\r\n");
    }
    const QList<HttpTestServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 3);
    for (const HttpTestServer::Request& request : requests) {
        QCOMPARE(request.version, QByteArray("HTTP/1.0"));
        QCOMPARE(request.header("Connection"), QByteArray("keep-alive"));
        QCOMPARE(request.connection, 0);
    }
    QCOMPARE(server.connections().size(), 1);
    QCOMPARE(pass->createdCount(), 1);
    QCOMPARE(pass->idleCount(), 1);
}

void TestKeptConnections::closingServerStillAnswersEveryPage()
{
    HttpTestServer server; // answers "Connection: close"
    server.route("/a.html", Response::html("<html>a</html>", "text/html"));
    server.route("/b.html", Response::html("<html>b</html>", "text/html"));
    const auto pass = std::make_shared<HostConnections>();
    QCOMPARE(fetch(server.url(QStringLiteral("/a.html")), pass).status, DownloadStatus::Downloaded);
    QCOMPARE(fetch(server.url(QStringLiteral("/b.html")), pass).status, DownloadStatus::Downloaded);
    QCOMPARE(testdata::readAll(m_dir.filePath(QStringLiteral("plik_%1.tmp").arg(m_files))),
             QByteArray("<html>b</html>"));
    QCOMPARE(server.requestCount(), 2);
    QCOMPARE(server.connections().size(), 2);
}

void TestKeptConnections::withoutThePassEveryRequestClosesItsConnection()
{
    HttpTestServer server;
    server.route("/a.html", keptPage("<html>a</html>"));
    QCOMPARE(fetch(server.url(QStringLiteral("/a.html")), nullptr).status, DownloadStatus::Downloaded);
    QCOMPARE(fetch(server.url(QStringLiteral("/a.html")), nullptr).status, DownloadStatus::Downloaded);
    const QList<HttpTestServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].header("Connection"), QByteArray("close"));
    QCOMPARE(requests[1].connection, 1);
}

void TestKeptConnections::hostsKeepConnectionsOfTheirOwn()
{
    HttpTestServer first;
    HttpTestServer second{QHostAddress(QStringLiteral("127.0.0.2"))};
    if (!second.isListening())
        QSKIP("127.0.0.2 is not available on this system");
    first.route("/p.html", keptPage("<html>1</html>"));
    second.route("/p.html", keptPage("<html>2</html>"));
    const auto pass = std::make_shared<HostConnections>();
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(fetch(first.url(QStringLiteral("/p.html")), pass).status, DownloadStatus::Downloaded);
        QCOMPARE(fetch(second.url(QStringLiteral("/p.html")), pass).status, DownloadStatus::Downloaded);
    }
    QCOMPARE(first.connections().size(), 1);
    QCOMPARE(second.connections().size(), 1);
    QCOMPARE(first.requestCount(), 2);
    QCOMPARE(second.requestCount(), 2);
    QCOMPARE(pass->idleCount(), 2);
}

void TestKeptConnections::aConnectionIsLentToOneRequestAtATime()
{
    HostConnections pass;
    HostConnections::Lease a = pass.Borrow(QStringLiteral("bip.gmina.pl"));
    HostConnections::Lease b = pass.Borrow(QStringLiteral("bip.gmina.pl"));
    QVERIFY(a.handle());
    QVERIFY(b.handle());
    QVERIFY(a.handle() != b.handle());
    void* kept = a.handle();
    a = HostConnections::Lease(); // given back
    QCOMPARE(pass.idleCount(), 1);
    b = HostConnections::Lease(); // the host has one already: this one is closed
    QCOMPARE(pass.idleCount(), 1);
    HostConnections::Lease again = pass.Borrow(QStringLiteral("bip.gmina.pl"));
    QCOMPARE(again.handle(), kept);
    QCOMPARE(pass.idleCount(), 0);
    QCOMPARE(pass.createdCount(), 2);
    HostConnections::Lease other = pass.Borrow(QStringLiteral("www.gmina.pl"));
    QVERIFY(other.handle() != kept);
    other.discard();
    QCOMPARE(other.handle(), nullptr);
}

void TestKeptConnections::closedPassKeepsNothing()
{
    HttpTestServer server;
    server.route("/a.html", keptPage("<html>a</html>"));
    const auto pass = std::make_shared<HostConnections>();
    HostConnections::Lease out = pass->Borrow(QStringLiteral("127.0.0.1"));
    QCOMPARE(fetch(server.url(QStringLiteral("/a.html")), pass).status, DownloadStatus::Downloaded);
    QCOMPARE(pass->idleCount(), 1);
    pass->Close();
    QCOMPARE(pass->idleCount(), 0);
    out = HostConnections::Lease(); // comes back after the end: closed
    QCOMPARE(pass->idleCount(), 0);
    // A check that outlives its pass still gets its page.
    QCOMPARE(fetch(server.url(QStringLiteral("/a.html")), pass).status, DownloadStatus::Downloaded);
    QCOMPARE(pass->idleCount(), 0);
    QCOMPARE(server.connections().size(), 2);
}

void TestKeptConnections::malformedLengthIsReadAsBefore_data()
{
    QTest::addColumn<QByteArray>("length");
    QTest::newRow("a word") << QByteArray("many");
    QTest::newRow("negative") << QByteArray("-5");
}

void TestKeptConnections::malformedLengthIsReadAsBefore()
{
    QFETCH(QByteArray, length);
    const QByteArray body = "<html><p>Dnia 15 marca 2026 r.</p></html>\r\n";
    HttpTestServer server;
    Response r;
    r.body = body;
    r.withHeader("Content-Type", "text/html").withHeader("Content-Length", length);
    server.route("/a.html", r);
    const auto pass = std::make_shared<HostConnections>();
    const PageResult result = fetch(server.url(QStringLiteral("/a.html")), pass);
    QCOMPARE(result.status, DownloadStatus::Downloaded);
    QCOMPARE(result.size, qint32(body.size()));
    QCOMPARE(testdata::readAll(m_dir.filePath(QStringLiteral("plik_%1.tmp").arg(m_files))), body);
    // The second request reads it until the server closes.
    const QList<HttpTestServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].header("Connection"), QByteArray("close"));
}

QTEST_GUILESS_MAIN(TestKeptConnections)
#include "tst_keptconnections.moc"
