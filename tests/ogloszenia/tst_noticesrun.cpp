// Notices through real runs: two runs of a register against a local server,
// the second with a new notice and a visit counter that moved. The new
// notice is stored once, tied to the check that brought it, the old one is
// not stored again; `notices` lists them with the record, `--open` and
// `--since` choose; `read-notices` reads a saved Windows-1250 page.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "konfig/settings.h"
#include "platform/livethreads.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/testdata.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

const QByteArray kNoticeA =
    "<p>Milicz, dnia 1 grudnia 2026 r.</p>\n<p>GKR.6220.14.2026</p>\n<p>O B W I E S Z C Z E N I E</p>\n"
    "<p>Burmistrz Milicza zawiadamia, że zostało wszczęte postępowanie w sprawie wydania decyzji o środowiskowych "
    "uwarunkowaniach dla przedsięwzięcia polegającego na budowie fermy drobiu w Sułowie, na obszarze Natura 2000 "
    "Dolina Baryczy PLB020001. Uwagi i wnioski można składać od dnia 5 grudnia 2026 r. do dnia 21 grudnia 2026 r.</p>\n"
    "<p>Burmistrz Milicza</p>\n";
const QByteArray kNoticeB =
    "<p>Milicz, dnia 7 grudnia 2026 r.</p>\n<p>GKR.6220.15.2026</p>\n<p>O B W I E S Z C Z E N I E</p>\n"
    "<p>Burmistrz Milicza zawiadamia o udziale społeczeństwa w postępowaniu w sprawie wydania decyzji o "
    "środowiskowych uwarunkowaniach dla przedsięwzięcia polegającego na budowie stacji paliw w Miliczu. "
    "Uwagi i wnioski można składać w terminie 7 dni od dnia publikacji obwieszczenia.</p>\n"
    "<p>Burmistrz Milicza</p>\n<p>Data publikacji: 2026-12-07</p>\n";

QByteArray page(const QByteArray& notices, int visits)
{
    return "<html><head><meta charset=\"utf-8\"></head><body>\n<h1>Obwieszczenia</h1>\n" + notices +
           "<p>Liczba odwiedzin: " + QByteArray::number(visits) + "</p>\n</body></html>\n";
}

QList<QJsonObject> jsonLines(const QByteArray& out)
{
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    return objects;
}

} // namespace

class TestNoticesRun : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    HttpTestServer m_server;

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
        baza::Baza b(m_dir.path());
        b.OpenTable();
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Milicz"));
        b.table().setText(baza::Natura2000, QStringLiteral("Dolina Baryczy"));
        b.table().setText(baza::Info, m_server.url(QStringLiteral("/ogloszenia")));
        b.table().post();
        RunController run(b, report, settings, dialogs);
        auto runOnce = [&] {
            run.Start();
            QTRY_VERIFY_WITH_TIMEOUT(!run.active() && LiveThreads::count() == 0, 20000);
        };
        {
            PinnedClock clock(QDateTime(QDate(2026, 12, 2), QTime(8, 0)));
            m_server.route("/ogloszenia", HttpTestServer::Response::html(page(kNoticeA, 100)));
            runOnce();
        }
        {
            PinnedClock clock(QDateTime(QDate(2026, 12, 8), QTime(8, 0)));
            m_server.route("/ogloszenia", HttpTestServer::Response::html(page(kNoticeB + kNoticeA, 101)));
            runOnce();
        }
        {
            // Only the counter moved: nothing new.
            PinnedClock clock(QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
            m_server.route("/ogloszenia", HttpTestServer::Response::html(page(kNoticeB + kNoticeA, 102)));
            runOnce();
        }
    }

    void eachNoticeIsStoredOnceWithTheCheckThatBroughtIt()
    {
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        const QString pageAddress = m_server.url(QStringLiteral("/ogloszenia"));
        const QList<historia::StoredCheck> checks = store.Checks(pageAddress);
        QCOMPARE(checks.size(), 3);
        const QList<historia::StoredNotice> all = store.NoticesOfPage(pageAddress);
        QCOMPARE(all.size(), 2);
        QCOMPARE(store.NoticesOfCheck(checks[0].id).size(), 1);
        QCOMPARE(store.NoticesOfCheck(checks[0].id).first().notice.reference, QStringLiteral("GKR.6220.14.2026"));
        const QList<historia::StoredNotice> second = store.NoticesOfCheck(checks[1].id);
        QCOMPARE(second.size(), 1);
        const ogloszenia::Notice& b = second.first().notice;
        QCOMPARE(b.reference, QStringLiteral("GKR.6220.15.2026"));
        QCOMPARE(b.commentsFrom, QDate(2026, 12, 7));
        QCOMPARE(b.commentsUntil, QDate(2026, 12, 14));
        QVERIFY(b.commentsComputed);
        QCOMPARE(second.first().seen, QDateTime(QDate(2026, 12, 8), QTime(8, 0)));
        QVERIFY(store.NoticesOfCheck(checks[2].id).isEmpty());
    }

    void noticesListsThemWithTheRecord()
    {
        auto r = cli({QStringLiteral("notices")});
        QCOMPARE(r.exitCode, 0);
        QList<QJsonObject> lines = jsonLines(r.out);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].value(QStringLiteral("znak")).toString(), QStringLiteral("GKR.6220.15.2026")); // newest first
        const QJsonObject& a = lines[1];
        QCOMPARE(a.value(QStringLiteral("lp")).toInt(), 1);
        QCOMPARE(a.value(QStringLiteral("gmina")).toString(), QStringLiteral("Milicz"));
        QCOMPARE(a.value(QStringLiteral("strona")).toString(), m_server.url(QStringLiteral("/ogloszenia")));
        QCOMPARE(a.value(QStringLiteral("wykryto")).toString(), QStringLiteral("2026-12-02T08:00:00"));
        QCOMPARE(a.value(QStringLiteral("rodzaj")).toString(), QStringLiteral("obwieszczenie"));
        QCOMPARE(a.value(QStringLiteral("organ")).toString(), QStringLiteral("Burmistrz Milicza"));
        QCOMPARE(a.value(QStringLiteral("procedura")).toString(), QStringLiteral("DŚU"));
        QCOMPARE(a.value(QStringLiteral("etap")).toString(), QStringLiteral("konsultacje"));
        QCOMPARE(a.value(QStringLiteral("uwagi_do")).toString(), QStringLiteral("2026-12-21"));
        QCOMPARE(a.value(QStringLiteral("obszar")).toString(), QStringLiteral("PLB020001"));
        QCOMPARE(a.value(QStringLiteral("obszar_wlasny")), QJsonValue(true));

        // Open windows, soonest deadline first, as of the given day.
        r = cli({QStringLiteral("notices"), QStringLiteral("--open"), QStringLiteral("--today"), QStringLiteral("2026-12-10")});
        lines = jsonLines(r.out);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].value(QStringLiteral("uwagi_do")).toString(), QStringLiteral("2026-12-14"));
        r = cli({QStringLiteral("notices"), QStringLiteral("1"), QStringLiteral("--open"), QStringLiteral("--today"),
                 QStringLiteral("2026-12-15")});
        lines = jsonLines(r.out);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].value(QStringLiteral("znak")).toString(), QStringLiteral("GKR.6220.14.2026"));
        r = cli({QStringLiteral("notices"), QStringLiteral("--since"), QStringLiteral("2026-12-08")});
        lines = jsonLines(r.out);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].value(QStringLiteral("znak")).toString(), QStringLiteral("GKR.6220.15.2026"));

        r = cli({QStringLiteral("notices"), QStringLiteral("--since"), QStringLiteral("8 grudnia")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("RRRR-MM-DD")));
    }

    void readNoticesReadsASavedPageInItsCharset()
    {
        const QString file = testdata::fixture(QStringLiteral("ogloszenia/03-postanowienie-obowiazek-oos-rozstrzelony.html"));
        QVERIFY(!testdata::readAll(file).contains("Wójt")); // the file is not UTF-8
        const auto r = cli({QStringLiteral("read-notices"), file, QStringLiteral("--today"), QStringLiteral("2026-12-10")});
        QCOMPARE(r.exitCode, 0);
        const QList<QJsonObject> lines = jsonLines(r.out);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].value(QStringLiteral("rodzaj")).toString(), QStringLiteral("postanowienie"));
        QCOMPARE(lines[0].value(QStringLiteral("organ")).toString(), QStringLiteral("Wójt Gminy Krośnice"));
        QCOMPARE(lines[0].value(QStringLiteral("etap")).toString(), QStringLiteral("obowiązek OOŚ"));
        QCOMPARE(lines[0].value(QStringLiteral("data")).toString(), QStringLiteral("2026-10-14"));
        QVERIFY(lines[0].value(QStringLiteral("uwagi_do")).isNull());
        QCOMPARE(lines[0].keys().size(), 11);

        const auto missing = cli({QStringLiteral("read-notices"), m_dir.filePath(QStringLiteral("brak.html"))});
        QCOMPARE(missing.exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestNoticesRun)
#include "tst_noticesrun.moc"
