// Runs of ekowarta-cli over a page whose list of notices gives only titles,
// the notice itself an attached PDF (made here with reportlab, read by the
// program's reader): after the run the notice has its case reference,
// procedure, stage and deadline from the PDF, terminy.ics its deadline; the
// check keeps its documents (a missing one as failed, without a word on the
// page's verdict), asks the page's server for them as for the page, follows
// only the new row's links, and never reads the same document twice.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "support/httptestserver.h"
#include "support/testdata.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

QString words(const QDate& d)
{
    static const char* const months[] = {"stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca", "lipca",
                                         "sierpnia", "września", "października", "listopada", "grudnia"};
    return QStringLiteral("%1 %2 %3").arg(d.day()).arg(QString::fromUtf8(months[d.month() - 1])).arg(d.year());
}

QByteArray pdfOf(const QStringList& lines, const QString& path)
{
    QProcess p;
    p.start(kPython, {testdata::testServer(QStringLiteral("noticepdf.py")), path});
    p.write(lines.join(QLatin1Char('\n')).toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return testdata::readAll(path);
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

class TestFollowRun : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    HttpTestServer m_server;
    HttpTestServer m_other{QHostAddress(QStringLiteral("127.0.0.2"))};
    QDate m_today;
    QString m_page;
    QString m_reference;
    QByteArray m_pdf;
    QString m_pdfAddress;

    testdata::ProcessResult cli(const QStringList& args)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_dir.path()} + args,
                             120000);
    }

    QByteArray list(const QByteArray& newRows)
    {
        return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Obwieszczenia</title></head><body>\n"
               "<h1>Urząd Gminy Sułów</h1>\n<h2>Obwieszczenia i zawiadomienia</h2>\n<ul class=\"wykaz\">\n" +
               newRows +
               "<li><a href=\"/bip/pliki/obw-3.pdf\">Obwieszczenie Wójta Gminy Sułów z dnia 2 października 2026 r."
               "</a> (PDF, 41 KB)</li>\n</ul>\n<p>Liczba odwiedzin: 4711</p>\n</body></html>\n";
    }

    int requestsFor(const HttpTestServer& server, const QByteArray& target) const
    {
        int n = 0;
        for (const HttpTestServer::Request& r : server.requests())
            n += r.target == target;
        return n;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,127.0.0.2,localhost");
        qputenv("EKOWARTA_CONNECTION", "online");
        QVERIFY2(QFile::exists(kPython), "the PDFs are made with Debian's /usr/bin/python3 and python3-reportlab");
        QVERIFY(m_server.isListening());
        m_today = QDate::currentDate();
        const QDate posted = m_today.addDays(-1);
        const QDate until = m_today.addDays(20);
        m_reference = QStringLiteral("RGK.6220.7.%1").arg(posted.year());
        m_pdf = pdfOf({QStringLiteral("Sułów, dnia %1 r.").arg(words(posted)), m_reference,
                       QStringLiteral("OBWIESZCZENIE"),
                       QStringLiteral("Wójt Gminy Sułów zawiadamia, że na wniosek inwestora zostało wszczęte "
                                      "postępowanie w sprawie wydania decyzji o środowiskowych uwarunkowaniach dla "
                                      "przedsięwzięcia polegającego na budowie farmy fotowoltaicznej w Sułowie."),
                       QStringLiteral("Uwagi i wnioski można składać od dnia %1 r. do dnia %2 r. w Urzędzie Gminy.")
                           .arg(words(posted), words(until)),
                       QStringLiteral("Wójt Gminy Sułów")},
                      m_dir.filePath(QStringLiteral("obw-7.pdf")));
        QVERIFY2(m_pdf.startsWith("%PDF"), "python3-reportlab is needed to make the test's PDF");
        QFile::remove(m_dir.filePath(QStringLiteral("obw-7.pdf")));
        m_server.route("/bip/pliki/obw-7.pdf",
                       HttpTestServer::Response{200, "OK", {}, {{"Content-Type", "application/pdf"},
                                                                {"Content-Length", QByteArray::number(m_pdf.size())}},
                                                m_pdf});
        m_server.route("/bip/pliki/obw-3.pdf",
                       HttpTestServer::Response{200, "OK", {}, {{"Content-Type", "application/pdf"},
                                                                {"Content-Length", QByteArray::number(m_pdf.size())}},
                                                m_pdf});
        // The map the row also links to is gone.
        m_other.route("/mapy/obw-7-mapa.pdf", HttpTestServer::Response::statusPage(404, "Not Found"));
        m_page = m_server.url(QStringLiteral("/bip/obwieszczenia.html"));
        m_pdfAddress = m_server.url(QStringLiteral("/bip/pliki/obw-7.pdf"));
        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            b.table().append();
            b.table().setText(baza::Gmina, QStringLiteral("Sułów"));
            b.table().setText(baza::Natura2000, QStringLiteral("Dolina Baryczy"));
            b.table().setText(baza::Info, m_page);
            b.table().post();
            b.table().close();
        }

        // The first check knows the page; the second finds a new row.
        m_server.route("/bip/obwieszczenia.html", HttpTestServer::Response::html(list({})));
        auto r = cli({QStringLiteral("run"), QStringLiteral("--new")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QByteArray row =
            "<li><a href=\"pliki/obw-7.pdf\">Obwieszczenie Wójta Gminy Sułów z dnia " + words(posted).toUtf8() +
            " r.</a> (PDF, " + QByteArray::number(m_pdf.size() / 1024) + " KB) <a href=\"" +
            m_other.url(QStringLiteral("/mapy/obw-7-mapa.pdf")).toUtf8() + "\">mapa (PDF)</a></li>\n";
        m_server.route("/bip/obwieszczenia.html", HttpTestServer::Response::html(list(row)));
        r = cli({QStringLiteral("run"), QStringLiteral("--new")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }

    void theNoticeHasWhatItsPdfSays()
    {
        const auto r = cli({QStringLiteral("notices")});
        QCOMPARE(r.exitCode, 0);
        // The older row was read at the first check, from its title alone.
        const QList<QJsonObject> lines = jsonLines(r.out);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].value(QStringLiteral("dokument")).isNull());
        QVERIFY(lines[1].value(QStringLiteral("znak")).isNull());
        const QJsonObject& n = lines.first(); // newest first
        QCOMPARE(n.value(QStringLiteral("rodzaj")).toString(), QStringLiteral("obwieszczenie"));
        QCOMPARE(n.value(QStringLiteral("znak")).toString(), m_reference);
        QCOMPARE(n.value(QStringLiteral("procedura")).toString(), QStringLiteral("DŚU"));
        QCOMPARE(n.value(QStringLiteral("etap")).toString(), QStringLiteral("konsultacje"));
        QCOMPARE(n.value(QStringLiteral("uwagi_do")).toString(), m_today.addDays(20).toString(Qt::ISODate));
        QCOMPARE(n.value(QStringLiteral("data")).toString(), m_today.addDays(-1).toString(Qt::ISODate));
        QCOMPARE(n.value(QStringLiteral("dokument")).toString(), m_pdfAddress);
        QCOMPARE(n.value(QStringLiteral("strona")).toString(), m_page);

        const QByteArray calendar = testdata::readAll(m_dir.filePath(QStringLiteral("terminy.ics")));
        QVERIFY2(calendar.contains("DTSTART;VALUE=DATE:" + m_today.addDays(20).toString(QStringLiteral("yyyyMMdd")).toLatin1()),
                 calendar.constData());
        QVERIFY(calendar.contains(m_reference.toUtf8()));
    }

    void theCheckKeepsItsDocumentsAndItsVerdict()
    {
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        const QList<historia::StoredCheck> checks = store.Checks(m_page);
        QCOMPARE(checks.size(), 2);
        QVERIFY(store.DocumentsOfCheck(checks[0].id).isEmpty()); // a first check follows nothing
        const QList<historia::StoredDocument> docs = store.DocumentsOfCheck(checks[1].id);
        QCOMPARE(docs.size(), 2);
        QCOMPARE(docs[0].address, m_pdfAddress);
        QCOMPARE(docs[0].type, QStringLiteral("PDF"));
        QCOMPARE(docs[0].outcome, historia::StoredDocument::Outcome::Text);
        QCOMPARE(store.DocumentBody(docs[0].id), m_pdf);
        QVERIFY(store.DocumentText(docs[0].id).contains(m_reference));
        QCOMPARE(docs[1].outcome, historia::StoredDocument::Outcome::Failed);
        QVERIFY2(docs[1].reason.contains(QStringLiteral("404")), qPrintable(docs[1].reason));
        // The missing map changes nothing of the page's verdict: a new notice.
        QCOMPARE(checks[1].kod, 3);

        // Asked of the page's server as the page was; the older row's PDF never.
        QCOMPARE(requestsFor(m_server, "/bip/pliki/obw-7.pdf"), 1);
        QCOMPARE(requestsFor(m_server, "/bip/pliki/obw-3.pdf"), 0);
        QByteArray pageAgent;
        for (const HttpTestServer::Request& req : m_server.requests()) {
            if (req.target == "/bip/obwieszczenia.html")
                pageAgent = req.header("User-Agent");
            else if (req.target == "/bip/pliki/obw-7.pdf")
                QCOMPARE(req.header("User-Agent"), pageAgent);
        }
        QVERIFY(!pageAgent.isEmpty());
    }

    void historyAndSnapshotShowThem()
    {
        auto r = cli({QStringLiteral("history"), QStringLiteral("1")});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[2].startsWith("  dokument ") && lines[2].contains(" PDF ") && lines[2].contains(" tekst ") &&
                     lines[2].endsWith(m_pdfAddress.toUtf8()),
                 lines[2].constData());
        QVERIFY2(lines[3].contains(" błąd ") && lines[3].contains("404"), lines[3].constData());
        const QByteArray number = lines[2].split(' ').value(3);
        const QString out = m_dir.filePath(QStringLiteral("kopia.pdf"));
        r = cli({QStringLiteral("snapshot"), QStringLiteral("--document"), QString::fromLatin1(number),
                 QStringLiteral("--out"), out});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(testdata::readAll(out), m_pdf);
    }

    void aDocumentReadBeforeIsNotReadAgain()
    {
        // The row moves down under a newer one that links the same file.
        const QByteArray newer =
            "<li><a href=\"/bip/pliki/obw-7.pdf\">Zawiadomienie Wójta Gminy Sułów o możliwości zapoznania się z "
            "dokumentacją</a> (PDF)</li>\n";
        m_server.route("/bip/obwieszczenia.html",
                       HttpTestServer::Response::html(list(newer)));
        const auto r = cli({QStringLiteral("run"), QStringLiteral("--new")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        const QList<historia::StoredCheck> checks = store.Checks(m_page);
        QCOMPARE(checks.size(), 3);
        // Fetched to know its bytes, kept once.
        QCOMPARE(requestsFor(m_server, "/bip/pliki/obw-7.pdf"), 2);
        QVERIFY(store.DocumentsOfCheck(checks[2].id).isEmpty());
        QCOMPARE(store.ReadBefore(m_pdfAddress, historia::Sha256Hex(m_pdf))->checkId, checks[1].id);
    }
};

QTEST_GUILESS_MAIN(TestFollowRun)
#include "tst_followrun.moc"
