// The history window on a real history file: checks newest first, the new
// notice in green before the removed lines in red, the stored version
// opened through the shell as the bytes received, the page's ignore rules;
// the updated list's line leads to its record; the content filter's tick box.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "historywindow.h"
#include "konfig/settings.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "tform4.h"
#include "updatedlisthistory.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QUrl>
#include <QtTest>

using namespace historia;

namespace {

const QString kPage = QStringLiteral("http://127.0.0.1:1/gmina/ochrona.html");

void add(HistoryStore& store, const QDateTime& at, const QByteArray& body, const QString& text, int kod)
{
    StoredCheck c;
    c.page = kPage;
    c.address = kPage;
    c.moment = at;
    c.status = 2;
    c.httpCode = 200;
    c.outcome = QStringLiteral("text/html");
    c.size = qint32(body.size());
    c.lines = 3;
    c.kod = kod;
    c.newContent = true;
    PackedBody b{Sha256Hex(body), body.size(), Pack(body), Pack(text.toUtf8())};
    store.AddCheck(c, &b);
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QByteArray m_second = "<p>Obwieszczenie B</p><p>Obwieszczenie A</p>";

private Q_SLOTS:
    void initTestCase()
    {
        HistoryStore store(HistoryStore::PathIn(m_dir.path()));
        store.open(HistoryStore::Mode::ReadWrite);
        add(store, QDateTime(QDate(2026, 12, 8), QTime(8, 0)), "<p>Obwieszczenie A</p><p>Stare</p>",
            QStringLiteral("Obwieszczenie A\nStare"), 2);
        add(store, QDateTime(QDate(2026, 12, 9), QTime(8, 0)), m_second,
            QStringLiteral("Obwieszczenie B\nObwieszczenie A"), 3);
        StoredCheck failed;
        failed.page = kPage;
        failed.address = kPage;
        failed.moment = QDateTime(QDate(2026, 12, 10), QTime(8, 0));
        failed.kod = 5;
        failed.outcome = QStringLiteral("Błędna strona: Not Found");
        store.AddCheck(failed, nullptr);
    }

    void showsChecksAndTheNewNoticeFirst()
    {
        HistoryWindow w(m_dir.path(), kPage, QStringLiteral("Kampinos"));
        auto* list = w.findChild<QTableWidget*>(QStringLiteral("ListaKontroli"));
        auto* details = w.findChild<QTextEdit*>(QStringLiteral("Roznice"));
        QCOMPARE(list->rowCount(), 3);
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("10.12.2026 08:00:00"));
        QCOMPARE(list->item(0, 5)->text(), QStringLiteral("Błędna strona: Not Found"));
        QCOMPARE(list->item(1, 2)->text(), QStringLiteral("nowa data"));
        QVERIFY(details->toPlainText().contains(QStringLiteral("Błędna strona: Not Found")));
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("PokazWersje"))->isEnabled());

        w.selectCheck(1);
        const QTextDocument* doc = details->document();
        QCOMPARE(doc->blockCount(), 2);
        QCOMPARE(doc->firstBlock().text(), QStringLiteral("+ Obwieszczenie B"));
        QCOMPARE(doc->firstBlock().begin().fragment().charFormat().foreground().color(), QColor(0x00, 0x80, 0x00));
        QCOMPARE(doc->lastBlock().text(), QStringLiteral("- Stare"));
        QCOMPARE(doc->lastBlock().begin().fragment().charFormat().foreground().color(), QColor(0xC0, 0x00, 0x00));

        ShellRecorder shell;
        w.findChild<QPushButton*>(QStringLiteral("PokazWersje"))->click();
        QCOMPARE(shell.opened().size(), 1);
        QFile f(QUrl(shell.opened().first()).toLocalFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), m_second);
        f.close();
        auto* status = w.findChild<QLabel*>(QStringLiteral("Stan"));
        QVERIFY(!status->text().contains(QStringLiteral("przeglądarki")));

        // No program takes the file: the window says so and where it lies.
        ShellRecorder none(false);
        w.findChild<QPushButton*>(QStringLiteral("PokazWersje"))->click();
        QCOMPARE(none.opened().size(), 1);
        const QString path = QUrl(none.opened().first()).toLocalFile();
        QVERIFY2(status->text().contains(QStringLiteral("w systemie nie ma programu, który otwiera takie pliki")) &&
                     status->text().contains(QFileInfo(path).fileName()) &&
                     status->text().contains(QFileInfo(path).absolutePath()),
                 qPrintable(status->text()));
        QVERIFY(QFile::exists(path));
    }

    // A line that only counted on is no change: grey, after the changes.
    void countersAreGreyedAfterTheChanges()
    {
        QTemporaryDir dir;
        {
            HistoryStore store(HistoryStore::PathIn(dir.path()));
            store.open(HistoryStore::Mode::ReadWrite);
            add(store, QDateTime(QDate(2026, 12, 8), QTime(8, 0)), "<p>A</p><p>812</p>",
                QStringLiteral("Obwieszczenie A\nSubskrybentów: 812"), 2);
            add(store, QDateTime(QDate(2026, 12, 9), QTime(8, 0)), "<p>B</p><p>815</p>",
                QStringLiteral("Obwieszczenie B\nObwieszczenie A\nSubskrybentów: 815"), 2);
        }
        HistoryWindow w(dir.path(), kPage, QStringLiteral("Kampinos"));
        const QTextDocument* doc = w.findChild<QTextEdit*>(QStringLiteral("Roznice"))->document();
        QCOMPARE(doc->blockCount(), 2);
        QCOMPARE(doc->firstBlock().text(), QStringLiteral("+ Obwieszczenie B"));
        QCOMPARE(doc->lastBlock().text(), QStringLiteral("licznik: Subskrybentów: 815"));
        QCOMPARE(doc->lastBlock().begin().fragment().charFormat().foreground().color(),
                 w.palette().color(QPalette::Disabled, QPalette::Text));
        QVERIFY(w.palette().color(QPalette::Disabled, QPalette::Text) != w.palette().color(QPalette::Text));
    }

    void rulesAreKeptWithTheHistory()
    {
        {
            HistoryWindow w(m_dir.path(), kPage, QStringLiteral("Kampinos"));
            w.findChild<QLineEdit*>(QStringLiteral("RegulaTekst"))->setText(QStringLiteral("obwieszczenie b"));
            w.findChild<QPushButton*>(QStringLiteral("DodajRegule"))->click();
            w.selectCheck(1);
            QCOMPARE(w.findChild<QTextEdit*>(QStringLiteral("Roznice"))->document()->firstBlock().text(),
                     QStringLiteral("- Stare"));
        }
        HistoryStore store(HistoryStore::PathIn(m_dir.path()));
        store.open(HistoryStore::Mode::ReadWrite);
        QCOMPARE(store.Rules(kPage), QStringList{"obwieszczenie b"});
        store.RemoveRule(kPage, QStringLiteral("obwieszczenie b"));
    }

    void updatedLineLeadsToItsRecord()
    {
        QTemporaryDir dir;
        baza::Baza b(dir.path());
        b.OpenTable();
        for (const QString& gmina : {QStringLiteral("Kampinos"), QStringLiteral("Leszno")}) {
            b.table().append();
            b.table().setText(baza::Gmina, gmina);
            b.table().setText(baza::Info, QStringLiteral(" http://127.0.0.1/") + gmina + QStringLiteral(" "));
            b.table().post();
        }
        const qint32 lp = b.table().integerAt(b.table().rowOfRecNo(2), baza::LP);
        const UpdatedLineRecord r = RecordOfUpdatedLine(b.table(), QStringLiteral("LP = %1 - Leszno").arg(lp));
        QCOMPARE(r.page, QStringLiteral("http://127.0.0.1/Leszno"));
        QCOMPARE(r.gmina, QStringLiteral("Leszno"));
        QVERIFY(RecordOfUpdatedLine(b.table(), QStringLiteral("LP = 999 - Nikt")).page.isEmpty());
    }

    void filterTickBoxIsTheSetting()
    {
        Settings settings;
        ScriptedDialogs dialogs;
        TForm4 form(settings, dialogs, m_dir.filePath(QStringLiteral("config.ini")));
        auto* box = form.findChild<QCheckBox*>(QStringLiteral("CheckBoxTresc"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("pomijaj zmiany bez nowej treści"));
        QVERIFY(!box->isChecked());
        box->click();
        QVERIFY(settings.skipWithoutNewContent);
        settings.skipWithoutNewContent = false;
        settings.notifyChanged();
        QVERIFY(!box->isChecked());
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
