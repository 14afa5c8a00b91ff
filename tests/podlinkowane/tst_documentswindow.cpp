// The documents of a check where the user meets them: the history window's
// "Dokumenty podlinkowane" list and its "Otwórz zapisany dokument" (the
// stored bytes through the shell; with no program for them, the file and
// its folder named), and `ekowarta-cli snapshot --document`.
#include "historia/historystore.h"
#include "historia/packing.h"
#include "historywindow.h"
#include "support/seams.h"
#include "support/testdata.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QtTest>

using namespace historia;

namespace {

const QString kPage = QStringLiteral("http://127.0.0.1:1/gmina/obwieszczenia.html");
const QString kPdf = QStringLiteral("http://127.0.0.1:1/gmina/pliki/obwieszczenie-7.pdf");
const QByteArray kPdfBytes = "%PDF-1.4\n% obwieszczenie nr 7\n" + QByteArray(3000, 'z') + "\n%%EOF\n";

} // namespace

class TestDocumentsWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    qint64 m_check = 0;
    qint64 m_pdf = 0;
    qint64 m_failed = 0;

    testdata::ProcessResult cli(const QStringList& args)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_dir.path()} + args);
    }

private Q_SLOTS:
    void initTestCase()
    {
        HistoryStore store(HistoryStore::PathIn(m_dir.path()));
        store.open(HistoryStore::Mode::ReadWrite);
        StoredCheck c;
        c.page = kPage;
        c.address = kPage;
        c.moment = QDateTime(QDate(2026, 12, 9), QTime(8, 0));
        c.status = 2;
        c.httpCode = 200;
        c.outcome = QStringLiteral("text/html");
        c.size = 40;
        c.lines = 2;
        c.kod = 3;
        c.newContent = true;
        const QByteArray body = "<p>Obwieszczenie nr 7 (PDF, 3 KB)</p>";
        PackedBody b{Sha256Hex(body), body.size(), Pack(body), Pack("Obwieszczenie nr 7 (PDF, 3 KB)")};
        StoredDocument pdf;
        pdf.address = kPdf;
        pdf.moment = c.moment;
        pdf.sha256 = Sha256Hex(kPdfBytes);
        pdf.size = kPdfBytes.size();
        pdf.type = QStringLiteral("PDF");
        pdf.outcome = StoredDocument::Outcome::Text;
        pdf.pages = 1;
        pdf.packedBody = Pack(kPdfBytes);
        pdf.packedText = Pack("OBWIESZCZENIE");
        StoredDocument failed;
        failed.address = QStringLiteral("http://127.0.0.1:1/gmina/pliki/mapa.pdf");
        failed.moment = c.moment;
        failed.reason = QStringLiteral("serwer odpowiedział: 404 Not Found");
        m_check = store.AddCheck(c, &b, {}, {pdf, failed});
        const QList<StoredDocument> kept = store.DocumentsOfCheck(m_check);
        QCOMPARE(kept.size(), 2);
        m_pdf = kept[0].id;
        m_failed = kept[1].id;
    }

    void theCheckListsItsDocumentsAndOpensTheStoredCopy()
    {
        HistoryWindow w(m_dir.path(), kPage, QStringLiteral("Sułów"));
        auto* list = w.findChild<QTableWidget*>(QStringLiteral("Dokumenty"));
        auto* open = w.findChild<QPushButton*>(QStringLiteral("OtworzDokument"));
        QVERIFY(list && open);
        QCOMPARE(w.documentCount(), 2);
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("PDF"));
        QCOMPARE(list->item(0, 3)->text(), kPdf);
        QCOMPARE(list->item(1, 2)->text(), QStringLiteral("błąd: serwer odpowiedział: 404 Not Found"));
        QVERIFY(open->isEnabled());

        ShellRecorder shell;
        open->click();
        QCOMPARE(shell.opened().size(), 1);
        const QString path = QUrl(shell.opened().first()).toLocalFile();
        QVERIFY(path.endsWith(QStringLiteral(".pdf")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), kPdfBytes);
        f.close();

        // No program takes it: the window names the file and its folder.
        ShellRecorder none(false);
        open->click();
        const QString told = w.findChild<QLabel*>(QStringLiteral("Stan"))->text();
        QVERIFY2(told.contains(QFileInfo(path).fileName()) &&
                     told.contains(QDir::toNativeSeparators(QFileInfo(path).absolutePath())),
                 qPrintable(told));

        // A document that was not fetched has no copy to open.
        w.selectDocument(1);
        QVERIFY(!open->isEnabled());
        ShellRecorder untouched;
        open->click();
        QVERIFY(untouched.opened().isEmpty());
    }

    void snapshotWritesTheDocumentAsReceived()
    {
        const QString out = m_dir.filePath(QStringLiteral("kopia.pdf"));
        auto r = cli({QStringLiteral("snapshot"), QStringLiteral("--document"), QString::number(m_pdf),
                      QStringLiteral("--out"), out});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(testdata::readAll(out), kPdfBytes);
        QVERIFY(r.out.contains("SHA-256: " + Sha256Hex(kPdfBytes).toLatin1()));
        QVERIFY(r.out.contains("Rodzaj: PDF"));

        r = cli({QStringLiteral("snapshot"), QStringLiteral("--document"), QString::number(m_failed),
                 QStringLiteral("--out"), m_dir.filePath(QStringLiteral("mapa.pdf"))});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("404 Not Found")), r.err.constData());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("mapa.pdf"))));
        r = cli({QStringLiteral("snapshot"), QStringLiteral("--document"), QStringLiteral("abc"),
                 QStringLiteral("--out"), out});
        QCOMPARE(r.exitCode, 2);
        r = cli({QStringLiteral("snapshot"), QStringLiteral("--document"), QStringLiteral("999"),
                 QStringLiteral("--out"), out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("nie ma dokumentu nr 999")));
    }
};

QTEST_MAIN(TestDocumentsWindow)
#include "tst_documentswindow.moc"
