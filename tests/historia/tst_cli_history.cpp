// history, diff, snapshot and ignore on the command line, over the history
// that two real runs against a local server wrote.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/packing.h"
#include "konfig/settings.h"
#include "platform/livethreads.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/testdata.h"

#include <QtTest>

namespace {

QByteArray notices(const QStringList& items, int visits)
{
    QByteArray body = "<html><body>\n<h1>Ogłoszenia</h1>\n";
    for (const QString& n : items)
        body += "<p>" + n.toUtf8() + "</p>\n";
    // A counter the rules know, and one that only the history tells.
    return body + "<p>licznik odwiedzin: " + QByteArray::number(visits) + "</p><p>Czytelników: " +
           QByteArray::number(3 * visits) + "</p>\n</body></html>\n";
}

} // namespace

class TestCliHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    HttpTestServer m_server;
    QByteArray m_secondBody;

    testdata::ProcessResult cli(const QStringList& args)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_dir.path()} + args);
    }

private Q_SLOTS:
    void initTestCase()
    {
        RunController::SetWatchdogPeriod(20);
        ConnectionOverride online(true);
        ScriptedDialogs dialogs;
        Settings settings;
        RunReport report;
        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            for (const char* path : {"/a", "/b"}) {
                b.table().append();
                b.table().setText(baza::Gmina, QStringLiteral("Gmina"));
                b.table().setText(baza::Info, m_server.url(QString::fromLatin1(path)));
                b.table().post();
            }
            RunController run(b, report, settings, dialogs);
            auto runOnce = [&] {
                run.Start();
                QTRY_VERIFY_WITH_TIMEOUT(!run.active() && LiveThreads::count() == 0, 20000);
            };
            {
                PinnedClock clock(QDateTime(QDate(2026, 12, 8), QTime(8, 15)));
                m_server.route("/a", HttpTestServer::Response::html(notices({"Obwieszczenie A"}, 100)));
                m_server.route("/b", HttpTestServer::Response::html(notices({"Stała treść"}, 5)));
                runOnce();
            }
            {
                PinnedClock clock(QDateTime(QDate(2026, 12, 9), QTime(8, 15)));
                m_secondBody = notices({"Obwieszczenie B o decyzji", "Obwieszczenie A"}, 101);
                m_server.route("/a", HttpTestServer::Response::html(m_secondBody));
                m_server.route("/b", HttpTestServer::Response::html(notices({"Stała treść"}, 6)));
                runOnce();
            }
        }
    }

    void historyListsEveryCheck()
    {
        const auto r = cli({QStringLiteral("history"), QStringLiteral("1")});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], QStringLiteral("2026-12-09T08:15:00 2 %1 6 - %2")
                               .arg(m_secondBody.size())
                               .arg(historia::Sha256Hex(m_secondBody)));
    }

    void diffShowsExactlyTheNewNotice()
    {
        auto r = cli({QStringLiteral("diff"), QStringLiteral("1")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("+ Obwieszczenie B o decyzji\n"));
        // The other way round, chosen by moment and by hash.
        r = cli({QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("--from"),
                 historia::Sha256Hex(m_secondBody).left(10), QStringLiteral("--to"), QStringLiteral("2026-12-08T08:15:00")});
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("- Obwieszczenie B o decyzji\n"));
        // Only the counter changed: nothing at all.
        r = cli({QStringLiteral("diff"), QStringLiteral("2")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray());
        // Asked for, the counters come last, marked apart.
        r = cli({QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("--liczniki")});
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("+ Obwieszczenie B o decyzji\n~ Czytelników: 303\n"));
        r = cli({QStringLiteral("diff"), QStringLiteral("2"), QStringLiteral("--liczniki")});
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("~ Czytelników: 18\n"));
        r = cli({QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("--from"), QStringLiteral("2020-01-01T00:00:00")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("nie ma zapisanej wersji")));
    }

    void snapshotWritesTheBodyAsReceived()
    {
        const QString out = m_dir.filePath(QStringLiteral("dowod.html"));
        const auto r = cli({QStringLiteral("snapshot"), QStringLiteral("1"), QStringLiteral("--out"), out});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(testdata::readAll(out), m_secondBody);
        QVERIFY(QString::fromUtf8(r.out).startsWith(
            QStringLiteral("SHA-256: %1\nPobrano: 2026-12-09T08:15:00\n").arg(historia::Sha256Hex(m_secondBody))));
    }

    void ignoredTextsLeaveTheDiff()
    {
        auto r = cli({QStringLiteral("ignore"), QStringLiteral("1"), QStringLiteral("obwieszczenie b")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("obwieszczenie b\n"));
        QCOMPARE(cli({QStringLiteral("diff"), QStringLiteral("1")}).out, QByteArray());
        r = cli({QStringLiteral("ignore"), QStringLiteral("1"), QStringLiteral("--remove"), QStringLiteral("obwieszczenie b")});
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(QString::fromUtf8(cli({QStringLiteral("diff"), QStringLiteral("1")}).out),
                 QStringLiteral("+ Obwieszczenie B o decyzji\n"));
    }
};

QTEST_GUILESS_MAIN(TestCliHistory)
#include "tst_cli_history.moc"
