// The page check worker's request: its User-Agent and a stop request that
// ends a download in flight, against a real server on 127.0.0.1.
#include "internet/checkconnection.h"
#include "kontrola/tpobierz.h"
#include "support/httptestserver.h"
#include "support/seams.h"

#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using Response = HttpTestServer::Response;

namespace {

class Receiver : public PageCheckReceiver
{
public:
    void StoreResult(const PageCheck& check) override { results.append(check); }
    QList<PageCheck> results;
};

} // namespace

class TestTPobierz : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        QVERIFY(m_dir.isValid());
        m_online.emplace(true);
    }

    void sendsItsUserAgentAndHandsBackTheAnswer()
    {
        HttpTestServer server;
        server.route("/a", Response::html("<html><p>15.03.2025</p></html>"));
        Receiver receiver;
        QPointer<TPobierz> worker =
            new TPobierz(QStringLiteral("Gmina"), server.url(QStringLiteral("/a")), 7, -1, -1, -1,
                         0, 0, m_dir.path(), &receiver, "Ekowarta-test/2");
        QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 20000);
        QCOMPARE(server.requests().value(0).header("User-Agent"), QByteArray("Ekowarta-test/2"));
        QCOMPARE(receiver.results.size(), 1);
        QCOMPARE(receiver.results[0].httpCode, 200);
        QCOMPARE(receiver.results[0].host, QStringLiteral("127.0.0.1"));
        QCOMPARE(receiver.results[0].retryAfterSeconds, -1);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("plik_7.tmp"))));
    }

    // The server would answer after a minute; the stop request ends the
    // worker long before, and it hands nothing back.
    void stopRequestEndsTheDownloadInFlight()
    {
        HttpTestServer server;
        Response slow = Response::html("<html>późno</html>");
        slow.delayMs = 60000;
        server.route("/wolna", slow);
        Receiver receiver;
        QPointer<TPobierz> worker =
            new TPobierz(QStringLiteral("Gmina"), server.url(QStringLiteral("/wolna")), 8, -1, -1,
                         -1, 0, 0, m_dir.path(), &receiver);
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), 1, 20000);
        worker->requestInterruption();
        QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 20000);
        QVERIFY(receiver.results.isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("plik_8.tmp"))));
    }

private:
    QTemporaryDir m_dir;
    std::optional<ConnectionOverride> m_online;
};

QTEST_GUILESS_MAIN(TestTPobierz)
#include "tst_tpobierz.moc"
