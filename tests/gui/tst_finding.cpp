// Finding one's way in a long register: the filter over the grid (Ctrl+F),
// the legend of the row colours, Enter and F2 to edit, the menus and F5 by
// keyboard, a double-click on a report line or on an empty grid.
#include "baza/baza.h"
#include "baza/checkcode.h"
#include "baza/fields.h"
#include "baza/recordfilter.h"
#include "ekowartaapplication.h"
#include "historia/historystore.h"
#include "konfig/settings.h"
#include "powiadomienia/runsummary.h"
#include "publikacja/atomfeed.h"
#include "publikacja/publishfeed.h"
#include "registermodel.h"
#include "support/scripteddialogs.h"
#include "tform1.h"
#include "tform3.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextBlock>
#include <QtTest>

class TestFinding : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    Settings m_settings;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<TForm3> m_editor;

    void fillThree()
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        const struct { const char* gmina; const char* woj; int kod; } rows[] = {
            {"Adamów", "lubelskie", 0}, {"Bodzentyn", "świętokrzyskie", 3}, {"Cisna", "podkarpackie", 5}};
        for (const auto& r : rows) {
            b.table().append();
            b.table().setText(baza::Gmina, QString::fromUtf8(r.gmina));
            b.table().setText(baza::Wojewodztwo, QString::fromUtf8(r.woj));
            b.table().setInteger(baza::Kod, r.kod);
            b.table().post();
        }
        b.table().close();
    }

    TForm1& start()
    {
        m_form = std::make_unique<TForm1>(m_settings, *m_dialogs, m_dir->path());
        m_editor = std::make_unique<TForm3>(m_form->baza(), *m_dialogs, m_form.get());
        m_form->setForms(m_editor.get(), nullptr, nullptr);
        m_form->show();
        m_form->activateWindow();
        if (!QTest::qWaitForWindowActive(m_form.get()))
            qWarning("the main window did not become active");
        return *m_form;
    }

    QStringList shownGminas() const
    {
        QStringList list;
        for (int row = 0; row < m_form->model().rowCount(); ++row)
            if (!m_form->grid()->isRowHidden(row))
                list << m_form->model().index(row, baza::Gmina).data().toString();
        return list;
    }

    // The editor opened by the next action: its mode and first name.
    void expectEditor(TForm3::Mode mode, const QString& gmina, bool* seen)
    {
        QTimer::singleShot(0, this, [=, this] {
            QTRY_VERIFY(m_editor->isVisible());
            QCOMPARE(m_editor->mode(), mode);
            QCOMPARE(m_editor->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), gmina);
            *seen = true;
            m_editor->reject();
        });
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup()
    {
        m_editor.reset();
        m_form.reset();
    }

    void filterMatchesEveryWordInNamesAndVerdicts();
    void filterBoxHidesRowsAndCtrlFFindsIt();
    void unavailablePagesFilter();
    void everyPlaceShowsTheKodTablesWords_data();
    void everyPlaceShowsTheKodTablesWords();
    void enterAndF2EditTheCurrentRecord();
    void doubleClickOnAnEmptyGridAddsTheFirstRecord();
    void doubleClickOnAReportLineGoesToItsRecord();
    void menusAndF5ByKeyboard();
};

void TestFinding::filterMatchesEveryWordInNamesAndVerdicts()
{
    using baza::RecordMatches;
    const QString g = QStringLiteral("Bodzentyn"), n = QStringLiteral("Łysogóry"), w = QStringLiteral("świętokrzyskie");
    QVERIFY(RecordMatches(QString(), g, n, w, {}, 0));
    QVERIFY(RecordMatches(QStringLiteral("ŁYSO"), g, n, w, {}, 0));      // Polish capitals too
    QVERIFY(RecordMatches(QStringLiteral("ŚWIĘTO bodz"), g, n, w, {}, 0)); // every word, anywhere
    QVERIFY(!RecordMatches(QStringLiteral("bodz lubel"), g, n, w, {}, 0));
    QVERIFY(RecordMatches(QStringLiteral("wysoki"), g, n, w, {}, 3));
    QVERIFY(RecordMatches(QStringLiteral("nowa data"), g, n, w, {}, 3));
    QVERIFY(!RecordMatches(QStringLiteral("wysoki"), g, n, w, {}, 1));
    QVERIFY(RecordMatches(QStringLiteral("błąd"), g, n, w, {}, 5));
    QVERIFY(RecordMatches(QStringLiteral("przekroczony"), g, n, w, {}, 4));
}

void TestFinding::filterBoxHidesRowsAndCtrlFFindsIt()
{
    fillThree();
    TForm1& form = start();
    auto* filter = form.findChild<QLineEdit*>(QStringLiteral("Filtr"));
    QVERIFY(filter);
    form.grid()->setFocus();
    QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), filter);
    QTest::keyClicks(filter, QStringLiteral("swie"));
    QCOMPARE(shownGminas(), QStringList{}); // "swie" is not "świe"
    filter->setText(QStringLiteral("ŚWIĘTO"));
    QCOMPARE(shownGminas(), QStringList{QStringLiteral("Bodzentyn")});
    filter->setText(QStringLiteral("błąd"));
    QCOMPARE(shownGminas(), QStringList{QStringLiteral("Cisna")});
    // A changed record is filtered again at once.
    form.baza().table().setRow(0);
    form.baza().SetPriorityMark(3);
    filter->setText(QStringLiteral("wysoki"));
    QCOMPARE(shownGminas(), (QStringList{QStringLiteral("Adamów"), QStringLiteral("Bodzentyn")}));
    filter->clear();
    QCOMPARE(shownGminas().size(), 3);
}

// "strony niedostępne": only the records whose page failed its newest
// checks, from the history; together with the words of the filter box.
void TestFinding::unavailablePagesFilter()
{
    fillThree();
    const QString failing = QStringLiteral("http://127.0.0.2/bip");
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        for (int row = 0; row < 3; ++row) {
            b.table().setRow(row);
            b.table().edit();
            b.table().setText(baza::Info, row == 1 ? QStringLiteral("http://127.0.0.3/ok") : failing);
            b.table().post();
        }
        b.table().close();
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir->path()));
        store.open(historia::HistoryStore::Mode::ReadWrite);
        for (int i = 0; i < 3; ++i) {
            historia::StoredCheck c;
            c.page = failing;
            c.address = failing;
            c.moment = QDateTime(QDate(2026, 12, 1 + i), QTime(6, 0));
            c.kod = 5;
            store.AddCheck(c, nullptr);
        }
    }
    m_settings.failingChecks = 3;
    TForm1& form = start();
    auto* box = form.findChild<QCheckBox*>(QStringLiteral("FiltrNiedostepne"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("strony niedostępne"));
    box->setChecked(true);
    QCOMPARE(shownGminas(), (QStringList{QStringLiteral("Adamów"), QStringLiteral("Cisna")}));
    form.findChild<QLineEdit*>(QStringLiteral("Filtr"))->setText(QStringLiteral("cis"));
    QCOMPARE(shownGminas(), QStringList{QStringLiteral("Cisna")});
    m_settings.failingChecks = 4;
    box->setChecked(false);
    box->setChecked(true);
    QCOMPARE(shownGminas(), QStringList{});
    box->setChecked(false);
    QCOMPARE(shownGminas(), QStringList{QStringLiteral("Cisna")});
}

void TestFinding::everyPlaceShowsTheKodTablesWords_data()
{
    // The words are written out here, not taken from the table, so that a
    // change of the table is a change of this test too.
    QTest::addColumn<int>("kod");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("shortText");
    QTest::addColumn<QString>("longText");
    QTest::newRow("0") << 0 << QColor() << QStringLiteral("bez zmian")
                       << QStringLiteral("strona bez zmian albo rekord nieoznaczony");
    QTest::newRow("1") << 1 << QColor(192, 192, 192) << QStringLiteral("zmiana rozmiaru")
                       << QStringLiteral("zmiana rozmiaru strony; ręcznie: priorytet niski");
    QTest::newRow("2") << 2 << QColor(160, 160, 164) << QStringLiteral("zmiana liczby wierszy")
                       << QStringLiteral("zmiana liczby wierszy; ręcznie: priorytet średni");
    QTest::newRow("3") << 3 << QColor(128, 128, 128) << QStringLiteral("nowa data")
                       << QStringLiteral("nowa data na stronie; ręcznie: priorytet wysoki");
    QTest::newRow("4") << 4 << QColor(255, 204, 102) << QStringLiteral("przekroczony czas")
                       << QStringLiteral("przekroczony czas kontroli strony");
    QTest::newRow("5") << 5 << QColor(233, 116, 81) << QStringLiteral("błąd odczytu")
                       << QStringLiteral("błąd odczytu strony");
}

void TestFinding::everyPlaceShowsTheKodTablesWords()
{
    QFETCH(int, kod);
    QFETCH(QColor, colour);
    QFETCH(QString, shortText);
    QFETCH(QString, longText);
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        for (const int k : {kod, kod == 0 ? 3 : 0}) {
            b.table().append();
            b.table().setText(baza::Gmina, k == kod ? QStringLiteral("Tuchola") : QStringLiteral("Cekcyn"));
            b.table().setText(baza::Natura2000, QStringLiteral("Bory Tucholskie"));
            b.table().setText(baza::Info, QStringLiteral("http://127.0.0.1/tuchola"));
            b.table().setDate(baza::Aktualizacja, 45000);
            b.table().setInteger(baza::Kod, k);
            b.table().post();
        }
        b.table().close();
    }
    TForm1& form = start();

    // The grid: the row's colour and its hint; an uncoloured row has none.
    const QModelIndex cell = form.model().index(0, baza::Gmina);
    const QVariant background = cell.data(Qt::BackgroundRole);
    QCOMPARE(background.isValid(), colour.isValid());
    if (colour.isValid()) {
        QCOMPARE(background.value<QBrush>().color(), colour);
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), longText);
    } else {
        QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
    }

    // The legend: a swatch for every colour, none for the grid's own.
    auto* swatch = form.findChild<QLabel*>(QStringLiteral("Legenda%1").arg(kod));
    QCOMPARE(swatch != nullptr, colour.isValid());
    if (swatch) {
        QVERIFY(swatch->isVisible());
        QCOMPARE(swatch->text(), shortText);
        QCOMPARE(swatch->toolTip(), longText);
        QVERIFY(swatch->styleSheet().contains(
            QStringLiteral("rgb(%1,%2,%3)").arg(colour.red()).arg(colour.green()).arg(colour.blue())));
    }

    // The filter finds a coloured row by the words of its swatch and of its
    // hint; the uncoloured rows, most of the register, are not found by them.
    auto* filter = form.findChild<QLineEdit*>(QStringLiteral("Filtr"));
    for (const QString& words : {shortText, longText}) {
        filter->setText(words);
        QCOMPARE(shownGminas().contains(QStringLiteral("Tuchola")), colour.isValid());
    }
    filter->clear();

    // The e-mail after a run tells each page's verdict in the short words.
    powiadomienia::SummaryPage page;
    page.lp = 1;
    page.gmina = QStringLiteral("Tuchola");
    page.obszar = QStringLiteral("Bory Tucholskie");
    page.address = QStringLiteral("http://127.0.0.1/tuchola");
    page.kod = kod;
    powiadomienia::RunSummary summary;
    summary.end = QDateTime(QDate(2026, 3, 2), QTime(6, 30));
    (kod >= 4 ? summary.failed : summary.updated) << page;
    QVERIFY2(powiadomienia::SummaryBody(summary).split(QLatin1Char('\n')).contains(QStringLiteral("  ") + shortText),
             qPrintable(powiadomienia::SummaryBody(summary)));

    // The feed carries a marked record's kod in the long words.
    const QList<publikacja::FeedEntry> entries = publikacja::MarkedEntries(form.baza().table(), m_dir->path());
    const auto mine = std::find_if(entries.cbegin(), entries.cend(),
                                   [](const publikacja::FeedEntry& e) { return e.title.startsWith(u"Tuchola"); });
    QCOMPARE(mine != entries.cend(), baza::IsMarked(kod));
    if (mine != entries.cend()) {
        QCOMPARE(mine->kodLabel, longText);
        publikacja::AtomFeed feed;
        feed.id = QStringLiteral("urn:x-test");
        feed.entries = {*mine};
        const auto back = publikacja::ReadFeed(publikacja::WriteFeed(feed));
        QVERIFY(back && back->entries.size() == 1);
        QCOMPARE(back->entries.first().kodLabel, longText);
        QCOMPARE(back->entries.first().kodTerm, QString::number(kod));
    }
}

void TestFinding::enterAndF2EditTheCurrentRecord()
{
    fillThree();
    TForm1& form = start();
    form.baza().table().setRow(1);
    QCoreApplication::processEvents();
    form.grid()->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_F2}) {
        bool seen = false;
        expectEditor(TForm3::Mode::View, QStringLiteral("Bodzentyn"), &seen);
        QTest::keyClick(form.grid(), key);
        QVERIFY2(seen, qPrintable(QKeySequence(key).toString()));
    }
}

void TestFinding::doubleClickOnAnEmptyGridAddsTheFirstRecord()
{
    TForm1& form = start();
    QCOMPARE(form.model().rowCount(), 0);
    bool seen = false;
    expectEditor(TForm3::Mode::New, QString(), &seen);
    QTest::mouseDClick(form.grid()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QVERIFY(seen);
}

void TestFinding::doubleClickOnAReportLineGoesToItsRecord()
{
    fillThree();
    TForm1& form = start();
    const qint32 lpOfCisna = form.baza().table().integerAt(2, baza::LP);
    form.report().AddErrorLine(lpOfCisna, QStringLiteral("Cisna"));
    QCOMPARE(RunReport::LpOfReportLine(QStringLiteral("LP = 12 - Cisna")), 12);
    QCOMPARE(RunReport::LpOfReportLine(QStringLiteral("Plik pobrany.")), 0);
    auto* filter = form.findChild<QLineEdit*>(QStringLiteral("Filtr"));
    filter->setText(QStringLiteral("Adamów")); // Cisna hidden by the filter
    form.baza().table().setRow(0);
    auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    QCoreApplication::processEvents();
    QTextCursor first(memo->document()->firstBlock());
    QTest::mouseDClick(memo->viewport(), Qt::LeftButton, Qt::NoModifier, memo->cursorRect(first).center());
    QCOMPARE(form.baza().table().row(), 2);
    QCOMPARE(form.baza().table().text(baza::Gmina), QStringLiteral("Cisna"));
    QVERIFY(filter->text().isEmpty());
    QTRY_COMPARE(form.grid()->currentIndex().row(), 2);
}

void TestFinding::menusAndF5ByKeyboard()
{
    TForm1& form = start();
    QStringList titles;
    for (QAction* a : form.menuBar()->actions())
        titles << a->text();
    QVERIFY2(titles.contains(QStringLiteral("&Program")) && titles.contains(QStringLiteral("Re&kord")),
             qPrintable(titles.join(QLatin1Char('|'))));
    auto* startStop = form.findChild<QAction*>(QStringLiteral("StartStop1"));
    QVERIFY(startStop);
    QCOMPARE(startStop->shortcut(), QKeySequence(Qt::Key_F5));
    // F5 is the start button: on an empty register it says so.
    QTest::keyClick(&form, Qt::Key_F5);
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Brak danych do analizy w bazie")});
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestFinding test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_finding.moc"
