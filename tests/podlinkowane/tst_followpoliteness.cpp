// A check's documents are asked of their servers as pages are: the pass's
// pause after the page and between two documents of one host, a server's
// Retry-After waited for once when it fits in the check's time, the check's
// time limit ending a document that would go past it (the page's result
// still comes back in time), the pass's connections, at most N documents, a
// failed document kept with its reason. Real loopback servers; the reading
// of HTML sub-pages (no reader program needed).
#include "dokumenty/followdocuments.h"
#include "historia/packing.h"
#include "historia/preparedversion.h"
#include "historia/visibletext.h"
#include "ogloszenia/noticereader.h"
#include "support/httptestserver.h"

#include <QElapsedTimer>
#include <QtTest>

#include <chrono>

using historia::StoredDocument;

namespace {

// The page a check prepared: its links by line and the lines it added.
std::shared_ptr<const historia::PreparedVersion> prepared(const QByteArray& body, const QStringList& addedStarts)
{
    auto v = std::make_shared<historia::PreparedVersion>();
    const QByteArray text =
        historia::VisibleTextUtf8(body, "utf-8", QStringLiteral("text/html"), historia::HtmlParser::Tree, &v->links);
    v->body.sha256 = historia::Sha256Hex(body);
    v->body.size = body.size();
    v->body.text = historia::Pack(text);
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (int i = 0; i < lines.size(); ++i)
        for (const QString& start : addedStarts)
            if (lines[i].startsWith(start))
                v->addedAt << i;
    return v;
}

HttpTestServer::Response subPage(const QByteArray& text)
{
    return HttpTestServer::Response::html("<html><body><p>" + text + "</p></body></html>");
}

qint64 openedAt(const HttpTestServer& server, const QByteArray& target)
{
    const QList<HttpTestServer::Connection> connections = server.connections();
    for (const HttpTestServer::Request& r : server.requests())
        if (r.target == target && r.connection >= 0 && r.connection < connections.size())
            return connections[r.connection].openedMs;
    return -1;
}

qint64 steadyNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

class TestFollowPoliteness : public QObject
{
    Q_OBJECT

    HttpTestServer m_server;
    dokumenty::Following m_following;
    dokumenty::FollowContext m_context;

    QString page() const { return m_server.url(QStringLiteral("/bip/lista.html")); }

private Q_SLOTS:
    void initTestCase() { qputenv("EKOWARTA_CONNECTION", "online"); }

    void init()
    {
        m_server.clearRoutes();
        m_server.clearRequests();
        m_following = {};
        m_following.on = true;
        m_following.formats = {QStringLiteral("pdf"), QStringLiteral("html")};
        m_context = {};
        m_context.userAgent = "Ekowarta-test";
        m_context.moment = QDateTime(QDate(2026, 12, 11), QTime(8, 0));
    }

    void thePausesKeepToTheHost()
    {
        m_server.route("/bip/a.html", subPage("Informacja A"));
        m_server.route("/bip/b.html", subPage("Informacja B"));
        m_following.hostPauseMs = 600;
        const auto v = prepared("<ul><li><a href=\"a.html\">Informacja o zebraniu A</a></li>"
                                "<li><a href=\"b.html\">Informacja o zebraniu B</a></li></ul>",
                                {QStringLiteral("Informacja")});
        const qint64 pageAsked = steadyNowMs();
        const auto followed = dokumenty::FollowDocuments(v, page(), m_following, m_context);
        QCOMPARE(followed->documents.size(), 2);
        QCOMPARE(followed->documents[0].type, QStringLiteral("HTML"));
        QCOMPARE(followed->documents[0].outcome, StoredDocument::Outcome::Text);
        const qint64 a = openedAt(m_server, "/bip/a.html");
        const qint64 b = openedAt(m_server, "/bip/b.html");
        QVERIFY2(a - pageAsked >= 550, qPrintable(QString::number(a - pageAsked)));
        QVERIFY2(b - a >= 550, qPrintable(QString::number(b - a)));
        for (const HttpTestServer::Request& r : m_server.requests())
            QCOMPARE(r.header("User-Agent"), QByteArray("Ekowarta-test"));
    }

    void aServerAskingToWaitIsWaitedForOnce()
    {
        m_server.route("/bip/zajety.html",
                       HttpTestServer::Response::statusPage(503, "Service Unavailable").withHeader("Retry-After", "1"));
        const auto v = prepared("<p><a href=\"zajety.html\">Informacja o konsultacjach</a></p>",
                                {QStringLiteral("Informacja")});
        const auto followed = dokumenty::FollowDocuments(v, page(), m_following, m_context);
        QCOMPARE(followed->documents.size(), 1);
        QCOMPARE(followed->documents[0].outcome, StoredDocument::Outcome::Failed);
        QVERIFY2(followed->documents[0].reason.contains(QStringLiteral("503")),
                 qPrintable(followed->documents[0].reason));
        const QList<HttpTestServer::Connection> c = m_server.connections();
        const QList<HttpTestServer::Request> asked = m_server.requests();
        QCOMPARE(asked.size(), 2);
        const qint64 waited = c[asked[1].connection].openedMs - c[asked[0].connection].openedMs;
        QVERIFY2(waited >= 950, qPrintable(QString::number(waited)));

        // A wait that would not fit in the check's time is not waited for.
        m_server.clearRequests();
        m_server.route("/bip/zajety.html",
                       HttpTestServer::Response::statusPage(503, "Service Unavailable").withHeader("Retry-After", "20"));
        m_context.deadline = QDeadlineTimer(5000);
        const auto refused = dokumenty::FollowDocuments(v, page(), m_following, m_context);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(refused->documents[0].reason, QStringLiteral("serwer prosi o ponowienie za 20 s"));
    }

    void theChecksTimeEndsASlowDocument()
    {
        HttpTestServer::Response slow = subPage("Informacja");
        slow.delayMs = 8000;
        m_server.route("/bip/wolna.html", slow);
        m_server.route("/bip/potem.html", subPage("Informacja potem"));
        const auto v = prepared("<p><a href=\"wolna.html\">Informacja o przetargu</a></p>"
                                "<p><a href=\"potem.html\">Informacja o wyniku</a></p>",
                                {QStringLiteral("Informacja")});
        m_context.deadline = QDeadlineTimer(1000);
        QElapsedTimer took;
        took.start();
        const auto followed = dokumenty::FollowDocuments(v, page(), m_following, m_context);
        QVERIFY2(took.elapsed() < 4000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(followed->documents.size(), 2);
        for (const StoredDocument& d : followed->documents) {
            QCOMPARE(d.outcome, StoredDocument::Outcome::Failed);
            QCOMPARE(d.reason, QStringLiteral("nie pobrano: skończył się czas kontroli strony"));
        }
        QCOMPARE(m_server.requestCount(), 1); // the second was not even asked
    }

    void atMostNAndWhatIsSwitchedOff()
    {
        m_server.route("/bip/a.html", subPage("Informacja A"));
        m_server.route("/bip/b.html", subPage("Informacja B"));
        m_server.route("/bip/c.pdf", HttpTestServer::Response::statusPage(404, "Not Found"));
        const QByteArray body = "<ul><li><a href=\"c.pdf\">Obwieszczenie (PDF)</a></li>"
                                "<li><a href=\"a.html\">Informacja A</a></li><li><a href=\"b.html\">Informacja B</a>"
                                "</li></ul>";
        const auto v = prepared(body, {QStringLiteral("Obwieszczenie"), QStringLiteral("Informacja")});
        m_following.most = 2;
        auto followed = dokumenty::FollowDocuments(v, page(), m_following, m_context);
        QCOMPARE(followed->documents.size(), 2);
        QCOMPARE(followed->documents[0].reason, QStringLiteral("serwer odpowiedział: 404 Not Found"));
        QCOMPARE(followed->documents[1].address, m_server.url(QStringLiteral("/bip/a.html")));
        // Sub-pages off: only the PDF is asked for.
        m_server.clearRequests();
        m_following.most = 10;
        m_following.formats = {QStringLiteral("pdf")};
        followed = dokumenty::FollowDocuments(v, page(), m_following, m_context);
        QCOMPARE(followed->documents.size(), 1);
        QCOMPARE(m_server.requestCount(), 1);
        // Everything off, or nothing new: the page's own version as it was.
        m_following.on = false;
        QVERIFY(dokumenty::FollowDocuments(v, page(), m_following, m_context) == v);
        m_following.on = true;
        QCOMPARE(dokumenty::FollowDocuments(prepared(body, {}), page(), m_following, m_context)->documents.size(), 0);
    }

    void theSubPagesNoticeCompletesTheRow()
    {
        m_server.route("/bip/ogloszenie-12.html",
                       HttpTestServer::Response::html(
                           "<html><body><p>Sułów, dnia 3 grudnia 2026 r.</p><p>RGK.6220.12.2026</p>"
                           "<p>OBWIESZCZENIE</p><p>Wójt Gminy Sułów zawiadamia, że zostało wszczęte postępowanie w "
                           "sprawie wydania decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia polegającego "
                           "na budowie farmy wiatrowej. Uwagi i wnioski można składać od dnia 4 grudnia 2026 r. do "
                           "dnia 29 grudnia 2026 r.</p><p>Wójt Gminy Sułów</p></body></html>"));
        const auto v = prepared("<ul><li>Obwieszczenie Wójta Gminy Sułów z dnia 3 grudnia 2026 r. "
                                "<a href=\"ogloszenie-12.html\">więcej</a></li></ul>",
                                {QStringLiteral("Obwieszczenie")});
        auto base = std::make_shared<historia::PreparedVersion>(*v);
        ogloszenia::ReadOptions reading;
        reading.today = m_context.moment.date();
        base->notices = ogloszenia::ReadNotices(
            QString::fromUtf8(historia::Unpack(v->body.text, 1 << 20)).split(u'\n'), reading);
        QCOMPARE(base->notices.size(), 1);
        const auto followed = dokumenty::FollowDocuments(base, page(), m_following, m_context);
        QCOMPARE(followed->notices.size(), 1);
        const ogloszenia::Notice& n = followed->notices.first();
        QCOMPARE(n.reference, QStringLiteral("RGK.6220.12.2026"));
        QCOMPARE(n.commentsUntil, QDate(2026, 12, 29));
        QCOMPARE(n.document, m_server.url(QStringLiteral("/bip/ogloszenie-12.html")));
        QVERIFY(!followed->documents.first().packedBody.isEmpty());
        QVERIFY(historia::Unpack(followed->documents.first().packedText, 1 << 20).startsWith("Sułów"));
    }
};

QTEST_GUILESS_MAIN(TestFollowPoliteness)
#include "tst_followpoliteness.moc"
