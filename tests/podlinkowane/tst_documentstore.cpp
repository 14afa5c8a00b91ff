// Documents in historia.sqlite: kept with the check that found them, their
// bytes and text given back whole, the same bytes from the same address kept
// once, a failed one kept with its reason, a notice's document; a file of
// the version before reads as it is and learns the table on its first write.
#include "historia/historystore.h"
#include "historia/packing.h"

#include <QProcess>
#include <QtTest>

using namespace historia;

namespace {

const QString kPage = QStringLiteral("http://127.0.0.1/gmina/ogloszenia.html");
const QString kPdf = QStringLiteral("http://127.0.0.1/gmina/pliki/obwieszczenie.pdf");

StoredCheck check(const QDateTime& at)
{
    StoredCheck c;
    c.page = kPage;
    c.address = kPage;
    c.moment = at;
    c.status = 2;
    c.httpCode = 200;
    c.outcome = QStringLiteral("text/html");
    c.size = 100;
    c.lines = 7;
    c.kod = 3;
    c.newContent = true;
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

StoredDocument document(const QString& address, const QByteArray& bytes, const QString& text,
                        const QDateTime& at)
{
    StoredDocument d;
    d.address = address;
    d.moment = at;
    d.sha256 = Sha256Hex(bytes);
    d.size = bytes.size();
    d.type = QStringLiteral("PDF");
    d.outcome = StoredDocument::Outcome::Text;
    d.pages = 2;
    d.packedBody = Pack(bytes);
    d.packedText = Pack(text.toUtf8());
    return d;
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

class TestDocumentStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return HistoryStore::PathIn(m_dir->path()); }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void documentsAreKeptWithTheirCheck()
    {
        const QDateTime t0(QDate(2026, 12, 7), QTime(6, 0));
        const QByteArray pdf = "%PDF-1.4 obwieszczenie " + QByteArray(5000, 'x');
        const QString text = QStringLiteral("OBWIESZCZENIE\nWójt Gminy Sułów zawiadamia …");
        StoredDocument failed;
        failed.address = QStringLiteral("http://127.0.0.1/gmina/pliki/mapa.pdf");
        failed.moment = t0;
        failed.reason = QStringLiteral("serwer odpowiedział: 404 Not Found");
        ogloszenia::Notice n;
        n.kind = QStringLiteral("obwieszczenie");
        n.reference = QStringLiteral("RGK.6220.7.2026");
        n.document = kPdf;

        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const PackedBody v1 = packed("v1");
        const qint64 first = store.AddCheck(check(t0), &v1, {n}, {document(kPdf, pdf, text, t0), failed});
        const QList<StoredDocument> kept = store.DocumentsOfCheck(first);
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept[0].address, kPdf);
        QCOMPARE(kept[0].checkId, first);
        QCOMPARE(kept[0].moment, t0);
        QCOMPARE(kept[0].size, pdf.size());
        QCOMPARE(kept[0].sha256, Sha256Hex(pdf));
        QCOMPARE(kept[0].type, QStringLiteral("PDF"));
        QCOMPARE(kept[0].outcome, StoredDocument::Outcome::Text);
        QCOMPARE(kept[0].pages, 2);
        QVERIFY(kept[0].packedBody.isEmpty()); // given by DocumentBody
        QCOMPARE(store.DocumentBody(kept[0].id), pdf);
        QCOMPARE(store.DocumentText(kept[0].id), text);
        QCOMPARE(kept[1].outcome, StoredDocument::Outcome::Failed);
        QVERIFY(!kept[1].fetched());
        QCOMPARE(kept[1].reason, failed.reason);
        QVERIFY_THROWS_EXCEPTION(HistoryError, store.DocumentBody(kept[1].id));
        QCOMPARE(store.NoticesOfCheck(first).first().notice.document, kPdf);
        QCOMPARE(sqliteTool(path(), QStringLiteral("SELECT wynik FROM dokumenty ORDER BY id")),
                 QStringLiteral("tekst\nbłąd"));

        // Found again by a later check: the same bytes are not kept twice,
        // new bytes at the same address are.
        const PackedBody v2 = packed("v2");
        const QDateTime t1 = t0.addDays(1);
        const qint64 second = store.AddCheck(check(t1), &v2, {},
                                             {document(kPdf, pdf, text, t1), document(kPdf, pdf + "2", text, t1)});
        QCOMPARE(store.DocumentsOfCheck(second).size(), 1);
        QCOMPARE(store.ReadBefore(kPdf, Sha256Hex(pdf))->id, kept[0].id);
        QCOMPARE(store.ReadBefore(kPdf, Sha256Hex(pdf + "2"))->checkId, second);
        QVERIFY(!store.ReadBefore(kPage, Sha256Hex(pdf)));

        // A check that found a document outlives the size bound.
        for (int i = 0; i < HistoryStore::kKeptOthers + 3; ++i) {
            StoredCheck same = check(t1.addSecs(60 * (i + 1)));
            same.newContent = false;
            store.AddCheck(same, &v2);
        }
        QCOMPARE(store.DocumentsOfCheck(first).size(), 2);
        QVERIFY(store.Check(first));
    }

    void aDamagedDocumentIsNoText()
    {
        HistoryStore store(path());
        store.open(HistoryStore::Mode::ReadWrite);
        const PackedBody v1 = packed("v1");
        StoredDocument d = document(kPdf, "%PDF-1.4 abc", QStringLiteral("tekst"), QDateTime(QDate(2026, 12, 7), QTime(6, 0)));
        const qint64 id = store.AddCheck(check(d.moment), &v1, {}, {d});
        QCOMPARE(sqliteTool(path(), QStringLiteral("UPDATE dokumenty SET tresc = x'789c0000', tekst = x'00'")),
                 QString());
        const qint64 doc = store.DocumentsOfCheck(id).first().id;
        QVERIFY_THROWS_EXCEPTION(HistoryError, store.DocumentBody(doc));
        QVERIFY_THROWS_EXCEPTION(HistoryError, store.DocumentText(doc));
    }

    void aFileOfTheVersionBeforeLearnsDocuments()
    {
        // As the program wrote it when notices were kept without documents.
        const QString old = QStringLiteral(
            "CREATE TABLE strony(id INTEGER PRIMARY KEY, adres TEXT NOT NULL UNIQUE);"
            "CREATE TABLE tresci(sha256 TEXT PRIMARY KEY, rozmiar INTEGER NOT NULL, tresc BLOB NOT NULL, "
            "tekst BLOB NOT NULL);"
            "CREATE TABLE wersje(id INTEGER PRIMARY KEY, strona INTEGER NOT NULL REFERENCES strony(id), "
            "chwila TEXT NOT NULL, adres TEXT NOT NULL, stan INTEGER NOT NULL, http INTEGER NOT NULL, "
            "wynik TEXT NOT NULL, rozmiar INTEGER NOT NULL, wiersze INTEGER NOT NULL, data TEXT NOT NULL, "
            "kod INTEGER NOT NULL, sha256 TEXT REFERENCES tresci(sha256), nowa_tresc INTEGER NOT NULL, etag TEXT, "
            "zmiana TEXT);"
            "CREATE TABLE reguly(strona INTEGER NOT NULL REFERENCES strony(id), tekst TEXT NOT NULL, "
            "PRIMARY KEY(strona, tekst));"
            "CREATE TABLE ogloszenia(id INTEGER PRIMARY KEY, strona INTEGER NOT NULL REFERENCES strony(id), "
            "wersja INTEGER NOT NULL REFERENCES wersje(id), klucz TEXT NOT NULL, rodzaj TEXT NOT NULL, organ TEXT, "
            "znak TEXT, data TEXT, procedura TEXT NOT NULL, etap TEXT NOT NULL, uwagi_od TEXT, uwagi_do TEXT, "
            "uwagi_wyliczone INTEGER NOT NULL, natura2000 INTEGER NOT NULL, obszar TEXT, obszary TEXT, "
            "przedmiot TEXT, wykryto TEXT NOT NULL, UNIQUE(strona, klucz));"
            "INSERT INTO strony VALUES(1, '%1');"
            "INSERT INTO wersje VALUES(1, 1, '2026-12-01T06:00:00', '%1', 2, 200, 'text/html', 10, 1, '', 3, NULL, 1, "
            "NULL, NULL);"
            "INSERT INTO ogloszenia VALUES(1, 1, 1, 'k', 'obwieszczenie', NULL, 'GKR.6220.1.2026', '2026-12-01', "
            "'DŚU', 'wszczęcie', NULL, '2026-12-20', 0, 0, NULL, NULL, NULL, '2026-12-01T06:00:00');"
            "PRAGMA user_version = 2;")
                                .arg(kPage);
        QCOMPARE(sqliteTool(path(), old), QString());
        {
            // Read as it is: no document anywhere, nothing changed.
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadOnly);
            QCOMPARE(store.Notices().size(), 1);
            QVERIFY(store.Notices().first().notice.document.isEmpty());
            QVERIFY(store.DocumentsOfCheck(1).isEmpty());
            QVERIFY(!store.ReadBefore(kPdf, Sha256Hex("x")));
        }
        QCOMPARE(sqliteTool(path(), QStringLiteral("PRAGMA user_version")), QStringLiteral("2"));
        {
            HistoryStore store(path());
            store.open(HistoryStore::Mode::ReadWrite);
            const PackedBody v = packed("v");
            const QDateTime t(QDate(2026, 12, 2), QTime(6, 0));
            ogloszenia::Notice n;
            n.kind = QStringLiteral("obwieszczenie");
            n.reference = QStringLiteral("GKR.6220.2.2026");
            n.document = kPdf;
            const qint64 id = store.AddCheck(check(t), &v, {n}, {document(kPdf, "%PDF-1.4", QStringLiteral("t"), t)});
            QCOMPARE(store.DocumentsOfCheck(id).size(), 1);
            QCOMPARE(store.Notices().size(), 2);
            QCOMPARE(store.NoticesOfCheck(id).first().notice.document, kPdf);
            QCOMPARE(store.NoticesOfCheck(1).first().notice.reference, QStringLiteral("GKR.6220.1.2026"));
        }
        QCOMPARE(sqliteTool(path(), QStringLiteral("PRAGMA user_version")),
                 QString::number(HistoryStore::kSchemaVersion));
    }
};

QTEST_GUILESS_MAIN(TestDocumentStore)
#include "tst_documentstore.moc"
