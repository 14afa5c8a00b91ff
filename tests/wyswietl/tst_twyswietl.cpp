// The page opener against a real server on 127.0.0.1: it tests the page in
// its own thread, opens it through the shell or shows why not, shows that
// on the main thread while it waits, and deletes itself.
#include "kontrola/twyswietl.h"
#include "platform/livethreads.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"

#include <QPointer>
#include <QScopeGuard>
#include <QtTest>

using Response = HttpTestServer::Response;

namespace {

// A person at the message box: notes where and while what it was shown.
class WatchingDialogs : public ScriptedDialogs
{
public:
    QList<QThread*> shownOn;
    QList<bool> openerWaited;
    QPointer<TWyswietl> opener;

    void message(const QString& text) override
    {
        shownOn << QThread::currentThread();
        // The opener is still inside its thread body until the box closes.
        QTest::qWait(50);
        openerWaited << (opener && opener->isRunning());
        ScriptedDialogs::message(text);
    }
};

} // namespace

class TestTWyswietl : public QObject
{
    Q_OBJECT

    HttpTestServer m_server;

    // Starts an opener and waits until it has deleted itself.
    void openAndWait(const QString& address, ScriptedDialogs& dialogs)
    {
        const int before = LiveThreads::count();
        QPointer<TWyswietl> opener = new TWyswietl(address, dialogs);
        QTRY_VERIFY_WITH_TIMEOUT(opener.isNull(), 20000);
        QCOMPARE(LiveThreads::count(), before);
    }

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

    void outcomes_data();
    void outcomes();
    void noBrowserIsSaidInPolish();
    void xdgOpenTellsWhetherAnythingOpened();
    void noticeIsShownOnTheMainThreadWhileTheOpenerWaits();
    void severalOpenersAtOnce();
};

void TestTWyswietl::outcomes_data()
{
    QTest::addColumn<QString>("address"); // %1 = 127.0.0.1:port
    QTest::addColumn<bool>("online");
    QTest::addColumn<Response>("response"); // for /p
    QTest::addColumn<QString>("message");   // %1 as above; empty = none
    QTest::addColumn<QString>("opened");    // %1 as above; empty = nothing
    QTest::addColumn<int>("requests");

    const Response ok = Response::html("<html></html>");
    const Response notFound = Response::statusPage(404, "Not Found", "<html>nie ma</html>");
    const Response login = Response::statusPage(401, "Unauthorized", "<html>login</html>");
    QTest::newRow("empty") << QString() << true << ok << TWyswietl::kNoAddress << QString() << 0;
    QTest::newRow("blanks and controls")
        << QStringLiteral(" \t\r\n ") << true << ok << TWyswietl::kNoAddress << QString() << 0;
    QTest::newRow("offline") << QStringLiteral("http://%1/p") << false << ok
                             << TWyswietl::kNoConnection << QString() << 0;
    QTest::newRow("404, the address on the second line")
        << QStringLiteral("  http://%1/p ") << true << notFound
        << TWyswietl::kNotFound + QStringLiteral("\r\nhttp://%1/p") << QString() << 1;
    QTest::newRow("401 opens") << QStringLiteral("http://%1/p") << true << login << QString()
                               << QStringLiteral("http://%1/p") << 1;
    QTest::newRow("200 opens") << QStringLiteral("http://%1/p") << true << ok << QString()
                               << QStringLiteral("http://%1/p") << 1;
    QTest::newRow("no scheme: tested with http, opened as typed")
        << QStringLiteral("\t%1/p \r\n") << true << ok << QString() << QStringLiteral("%1/p") << 1;
    QTest::newRow("500") << QStringLiteral("%1/p") << true
                         << Response::statusPage(500, "Internal Server Error")
                         << TWyswietl::kNotFound + QStringLiteral("\r\n%1/p") << QString() << 1;
}

void TestTWyswietl::outcomes()
{
    QFETCH(QString, address);
    QFETCH(bool, online);
    QFETCH(Response, response);
    QFETCH(QString, message);
    QFETCH(QString, opened);
    QFETCH(int, requests);
    const QString host = m_server.hostAndPort();
    m_server.route("/p", response);
    const ConnectionOverride connection(online);
    const ShellRecorder shell;
    ScriptedDialogs dialogs;

    openAndWait(address.contains(QLatin1String("%1")) ? address.arg(host) : address, dialogs);

    QCOMPARE(dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message.arg(host)});
    QCOMPARE(shell.opened(), opened.isEmpty() ? QStringList() : QStringList{opened.arg(host)});
    QCOMPARE(m_server.requestCount(), requests);
    if (requests > 0) {
        QCOMPARE(m_server.requests().first().method, QByteArray("GET"));
        QCOMPARE(m_server.requests().first().target, QByteArray("/p"));
    }
}

void TestTWyswietl::noBrowserIsSaidInPolish()
{
    // The page answers, but the system has nothing to open it with: the
    // user is told so instead of seeing nothing happen.
    m_server.route("/p", Response::html("<html></html>"));
    const ConnectionOverride online(true);
    const ShellRecorder shell(false);
    ScriptedDialogs dialogs;
    const QString address = m_server.url(QStringLiteral("/p"));
    openAndWait(address, dialogs);
    QCOMPARE(shell.opened(), QStringList{address});
    QCOMPARE(dialogs.messages, QStringList{TWyswietl::kNoBrowser + QStringLiteral("\r\n") + address});
}

void TestTWyswietl::xdgOpenTellsWhetherAnythingOpened()
{
    // Real xdg-open stand-ins on PATH: its exit status is the answer; one
    // still running has handed the page to a browser that runs in its place.
    QTemporaryDir bin;
    auto tool = [&bin](const QByteArray& body) {
        QFile f(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    };
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    qputenv("PATH", bin.path().toLocal8Bit());
    const QString page = QStringLiteral("http://127.0.0.1/p");
    QCOMPARE(Shell::OpenWithXdgOpen(page, 3000), Shell::XdgOpen::Missing);
    tool("exit 3"); // no program for the address
    QCOMPARE(Shell::OpenWithXdgOpen(page, 3000), Shell::XdgOpen::Failed);
    tool("[ \"$1\" = 'http://127.0.0.1/p' ] || exit 4");
    QCOMPARE(Shell::OpenWithXdgOpen(page, 3000), Shell::XdgOpen::Opened);
    tool("exec /bin/sleep 1");
    QCOMPARE(Shell::OpenWithXdgOpen(page, 100), Shell::XdgOpen::Opened);
}

void TestTWyswietl::noticeIsShownOnTheMainThreadWhileTheOpenerWaits()
{
    m_server.route("/p", Response::statusPage(404, "Not Found"));
    const ConnectionOverride online(true);
    WatchingDialogs dialogs;
    dialogs.opener = new TWyswietl(m_server.url(QStringLiteral("/p")), dialogs);
    QPointer<TWyswietl> opener = dialogs.opener;
    QVERIFY(opener->thread() ==
            QThread::currentThread()); // the object itself belongs to the main thread
    QTRY_VERIFY_WITH_TIMEOUT(opener.isNull(), 20000);
    QCOMPARE(dialogs.shownOn, QList<QThread*>{QCoreApplication::instance()->thread()});
    QCOMPARE(dialogs.openerWaited, QList<bool>{true});
    QCOMPARE(dialogs.messages.size(), 1);
}

void TestTWyswietl::severalOpenersAtOnce()
{
    m_server.route("/a", Response::html("<html></html>"));
    m_server.route("/b", Response::statusPage(404, "Not Found"));
    const ConnectionOverride online(true);
    const ShellRecorder shell;
    ScriptedDialogs dialogs;
    const int before = LiveThreads::count();
    QList<QPointer<TWyswietl>> openers;
    for (const QString& address :
         {m_server.url(QStringLiteral("/a")), m_server.url(QStringLiteral("/b")), QString()})
        openers << new TWyswietl(address, dialogs);
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(openers.begin(), openers.end(), [](const auto& p) { return p.isNull(); }),
        20000);
    QCOMPARE(LiveThreads::count(), before);
    QCOMPARE(shell.opened(), QStringList{m_server.url(QStringLiteral("/a"))});
    QStringList messages = dialogs.messages;
    messages.sort();
    QCOMPARE(messages, (QStringList{TWyswietl::kNotFound + QStringLiteral("\r\n") +
                                        m_server.url(QStringLiteral("/b")),
                                    TWyswietl::kNoAddress}));
}

QTEST_GUILESS_MAIN(TestTWyswietl)
#include "tst_twyswietl.moc"
