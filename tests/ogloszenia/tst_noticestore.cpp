// Notices in historia.sqlite: one row per notice however often a page shows
// it, the lists the notices window, e-mail, feed and calendar build on, a
// version that brought a notice outliving the size bound, and a history
// file of an older program that stays readable and gets the table on open.
#include "historia/historystore.h"
#include "historia/packing.h"

#include <QProcess>
#include <QtTest>

using namespace historia;
using ogloszenia::Notice;

namespace {

const QString kPage = QStringLiteral("http://127.0.0.1/gmina/ogloszenia.html");
const QString kOther = QStringLiteral("http://127.0.0.2/starostwo/obwieszczenia.html");

StoredCheck check(const QString& page, const QDateTime& at, bool newContent)
{
    StoredCheck c;
    c.page = page;
    c.address = page;
    c.moment = at;
    c.status = 2;
    c.httpCode = 200;
    c.outcome = QStringLiteral("text/html");
    c.size = 100;
    c.lines = 7;
    c.kod = newContent ? 3 : 0;
    c.newContent = newContent;
    return c;
}

PackedBody packed(const QByteArray& body)
{
    PackedBody p;
    p.sha256 = Sha256Hex(body);
    p.size = body.size();
    p.body = Pack(body);
    p.text = Pack(body);
    return p;
}

Notice notice(const QString& reference, const QDate& date, const QDate& until = {})
{
    Notice n;
    n.kind = QStringLiteral("obwieszczenie");
    n.authority = QStringLiteral("Burmistrz Milicza");
    n.reference = reference;
    n.date = date;
    n.procedure = QStringLiteral("DŚU");
    n.stage = QStringLiteral("konsultacje");
    n.commentsFrom = date;
    n.commentsUntil = until;
    n.commentsComputed = until.isValid();
    n.natura2000 = true;
    n.area = QStringLiteral("Dolina Baryczy PLB020001");
    n.subject = QStringLiteral("budowie fermy drobiu");
    return n;
}

QString sqliteTool(const QString& file, const QString& query)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file, query});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral("FAILED: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class TestNoticeStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return HistoryStore::PathIn(m_dir->path()); }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void aNoticeSeenAgainIsOneNotice()
    {
        const QDateTime t0(QDate(2026, 12, 7), QTime(6, 0));
        const Notice a = notice(QStringLiteral("GKR.6220.14.2026"), QDate(2026, 12, 5), QDate(2027, 1, 5));
        const Notice b = notice(QStringLiteral("GKR.6220.15.2026"), QDate(2026, 12, 8));
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const PackedBody v1 = packed("v1");
        const PackedBody v2 = packed("v2");
        const qint64 first = store.AddCheck(check(kPage, t0, true), &v1, {a});
        // The next check shows the same notice (read a little differently)
        // and a new one.
        Notice again = a;
        again.subject = QStringLiteral("budowie fermy drobiu wraz z infrastrukturą");
        const qint64 second = store.AddCheck(check(kPage, t0.addDays(2), true), &v2, {again, b});

        const QList<StoredNotice> all = store.NoticesOfPage(kPage);
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0].notice, b); // newest first
        QCOMPARE(all[1].notice, a); // as first read
        QCOMPARE(all[1].checkId, first);
        QCOMPARE(all[1].seen, t0);
        QCOMPARE(all[0].checkId, second);
        QCOMPARE(all[0].address, kPage);
        QCOMPARE(store.NoticesOfCheck(first).size(), 1);
        QCOMPARE(store.NoticesOfCheck(second).size(), 1);
        QCOMPARE(store.NoticesOfCheck(second).first().notice.reference, QStringLiteral("GKR.6220.15.2026"));

        // The same reference under another kind, or on another page, is
        // another notice.
        Notice decision = a;
        decision.kind = QStringLiteral("decyzja");
        store.AddCheck(check(kPage, t0.addDays(3), true), &v1, {decision});
        store.AddCheck(check(kOther, t0.addDays(3), true), &v1, {a});
        QCOMPARE(store.NoticesOfPage(kPage).size(), 3);
        QCOMPARE(store.Notices().size(), 4);
        store.close();
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM ogloszenia WHERE znak = 'GKR.6220.14.2026'")),
                 QStringLiteral("3"));
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT uwagi_do FROM ogloszenia WHERE id = 1")),
                 QStringLiteral("2027-01-05"));
    }

    void missingValuesStayMissing()
    {
        Notice bare;
        bare.kind = QStringLiteral("ogłoszenie");
        bare.subject = QStringLiteral("Ogłoszenie o konsultacjach programu ochrony środowiska");
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const PackedBody v = packed("v");
        store.AddCheck(check(kPage, QDateTime(QDate(2026, 3, 1), QTime(8, 0)), true), &v, {bare, bare});
        const QList<StoredNotice> all = store.Notices();
        QCOMPARE(all.size(), 1);
        QCOMPARE(all[0].notice, bare);
        QVERIFY(all[0].notice.reference.isEmpty());
        QVERIFY(!all[0].notice.date.isValid());
        store.close();
        // NULL in the file, not empty texts, for other tools.
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM ogloszenia WHERE znak IS NULL AND data IS NULL "
                                                   "AND uwagi_do IS NULL AND organ IS NULL")),
                 QStringLiteral("1"));
    }

    void listsBySinceAndOpenWindow()
    {
        const QDateTime t0(QDate(2026, 11, 20), QTime(6, 0));
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const PackedBody v = packed("v");
        store.AddCheck(check(kPage, t0, true), &v,
                       {notice(QStringLiteral("A.1"), QDate(2026, 11, 19), QDate(2026, 12, 21)),
                        notice(QStringLiteral("A.2"), QDate(2026, 11, 18), QDate(2026, 12, 9)),
                        notice(QStringLiteral("A.3"), QDate(2026, 11, 17))});
        store.AddCheck(check(kOther, t0.addDays(10), true), &v,
                       {notice(QStringLiteral("B.1"), QDate(2026, 11, 29), QDate(2026, 12, 10))});

        auto references = [](const QList<StoredNotice>& list) {
            QStringList out;
            for (const StoredNotice& s : list)
                out << s.notice.reference;
            return out;
        };
        QCOMPARE(references(store.OpenNotices(QDate(2026, 12, 10))), (QStringList{"B.1", "A.1"}));
        QCOMPARE(references(store.OpenNotices(QDate(2026, 12, 9))), (QStringList{"A.2", "B.1", "A.1"}));
        QCOMPARE(references(store.OpenNotices(QDate(2026, 12, 22))), QStringList{});
        NoticeQuery since;
        since.seenSince = QDate(2026, 11, 30);
        QCOMPARE(references(store.Notices(since)), QStringList{"B.1"});
        since.seenSince = QDate(2026, 11, 20);
        QCOMPARE(references(store.Notices(since)).size(), 4);
        NoticeQuery openHere;
        openHere.page = kPage;
        openHere.openOn = QDate(2026, 12, 9);
        QCOMPARE(references(store.Notices(openHere)), (QStringList{"A.2", "A.1"}));
    }

    void aVersionThatBroughtANoticeOutlivesTheBound()
    {
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const QDateTime t0(QDate(2026, 1, 1), QTime(6, 0));
        // Brought by a check that the history counts as no new content.
        const PackedBody first = packed("first");
        const qint64 id = store.AddCheck(check(kPage, t0, false), &first, {notice(QStringLiteral("X.1"), t0.date())});
        for (int i = 1; i <= HistoryStore::kKeptOthers + 5; ++i) {
            const PackedBody b = packed("counter " + QByteArray::number(i));
            store.AddCheck(check(kPage, t0.addDays(i), false), &b);
        }
        QVERIFY(store.Check(id).has_value());
        QCOMPARE(store.Checks(kPage).size(), HistoryStore::kKeptOthers + 1);
        QCOMPARE(store.Notices().size(), 1);
        QCOMPARE(store.Notices().first().checkId, id);
    }

    void anOlderHistoryFileGetsTheTableOnOpen()
    {
        // A file as the program wrote it before notices were kept.
        const QString old = QStringLiteral(
            "CREATE TABLE strony(id INTEGER PRIMARY KEY, adres TEXT NOT NULL UNIQUE);"
            "CREATE TABLE tresci(sha256 TEXT PRIMARY KEY, rozmiar INTEGER NOT NULL, tresc BLOB NOT NULL, "
            "tekst BLOB NOT NULL);"
            "CREATE TABLE wersje(id INTEGER PRIMARY KEY, strona INTEGER NOT NULL REFERENCES strony(id), "
            "chwila TEXT NOT NULL, adres TEXT NOT NULL, stan INTEGER NOT NULL, http INTEGER NOT NULL, "
            "wynik TEXT NOT NULL, rozmiar INTEGER NOT NULL, wiersze INTEGER NOT NULL, data TEXT NOT NULL, "
            "kod INTEGER NOT NULL, sha256 TEXT REFERENCES tresci(sha256), nowa_tresc INTEGER NOT NULL);"
            "CREATE TABLE reguly(strona INTEGER NOT NULL REFERENCES strony(id), tekst TEXT NOT NULL, "
            "PRIMARY KEY(strona, tekst));"
            "INSERT INTO strony VALUES(1, '%1');"
            "INSERT INTO wersje VALUES(1, 1, '2026-12-01T06:00:00', '%1', 5, 404, 'Błędna strona: Not Found', "
            "-1, -1, '', 5, NULL, 0);"
            "PRAGMA user_version = 1;")
                                .arg(kPage);
        QCOMPARE(sqliteTool(path(), old), QString());
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadOnly);
            QVERIFY(store.Notices().isEmpty());
            QVERIFY(store.OpenNotices(QDate(2026, 12, 1)).isEmpty());
            QCOMPARE(store.Checks(kPage).size(), 1);
        }
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'ogloszenia'")),
                 QStringLiteral("0"));
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            QCOMPARE(store.Checks(kPage).first().outcome, QStringLiteral("Błędna strona: Not Found"));
            const PackedBody v = packed("v");
            store.AddCheck(check(kPage, QDateTime(QDate(2026, 12, 2), QTime(6, 0)), true), &v,
                           {notice(QStringLiteral("GKR.6220.1.2026"), QDate(2026, 12, 1))});
            QCOMPARE(store.Notices().size(), 1);
        }
        QCOMPARE(sqliteTool(path(), QStringLiteral("PRAGMA user_version")), QString::number(HistoryStore::kSchemaVersion));
    }
};

QTEST_GUILESS_MAIN(TestNoticeStore)
#include "tst_noticestore.moc"
