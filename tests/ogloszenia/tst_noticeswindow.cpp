// The notices window on a real history and register: every notice of the
// register's pages newest first with its record's municipality and area;
// "termin uwag otwarty" keeps the open comment windows, soonest first, with
// the days left; a double-click opens the page's history at the check that
// brought the notice, where the notices stand above the check's lines. The
// main window reaches it by its toolbar button and its menu item.
#include "baza/baza.h"
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "historywindow.h"
#include "konfig/settings.h"
#include "noticeswindow.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/widgetlookup.h"
#include "tform1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using historia::HistoryStore;
using ogloszenia::Notice;

namespace {

const QString kMilicz = QStringLiteral("http://127.0.0.1:1/milicz/obwieszczenia.html");
const QString kCisna = QStringLiteral("http://127.0.0.1:1/cisna/info.html");

Notice notice(const QString& kind, const QString& reference, const QString& procedure, const QString& stage,
              const QDate& until)
{
    Notice n;
    n.kind = kind;
    n.reference = reference;
    n.authority = QStringLiteral("Burmistrz Milicza");
    n.date = QDate(2026, 12, 1);
    n.procedure = procedure;
    n.stage = stage;
    n.commentsFrom = until.isValid() ? QDate(2026, 12, 2) : QDate();
    n.commentsUntil = until;
    n.subject = QStringLiteral("budowie fermy drobiu");
    return n;
}

qint64 addCheck(HistoryStore& store, const QString& page, const QDateTime& at, const QString& text,
                const QList<Notice>& notices)
{
    const QByteArray body = text.toUtf8();
    historia::StoredCheck c;
    c.page = page;
    c.address = page;
    c.moment = at;
    c.status = 2;
    c.httpCode = 200;
    c.outcome = QStringLiteral("text/html");
    c.size = qint32(body.size());
    c.lines = 2;
    c.kod = 3;
    c.newContent = true;
    historia::PackedBody b{historia::Sha256Hex(body), body.size(), historia::Pack(body), historia::Pack(body)};
    return store.AddCheck(c, &b, notices);
}

QStringList rowTexts(const QTableWidget* list, int row)
{
    QStringList out;
    for (int col = 0; col < list->columnCount(); ++col)
        if (!list->isColumnHidden(col))
            out << list->item(row, col)->text();
    return out;
}

} // namespace

class TestNoticesWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    qint64 m_secondCheck = 0;
    std::unique_ptr<PinnedClock> m_clock;

private Q_SLOTS:
    void initTestCase()
    {
        m_clock = std::make_unique<PinnedClock>(QDateTime(QDate(2026, 12, 10), QTime(12, 0)));
        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            for (const auto& [gmina, area, page] :
                 {std::tuple{QStringLiteral("Milicz"), QStringLiteral("Dolina Baryczy"), kMilicz},
                  std::tuple{QStringLiteral("Cisna"), QStringLiteral("Bieszczady"), kCisna}}) {
                b.table().append();
                b.table().setText(baza::Gmina, gmina);
                b.table().setText(baza::Natura2000, area);
                b.table().setText(baza::Info, page);
                b.table().post();
            }
            b.table().close();
        }
        HistoryStore store(HistoryStore::PathIn(m_dir.path()));
        store.open(HistoryStore::Mode::ReadWrite);
        addCheck(store, kMilicz, QDateTime(QDate(2026, 12, 1), QTime(8, 0)), QStringLiteral("Obwieszczenia"),
                 {notice(QStringLiteral("obwieszczenie"), QStringLiteral("GKR.6220.14.2026"), QStringLiteral("DŚU"),
                         QStringLiteral("konsultacje"), QDate(2026, 12, 21))});
        addCheck(store, kCisna, QDateTime(QDate(2026, 12, 3), QTime(8, 0)), QStringLiteral("Ogłoszenia"),
                 {notice(QStringLiteral("zawiadomienie"), QStringLiteral("RG.6220.2.2026"), QStringLiteral("OOŚ"),
                         QStringLiteral("wszczęcie"), QDate(2026, 12, 12)),
                  // Closed two days ago.
                  notice(QStringLiteral("decyzja"), QStringLiteral("RG.6220.1.2026"), QStringLiteral("DŚU"),
                         QStringLiteral("decyzja"), QDate(2026, 12, 8))});
        m_secondCheck = addCheck(store, kMilicz, QDateTime(QDate(2026, 12, 9), QTime(8, 0)),
                                 QStringLiteral("Obwieszczenia\nObwieszczenie o wycince drzew"),
                                 {notice(QStringLiteral("obwieszczenie"), QStringLiteral("GKR.613.4.2026"),
                                         QStringLiteral("drzewa"), QStringLiteral("inne"), {})});
        // A page no record has any more.
        addCheck(store, QStringLiteral("http://127.0.0.1:1/usunieta"), QDateTime(QDate(2026, 12, 9), QTime(9, 0)),
                 QStringLiteral("x"),
                 {notice(QStringLiteral("obwieszczenie"), QStringLiteral("X.1.2026"), QStringLiteral("inne"),
                         QStringLiteral("inne"), QDate(2026, 12, 30))});
    }
    void cleanupTestCase() { m_clock.reset(); }

    void listsAllNewestFirstAndTheOpenOnesSoonestFirst()
    {
        baza::Baza b(m_dir.path());
        b.OpenTable();
        NoticesWindow w(m_dir.path(), b.table());
        auto* list = childNamed<QTableWidget>(w, "ListaOgloszen");
        QCOMPARE(list->rowCount(), 4);
        QCOMPARE(rowTexts(list, 0), (QStringList{"9.12.2026 08:00:00", "Milicz", "Dolina Baryczy", "obwieszczenie",
                                                 "drzewa", "inne", "GKR.613.4.2026", "–"}));
        QCOMPARE(list->item(1, 1)->text(), QStringLiteral("Cisna"));
        QCOMPARE(list->item(3, 6)->text(), QStringLiteral("GKR.6220.14.2026"));
        QCOMPARE(list->item(3, 7)->text(), QStringLiteral("2.12.2026 – 21.12.2026"));
        QCOMPARE(childNamed<QLabel>(w, "Stan")->text(), QStringLiteral("Ogłoszenia: 4"));

        childNamed<QCheckBox>(w, "TerminOtwarty")->click();
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(rowTexts(list, 0), (QStringList{"3.12.2026 08:00:00", "Cisna", "Bieszczady", "zawiadomienie", "OOŚ",
                                                 "wszczęcie", "RG.6220.2.2026", "2.12.2026 – 12.12.2026", "2 dni"}));
        QCOMPARE(list->item(1, 6)->text(), QStringLiteral("GKR.6220.14.2026"));
        QCOMPARE(list->item(1, 8)->text(), QStringLiteral("11 dni"));
        QCOMPARE(childNamed<QLabel>(w, "Stan")->text(), QStringLiteral("Otwarte terminy uwag: 2"));
        childNamed<QCheckBox>(w, "TerminOtwarty")->click();
        QCOMPARE(list->rowCount(), 4);
        QVERIFY(list->isColumnHidden(8));
    }

    void doubleClickOpensTheHistoryAtTheCheckWithTheNoticeOnTop()
    {
        baza::Baza b(m_dir.path());
        b.OpenTable();
        NoticesWindow w(m_dir.path(), b.table());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = childNamed<QTableWidget>(w, "ListaOgloszen");
        // The oldest notice: Milicz's first check, the older of its two.
        QCOMPARE(list->item(3, 6)->text(), QStringLiteral("GKR.6220.14.2026"));
        // An item view takes a double-click for the item it was pressed on.
        const QPoint at = list->visualItemRect(list->item(3, 1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        int selected = -2;
        QStringList lines;
        QString title;
        QTimer::singleShot(0, this, [&] {
            auto* h = qobject_cast<HistoryWindow*>(QApplication::activeModalWidget());
            if (h) {
                selected = h->selectedCheck();
                title = h->windowTitle();
                lines = childNamed<QTextEdit>(*h, "Roznice")->toPlainText().split(u'\n');
                h->accept();
            }
        });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(title, QStringLiteral("Historia strony – Milicz"));
        QCOMPARE(selected, 1); // the older of Milicz's two checks (row 0 is the newest)
        QVERIFY2(lines.value(0).startsWith(QStringLiteral("Ogłoszenie: obwieszczenie GKR.6220.14.2026 z 1.12.2026")),
                 qPrintable(lines.join(u'|')));
        QCOMPARE(lines.value(1), QStringLiteral("    DŚU; konsultacje; uwagi: 2.12.2026 – 21.12.2026"));
        QCOMPARE(lines.value(2), QStringLiteral("    Przedmiot: budowie fermy drobiu"));
    }

    void historyWindowPutsTheNoticesAboveTheLines()
    {
        HistoryWindow h(m_dir.path(), kMilicz, QStringLiteral("Milicz"));
        QVERIFY(h.selectCheckWithId(m_secondCheck));
        QCOMPARE(h.selectedCheck(), 0);
        const QTextDocument* doc = childNamed<QTextEdit>(h, "Roznice")->document();
        const QStringList lines = doc->toPlainText().split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("Ogłoszenie: obwieszczenie GKR.613.4.2026 z 1.12.2026 – Burmistrz Milicza"));
        QCOMPARE(lines.value(1), QStringLiteral("    drzewa; inne; bez terminu uwag"));
        QCOMPARE(lines.value(3), QString()); // a blank line, then the diff
        QCOMPARE(lines.value(4), QStringLiteral("+ Obwieszczenie o wycince drzew"));
        QVERIFY(doc->firstBlock().begin().fragment().charFormat().font().bold());
        QVERIFY(!h.selectCheckWithId(999999));
    }

    void mainWindowOpensItFromTheToolbarAndTheMenu()
    {
        ScriptedDialogs dialogs;
        Settings settings;
        TForm1 form(settings, dialogs, m_dir.path());
        form.show();
        QCoreApplication::processEvents();
        auto* button = childNamed<QToolButton>(form, "SpeedButton8");
        QCOMPARE(button->toolTip(), QStringLiteral("Ogłoszenia znalezione na stronach gmin"));
        auto* item = childNamed<QAction>(form, "Ogloszenia1");
        QCOMPARE(item->text(), QStringLiteral("Ogło&szenia…"));
        for (const std::function<void()>& open : {std::function<void()>([&] { button->click(); }),
                                                  std::function<void()>([&] { item->trigger(); })}) {
            int rows = -1;
            QString title;
            QTimer::singleShot(0, this, [&] {
                if (auto* w = qobject_cast<NoticesWindow*>(QApplication::activeModalWidget())) {
                    title = w->windowTitle();
                    rows = childNamed<QTableWidget>(*w, "ListaOgloszen")->rowCount();
                    w->accept();
                }
            });
            open();
            QCOMPARE(title, QStringLiteral("Ogłoszenia"));
            QCOMPARE(rows, 4);
        }
        QVERIFY(dialogs.messages.isEmpty());
    }
};

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestNoticesWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_noticeswindow.moc"
