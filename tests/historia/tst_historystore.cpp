// The history store over real SQLite files: versions, bodies stored once,
// the size bound, rules, the queries for alerts, a file the sqlite3 tool
// reads, and a damaged or unwritable store that never stops a run.
#include "historia/historyreader.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "historia/preparedversion.h"
#include "przebieg/runhistory.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QtTest>

using namespace historia;

namespace {

const QString kPage = QStringLiteral("http://127.0.0.1/gmina/ochrona.html");

PackedBody packed(const QByteArray& body, const QString& text)
{
    PackedBody p;
    p.sha256 = Sha256Hex(body);
    p.size = body.size();
    p.body = Pack(body);
    p.text = Pack(text.toUtf8());
    return p;
}

StoredCheck check(const QDateTime& at, int kod, bool newContent, int status = 2)
{
    StoredCheck c;
    c.page = kPage;
    c.address = QStringLiteral(" ") + kPage;
    c.moment = at;
    c.status = status;
    c.httpCode = status == 2 ? 200 : 404;
    c.outcome = status == 2 ? QStringLiteral("text/html") : QStringLiteral("Błędna strona: Not Found");
    c.size = 100;
    c.lines = 7;
    c.foundDate = QDate(2026, 12, 1);
    c.kod = kod;
    c.newContent = newContent;
    return c;
}

QString sqliteTool(const QString& file, const QString& query)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file, query});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral("FAILED: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The sqlite3 tool in a transaction that holds the file until told to end
// it ("COMMIT;" on its input).
bool holdExclusively(QProcess& holder, const QString& file)
{
    holder.setProcessChannelMode(QProcess::MergedChannels);
    holder.start(QStringLiteral("sqlite3"), {QStringLiteral("-interactive"), file});
    if (!holder.waitForStarted())
        return false;
    holder.write("BEGIN EXCLUSIVE;\nSELECT 'trzym' || 'any';\n");
    QByteArray said;
    QElapsedTimer clock;
    clock.start();
    while (!said.contains("trzymany") && clock.elapsed() < 10000) {
        holder.waitForReadyRead(100);
        said += holder.readAll();
    }
    return said.contains("trzymany");
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return HistoryStore::PathIn(m_dir->path()); }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void versionsAreKeptAndBodiesStoredOnce()
    {
        const QDateTime t0(QDate(2026, 12, 9), QTime(8, 0));
        const QByteArray body = "<p>Obwieszczenie A</p>";
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            const PackedBody b = packed(body, QStringLiteral("Obwieszczenie A"));
            store.AddCheck(check(t0, 2, true), &b);
            store.AddCheck(check(t0.addDays(1), 0, false), &b);
            store.AddCheck(check(t0.addDays(2), 5, false, 0), nullptr);
            const QList<StoredCheck> all = store.Checks(kPage);
            QCOMPARE(all.size(), 3);
            QCOMPARE(all[0].moment, t0);
            QCOMPARE(all[0].address, QStringLiteral(" ") + kPage);
            QCOMPARE(all[0].sha256, Sha256Hex(body));
            QCOMPARE(all[0].foundDate, QDate(2026, 12, 1));
            QVERIFY(!all[2].hasBody());
            QCOMPARE(all[2].outcome, QStringLiteral("Błędna strona: Not Found"));
            QCOMPARE(all[2].httpCode, 404);
            QCOMPARE(store.Body(all[1].sha256), body);
            QCOMPARE(store.Text(all[1].sha256), QStringLiteral("Obwieszczenie A"));
            QCOMPARE(store.LastVersion(kPage)->id, all[1].id);
        }
        // The file is an ordinary SQLite database.
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM tresci")), QStringLiteral("1"));
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT kod FROM wersje ORDER BY id")), QStringLiteral("2\n0\n5"));
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT adres FROM strony")), kPage);
    }

    void sizeStaysBoundedAndChangesAreKept()
    {
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const QDateTime t0(QDate(2026, 1, 1), QTime(6, 0));
        int changes = 0;
        for (int i = 0; i < 300; ++i) {
            const bool changed = i % 50 == 0;
            changes += changed;
            // A counter page: a new body at every check, no new content.
            const PackedBody b = packed("<p>A</p><p>licznik " + QByteArray::number(i) + "</p>", QStringLiteral("A"));
            store.AddCheck(check(t0.addDays(i), changed ? 2 : 0, changed), &b);
        }
        const QList<StoredCheck> all = store.Checks(kPage);
        QCOMPARE(all.size(), changes + HistoryStore::kKeptOthers);
        int kept = 0;
        for (const StoredCheck& c : all)
            kept += c.newContent;
        QCOMPARE(kept, changes);
        QCOMPARE(all.last().moment, t0.addDays(299));
        store.close();
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM tresci")), QString::number(all.size()));
    }

    void rulesAndQueriesForAlerts()
    {
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        store.AddRule(kPage, QStringLiteral("  pogoda "));
        store.AddRule(kPage, QStringLiteral("pogoda"));
        store.AddRule(kPage, QStringLiteral("kurs euro"));
        store.RemoveRule(kPage, QStringLiteral("kurs euro"));
        QCOMPARE(store.Rules(kPage), QStringList{"pogoda"});

        const QDateTime t0(QDate(2026, 12, 1), QTime(7, 0));
        const PackedBody a = packed("a", QStringLiteral("Ogłoszenia\nObwieszczenie A\nPogoda: 1°C"));
        const PackedBody b = packed("b", QStringLiteral("Ogłoszenia\nObwieszczenie B\nObwieszczenie A\nPogoda: 3°C"));
        store.AddCheck(check(t0, 2, true), &a);
        store.AddCheck(check(t0.addDays(1), 2, true), &b);
        QCOMPARE(store.AddedLinesOfLastChange(kPage), QStringList{"Obwieszczenie B"});
        QCOMPARE(store.LastChecks(kPage, 1).first().moment, t0.addDays(1));

        QVERIFY(store.PagesFailing(2).isEmpty());
        store.AddCheck(check(t0.addDays(2), 5, false, 0), nullptr);
        QVERIFY(store.PagesFailing(2).isEmpty());
        store.AddCheck(check(t0.addDays(3), 4, false, 4), nullptr);
        const QList<FailingPage> failing = store.PagesFailing(2);
        QCOMPARE(failing.size(), 1);
        QCOMPARE(failing[0].page, kPage);
        QCOMPARE(failing[0].lastGood, t0.addDays(1));
    }

    void preparedVersionComparesWithThePreviousOne()
    {
        const QDateTime t0(QDate(2026, 12, 8), QTime(9, 0));
        const QByteArray first = "<p>Obwieszczenie A</p><p>licznik odwiedzin: 10</p>";
        const QByteArray counted = "<p>Obwieszczenie A</p><p>licznik odwiedzin: 11</p>";
        const QByteArray news = "<p>Obwieszczenie B</p><p>Obwieszczenie A</p><p>licznik odwiedzin: 12</p>";
        auto v1 = PrepareVersion(m_dir->path(), kPage, first, "utf-8", QStringLiteral("text/html"), t0);
        QVERIFY(v1 && !v1->hasPrevious && !v1->sameContent);
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            store.AddCheck(check(t0, 2, true), &v1->body);
        }
        auto v2 = PrepareVersion(m_dir->path(), kPage, counted, "utf-8", QStringLiteral("text/html"), t0.addDays(1));
        QVERIFY(v2->hasPrevious);
        QVERIFY(v2->sameContent);
        auto v3 = PrepareVersion(m_dir->path(), kPage, news, "utf-8", QStringLiteral("text/html"), t0.addDays(1));
        QVERIFY(!v3->sameContent);
        QCOMPARE(v3->firstAddedLine, QStringLiteral("Obwieszczenie B"));

        // The same bytes again: the same content, nothing packed anew, and
        // the version it records has the body and text of a fresh reading.
        auto again = PrepareVersion(m_dir->path(), kPage, first, "utf-8", QStringLiteral("text/html"), t0.addDays(2));
        QVERIFY(again->hasPrevious && again->sameContent);
        QCOMPARE(again->body.sha256, v1->body.sha256);
        QVERIFY(again->body.stored);
        QVERIFY(again->body.body.isEmpty() && again->body.text.isEmpty());
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            const qint64 id = store.AddCheck(check(t0.addDays(2), 0, false), &again->body);
            const std::optional<StoredCheck> recorded = store.Check(id);
            QVERIFY(recorded);
            QCOMPARE(recorded->sha256, v1->body.sha256);
            QCOMPARE(store.Body(recorded->sha256), first);
            QCOMPARE(store.Text(recorded->sha256).toUtf8(), Unpack(v1->body.text, StoredTextLimit(v1->body.size)));
            QVERIFY(!store.Text(recorded->sha256).isEmpty());
        }
    }

    // A file written before the answers' validators were kept: read as it
    // is, given the two columns when first written to, and still readable
    // by a reader that names only the old columns.
    void olderFileStaysReadableAndLearnsValidators()
    {
        const QString made = sqliteTool(
            path(), QStringLiteral(
                        "CREATE TABLE strony(id INTEGER PRIMARY KEY, adres TEXT NOT NULL UNIQUE);"
                        "CREATE TABLE tresci(sha256 TEXT PRIMARY KEY, rozmiar INTEGER NOT NULL, tresc BLOB NOT NULL,"
                        " tekst BLOB NOT NULL);"
                        "CREATE TABLE wersje(id INTEGER PRIMARY KEY, strona INTEGER NOT NULL REFERENCES strony(id),"
                        " chwila TEXT NOT NULL, adres TEXT NOT NULL, stan INTEGER NOT NULL, http INTEGER NOT NULL,"
                        " wynik TEXT NOT NULL, rozmiar INTEGER NOT NULL, wiersze INTEGER NOT NULL, data TEXT NOT NULL,"
                        " kod INTEGER NOT NULL, sha256 TEXT REFERENCES tresci(sha256), nowa_tresc INTEGER NOT NULL);"
                        "CREATE TABLE reguly(strona INTEGER NOT NULL REFERENCES strony(id), tekst TEXT NOT NULL,"
                        " PRIMARY KEY(strona, tekst));"
                        "PRAGMA user_version = 1;"));
        QCOMPARE(made, QString());
        const QDateTime t0(QDate(2026, 12, 8), QTime(9, 0));
        const PackedBody a = packed("<p>A</p>", QStringLiteral("A"));
        {
            // What the older program wrote, through its own columns.
            const QString row = sqliteTool(
                path(), QStringLiteral("INSERT INTO strony(adres) VALUES('%1');"
                                       "INSERT INTO tresci VALUES('%2', 8, x'00', x'00');"
                                       "INSERT INTO wersje(strona, chwila, adres, stan, http, wynik, rozmiar, wiersze,"
                                       " data, kod, sha256, nowa_tresc) VALUES(1, '2026-12-07T09:00:00', '%1', 2, 200,"
                                       " 'text/html', 8, 1, '', 2, '%2', 1);")
                            .arg(kPage, a.sha256));
            QCOMPARE(row, QString());
        }
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadOnly);
            QCOMPARE(store.Checks(kPage).size(), 1);
            const std::optional<StoredCheck> last = store.LastGoodCheck(kPage);
            QVERIFY(last);
            QCOMPARE(last->sha256, a.sha256);
            QVERIFY(last->etag.isEmpty() && last->lastModified.isEmpty());
        }
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            StoredCheck c = check(t0, 0, false);
            c.etag = "\"v7\"";
            c.lastModified = "Mon, 07 Dec 2026 09:00:00 GMT";
            store.AddCheck(c, &a);
            QCOMPARE(store.LastGoodCheck(kPage)->etag, QByteArray("\"v7\""));
            QCOMPARE(store.LastGoodCheck(kPage)->lastModified, QByteArray("Mon, 07 Dec 2026 09:00:00 GMT"));
        }
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*), max(etag) FROM wersje")),
                 QStringLiteral("2|\"v7\""));
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT kod, nowa_tresc FROM wersje ORDER BY id")),
                 QStringLiteral("2|1\n0|0"));
    }

    // Read connections outlive the check that used them; a file replaced
    // at the same path is read anew, never through the old connection.
    void readersAreKeptButNeverReadAReplacedFile()
    {
        QVERIFY(!HistoryReader::Open(m_dir->path())); // no history yet
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            const PackedBody a = packed("<p>A</p>", QStringLiteral("A"));
            store.AddCheck(check(QDateTime(QDate(2026, 12, 8), QTime(9, 0)), 2, true), &a);
        }
        const HistoryStore* first = nullptr;
        {
            HistoryReader reader = HistoryReader::Open(m_dir->path());
            QVERIFY(reader);
            first = &*reader;
            QCOMPARE(reader->Checks(kPage).size(), 1);
        }
        {
            HistoryReader reader = HistoryReader::Open(m_dir->path());
            QCOMPARE(&*reader, first); // the same connection, lent again
        }
        QVERIFY(QFile::rename(path(), path() + QStringLiteral(".stary")));
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            const PackedBody b = packed("<p>B</p>", QStringLiteral("B"));
            store.AddCheck(check(QDateTime(QDate(2026, 12, 9), QTime(9, 0)), 2, true), &b);
            store.AddCheck(check(QDateTime(QDate(2026, 12, 10), QTime(9, 0)), 0, false), &b);
        }
        HistoryReader reader = HistoryReader::Open(m_dir->path());
        QVERIFY(reader);
        QCOMPARE(reader->Checks(kPage).size(), 2);
        QCOMPARE(reader->LastVersion(kPage)->sha256, Sha256Hex("<p>B</p>"));
    }

    void damagedStoreIsPutAsideAndTheHistoryGoesOn()
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x')); // not a database
        f.close();
        QStringList log;
        RunHistory history(m_dir->path(), [&log](const QString& t) { log << t; });
        PageCheck failed;
        failed.address = kPage;
        failed.downloadStatus = 0;
        failed.message = QStringLiteral("Błędna strona: Not Found");
        history.Record(failed, false);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].startsWith(QStringLiteral("Plik historii stron był uszkodzony: odłożono go jako historia-uszkodzona-")),
                 qPrintable(log[0]));
        const QStringList aside = QDir(m_dir->path()).entryList({QStringLiteral("historia-uszkodzona-*.sqlite")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(QFileInfo(m_dir->filePath(aside[0])).size(), 8192); // kept as it was
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadOnly);
        QCOMPARE(store.Checks(kPage).size(), 1);
    }

    // A stored version is never larger than the page that went in: one
    // whose packed bytes stand for more than its stored size allows, or
    // whose stored size is more than a page may be, is damaged, and it is
    // found so without being unpacked whole.
    void aVersionBeyondItsSizeIsDamaged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("bodyDamaged");
        QTest::addColumn<bool>("textDamaged");
        const QString bomb = QStringLiteral("readfile('BOMB')"); // made in the test's own folder
        QTest::newRow("text unpacks to 40 MB") << QStringLiteral("tekst = %1").arg(bomb) << false << true;
        QTest::newRow("body unpacks to 40 MB") << QStringLiteral("tresc = %1").arg(bomb) << true << false;
        QTest::newRow("body short of its size") << QStringLiteral("rozmiar = rozmiar + 1") << true << false;
        QTest::newRow("size beyond the page cap")
            << QStringLiteral("rozmiar = 1099511627776, tresc = %1, tekst = %1").arg(bomb) << true << true;
        QTest::newRow("negative size") << QStringLiteral("rozmiar = -1") << true << true;
    }

    void aVersionBeyondItsSizeIsDamaged()
    {
        QFETCH(QString, change);
        QFETCH(bool, bodyDamaged);
        QFETCH(bool, textDamaged);
        {
            QFile bomb(m_dir->filePath(QStringLiteral("bomb.z")));
            QVERIFY(bomb.open(QIODevice::WriteOnly));
            bomb.write(Pack(QByteArray(40 * 1024 * 1024, ' '))); // about 40 KB
        }
        const QByteArray body = "<html><body><p>Obwieszczenie Wójta</p></body></html>";
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            const PackedBody first = packed(body, QStringLiteral("Obwieszczenie Wójta"));
            store.AddCheck(check(QDateTime(QDate(2026, 12, 8), QTime(9, 0)), 2, true), &first);
        }
        change.replace(QStringLiteral("BOMB"), m_dir->filePath(QStringLiteral("bomb.z")));
        QCOMPARE(sqliteTool(path(), QStringLiteral("UPDATE tresci SET %1").arg(change)), QString());

        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadOnly);
        const QString sha = Sha256Hex(body);
        auto outcome = [](const std::function<void()>& read) {
            try {
                read();
            } catch (const HistoryError& e) {
                return e.damaged() ? QStringLiteral("damaged: ") + e.text() : QStringLiteral("error: ") + e.text();
            }
            return QStringLiteral("read");
        };
        const QString bodyRead = outcome([&] { QCOMPARE(store.Body(sha), body); });
        const QString textRead = outcome([&] { QCOMPARE(store.Text(sha), QStringLiteral("Obwieszczenie Wójta")); });
        QCOMPARE(bodyRead.startsWith(QStringLiteral("damaged: zapisana wersja strony jest uszkodzona")), bodyDamaged);
        QCOMPARE(textRead.startsWith(QStringLiteral("damaged: zapisana wersja strony jest uszkodzona")), textDamaged);
        if (!bodyDamaged)
            QCOMPARE(bodyRead, QStringLiteral("read"));
        if (!textDamaged)
            QCOMPARE(textRead, QStringLiteral("read"));

        // The next check of the page, as a run's worker prepares it, goes on
        // as one with nothing to compare with.
        if (textDamaged) {
            const auto next = PrepareVersion(m_dir->path(), kPage, "<p>Nowe obwieszczenie</p>", "utf-8",
                                             QStringLiteral("text/html"), QDateTime::currentDateTime());
            QVERIFY(next);
            QVERIFY(!next->hasPrevious);
            QVERIFY(!next->sameContent);
        }
    }

    // Another program's database under the history's name is not ours to
    // add tables to: it is set aside as it is and the history begins anew.
    void aForeignDatabaseIsSetAsideUntouched()
    {
        QCOMPARE(sqliteTool(path(), QStringLiteral("CREATE TABLE kontakty(imie TEXT, telefon TEXT);"
                                                   "INSERT INTO kontakty VALUES('Anna', '600100200');")),
                 QString());
        const QByteArray before = [this] {
            QFile f(path());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!before.isEmpty());
        for (const HistoryStore::Mode mode : {HistoryStore::Mode::ReadOnly, HistoryStore::Mode::ReadWrite}) {
            HistoryStore store(path());
            try {
                store.open(mode);
                QFAIL("a foreign database was opened as the history");
            } catch (const HistoryError& e) {
                QVERIFY(e.foreign() && e.damaged());
                QVERIFY2(e.text().contains(QStringLiteral("nie jest historią stron")), qPrintable(e.text()));
            }
        }
        QVERIFY(!HistoryReader::Open(m_dir->path()));

        QStringList log;
        RunHistory history(m_dir->path(), [&log](const QString& t) { log << t; });
        PageCheck failed;
        failed.address = kPage;
        failed.downloadStatus = 0;
        failed.message = QStringLiteral("Błędna strona: Not Found");
        history.Record(failed, false);
        history.Record(failed, false);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].startsWith(QStringLiteral("Plik historia.sqlite nie jest historią stron tego programu: "
                                                  "odłożono go nietknięty jako historia-obca-")),
                 qPrintable(log[0]));
        const QStringList aside = QDir(m_dir->path()).entryList({QStringLiteral("historia-obca-*.sqlite")});
        QCOMPARE(aside.size(), 1);
        QFile kept(m_dir->filePath(aside[0]));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        QCOMPARE(sqliteTool(m_dir->filePath(aside[0]), QStringLiteral("SELECT name FROM sqlite_master")),
                 QStringLiteral("kontakty"));
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadOnly);
        QCOMPARE(store.Checks(kPage).size(), 2);

        // An empty database is nobody's: it becomes the history.
        QVERIFY(QFile::remove(path()));
        QCOMPARE(sqliteTool(path(), QStringLiteral("CREATE TABLE t(x); DROP TABLE t;")), QString());
        HistoryStore empty(path());
        empty.open(HistoryStore::Mode::ReadWrite);
        QVERIFY(empty.Checks(kPage).isEmpty());
    }

    // Another program in a transaction on the file (the sqlite3 tool's
    // BEGIN EXCLUSIVE): the checks wait in memory, in order, told once,
    // nobody waits for the file, and they go in as soon as it is free.
    void aBusyHistoryHoldsNobodyUpAndLosesNothing()
    {
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite); // the file and its tables exist
        }
        QProcess holder;
        QVERIFY(holdExclusively(holder, path()));

        QStringList log;
        QElapsedTimer clock;
        clock.start();
        {
            RunHistory history(m_dir->path(), [&log](const QString& t) { log << t; });
            for (int i = 0; i < 20; ++i) {
                PageCheck ok;
                ok.address = kPage + QStringLiteral("?strona=%1").arg(i);
                ok.downloadStatus = 2;
                ok.code = 2;
                ok.version = PrepareVersion(m_dir->path(), ok.address, "<p>Obwieszczenie " + QByteArray::number(i) + "</p>",
                                            "utf-8", QStringLiteral("text/html"), QDateTime::currentDateTime());
                QCOMPARE(history.Record(ok, false).code, 2); // the verdict does not wait for the file
            }
            // Twenty checks that each waited as the file's own time-out
            // would have it (3 s) take a minute.
            QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(history.waitingCount(), 20);
            QVERIFY(!history.WriteWaiting(0));
            QCOMPARE(log, QStringList{QStringLiteral("Plik historii stron jest zajęty przez inny program: wyniki "
                                                     "kontroli czekają i zostaną w nim zapisane, gdy się zwolni")});

            holder.write("COMMIT;\n.quit\n");
            QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(10000)); // it may have ended already
            // The next check finds the file free: all go in, oldest first.
            PageCheck last;
            last.address = kPage;
            last.downloadStatus = 0;
            last.message = QStringLiteral("Błędna strona: Not Found");
            history.Record(last, false);
            QCOMPARE(history.waitingCount(), 0);
        }
        QCOMPARE(log.size(), 1);
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM wersje")), QStringLiteral("21"));
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT s.adres FROM wersje w JOIN strony s ON s.id = w.strona "
                                                   "ORDER BY w.id LIMIT 1")),
                 kPage + QStringLiteral("?strona=0"));
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM tresci")), QStringLiteral("20"));
    }

    // What still waits when the run ends is written by the end of the run
    // once the file is free, also without another check.
    void waitingChecksAreWrittenAtTheEnd()
    {
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
        }
        QProcess holder;
        QVERIFY(holdExclusively(holder, path()));
        RunHistory history(m_dir->path(), [](const QString&) {});
        PageCheck failed;
        failed.address = kPage;
        failed.downloadStatus = 0;
        failed.message = QStringLiteral("Błędna strona: Not Found");
        history.Record(failed, false);
        QCOMPARE(history.waitingCount(), 1);
        // Freed a moment later: a wait that outlasts the holder succeeds.
        QTimer::singleShot(300, &holder, [&holder] { holder.write("COMMIT;\n.quit\n"); });
        QElapsedTimer clock;
        clock.start();
        while (!history.WriteWaiting(0) && clock.elapsed() < 10000)
            QTest::qWait(50);
        QCOMPARE(history.waitingCount(), 0);
        QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(10000)); // it may have ended already
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT count(*) FROM wersje")), QStringLiteral("1"));
    }

    void unwritableStoreIsToldOnceAndTheVerdictStays()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(HistoryStore::FileName())); // a folder where the file should be
        QStringList log;
        RunHistory history(m_dir->path(), [&log](const QString& t) { log << t; });
        PageCheck ok;
        ok.address = kPage;
        ok.downloadStatus = 2;
        ok.code = 2;
        ok.version = PrepareVersion(m_dir->path(), kPage, "<p>x</p>", "utf-8", QStringLiteral("text/html"),
                                    QDateTime::currentDateTime());
        QCOMPARE(history.Record(ok, true).code, 2);
        QCOMPARE(history.Record(ok, true).code, 2);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].startsWith(QStringLiteral("Historia stron niedostępna: ")), qPrintable(log[0]));
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
