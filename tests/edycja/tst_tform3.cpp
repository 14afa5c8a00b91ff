// The record editor on the offscreen platform, over a real table in a
// temporary directory and, for the address test, a real server on
// 127.0.0.1. Only the person at the message boxes is scripted.
#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/voivodeships.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "networkwait.h"
#include "platform/livethreads.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/testdata.h"
#include "support/widgetlookup.h"
#include "tform1.h"
#include "tform3.h"
#include "text/datevalue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using Mode = TForm3::Mode;
using Response = HttpTestServer::Response;

struct Stored
{
    QString gmina;
    QString natura2000;
    QString wojewodztwo;
    QString dom;
    QString info;
    QString bip;
    int kod = -1; // -1: left empty
};

class TestTForm3 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<baza::Baza> m_baza;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TForm3> m_form;

    dbf::DbfTable& table() { return m_baza->table(); }

    void store(const Stored& s)
    {
        table().append();
        table().setText(baza::Gmina, s.gmina);
        table().setText(baza::Natura2000, s.natura2000);
        table().setText(baza::Wojewodztwo, s.wojewodztwo);
        table().setText(baza::Dom, s.dom);
        table().setText(baza::Info, s.info);
        table().setText(baza::Bip, s.bip);
        if (s.kod >= 0)
            table().setInteger(baza::Kod, s.kod);
        table().post();
    }

    void storeThree()
    {
        store({QStringLiteral("Adamów"), QStringLiteral("Dolina Wieprza"),
               QStringLiteral("lubelskie"), QStringLiteral("www.adamow.pl"),
               QStringLiteral("adamow.pl/ogloszenia"), QStringLiteral("bip.adamow.pl"), 3});
        store({QStringLiteral("Bodzentyn"),
               QStringLiteral("Łysogóry"),
               QStringLiteral("świętokrzyskie"),
               {},
               {},
               {}});
        store({QStringLiteral("Cisna"),
               QStringLiteral("Bieszczady"),
               QStringLiteral("podkarpackie"),
               {},
               {},
               {}});
        table().first();
    }

    QByteArray tableBytes() const { return testdata::readAll(m_baza->dbfPath()); }

    TForm3& openEditor()
    {
        m_form = std::make_unique<TForm3>(*m_baza, *m_dialogs);
        m_form->show();
        m_form->activateWindow();
        if (!QTest::qWaitForWindowActive(m_form.get()))
            qWarning("the editor did not become active");
        return *m_form;
    }

    template <typename T = QWidget> T* child(const QString& name) const { return childNamed<T>(*m_form, name); }
    QLineEdit* edit(int n) const { return child<QLineEdit>(QStringLiteral("Edit%1").arg(n)); }
    QPushButton* button(int n) const
    {
        return child<QPushButton>(QStringLiteral("BitBtn%1").arg(n));
    }
    QComboBox* list() const { return child<QComboBox>(QStringLiteral("ComboBox1")); }
    QDateEdit* picker(int n) const
    {
        return child<QDateEdit>(QStringLiteral("DateTimePicker%1").arg(n));
    }

    void enterMode(Mode mode)
    {
        if (mode == Mode::Edit)
            button(5)->click();
        else if (mode == Mode::New)
            button(7)->click();
        QCOMPARE(m_form->mode(), mode);
    }

    // Key by key, Polish letters too.
    void type(int editNumber, const QString& text)
    {
        QLineEdit* e = edit(editNumber);
        e->clear();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

private Q_SLOTS:
    void initTestCase() { qputenv("no_proxy", "127.0.0.1,localhost"); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_baza = std::make_unique<baza::Baza>(m_dir->path());
        m_baza->OpenTable();
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup()
    {
        m_form.reset();
        m_baza.reset();
    }

    void controlTexts_data();
    void controlTexts();
    void windowAndLists();
    void tabOrder();
    void modeTable_data();
    void modeTable();
    void inputModesColourCaptionsAndMoveAnuluj_data();
    void inputModesColourCaptionsAndMoveAnuluj();
    void newModeEmptiesTheControls();
    void everyShowingStartsInViewModeWithTheStoredRecord();
    void navigator();
    void validationOrder_data();
    void validationOrder();
    void unknownVoivodeshipMustBeChosen();
    void changeWritesTheRecord_data();
    void changeWritesTheRecord();
    void addWritesANewRecord();
    void cancelRestoresTheStoredValues_data();
    void cancelRestoresTheStoredValues();
    void lengthLimits_data();
    void lengthLimits();
    void enterMovesOnLikeTab_data();
    void enterMovesOnLikeTab();
    void enterPressesOnlyTheFocusedButton();
    void addressCheck_data();
    void addressCheck();
    void slowPageCheckKeepsTheWindowsAliveAndCanBeCancelled();
    void slowPageThatAnswersIsWrittenAfterTheWait();
    void deleteAtOnce();
    void deleteOnAnEmptyTableShowsTheTableError();
    void changeOnAnEmptyTableAddsTheRecord();
    void gridFollowsTheEditor();
};

void TestTForm3::controlTexts_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    auto row = [](const char* control, const char* property, const QVariant& value) {
        QTest::addRow("%s.%s", control, property)
            << QString::fromLatin1(control) << QByteArray(property) << value;
    };
    row("Label1", "text", QStringLiteral("data ostatniej aktualizacji strony:"));
    row("Label2", "text", QStringLiteral("data ostatniej automatycznej kontroli:"));
    row("Label3", "text", QStringLiteral("nazwa gminy:"));
    row("Label4", "text", QStringLiteral("nazwa obszaru Natura 2000:"));
    row("Label5", "text", QStringLiteral("województwo:"));
    row("Label6", "text", QStringLiteral("strona domowa:"));
    row("Label7", "text", QStringLiteral("strona informacyjna:"));
    row("Label8", "text", QStringLiteral("strona BIP:"));
    row("Label9", "text", QStringLiteral("Pola z czerwonym podpisem należy wypełnić !"));
    row("Edit1", "maxLength", 40);
    row("Edit2", "maxLength", 60);
    row("Edit3", "maxLength", 250);
    row("Edit4", "maxLength", 250);
    row("Edit5", "maxLength", 250);
    row("GroupBox1", "title", QStringLiteral(" Edycja rekordu "));
    row("GroupBox2", "title", QStringLiteral(" Nawigator "));
    row("GroupBox3", "title", QStringLiteral(" Nowy rekord "));
    row("BitBtn1", "text", QStringLiteral("Pierwszy"));
    row("BitBtn2", "text", QStringLiteral("Poprzedni"));
    row("BitBtn3", "text", QStringLiteral("Następny"));
    row("BitBtn4", "text", QStringLiteral("Ostatni"));
    row("BitBtn5", "text", QStringLiteral("Edytuj"));
    row("BitBtn5", "toolTip", QStringLiteral("Edytuj bierzący rekord"));
    row("BitBtn6", "text", QStringLiteral("Zmień"));
    row("BitBtn6", "toolTip", QStringLiteral("Zmień dane w bazie"));
    row("BitBtn7", "text", QStringLiteral("Nowy"));
    row("BitBtn7", "toolTip", QStringLiteral("Utwórz nowy rekord"));
    row("BitBtn8", "text", QStringLiteral("Dodaj"));
    row("BitBtn8", "toolTip", QStringLiteral("Dodaj do bazy"));
    row("BitBtn9", "text", QStringLiteral("Usuń"));
    row("BitBtn9", "toolTip", QStringLiteral("Usuń rekord z bazy"));
    row("BitBtn10", "text", QStringLiteral("Anuluj"));
    row("CheckBox1", "text", QStringLiteral("sprawdź poprawność stron internetowych"));
    row("CheckBox1", "checked", false);
}

void TestTForm3::controlTexts()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    openEditor();
    QCOMPARE(child(control)->property(property.constData()), value);
}

void TestTForm3::windowAndLists()
{
    TForm3& form = openEditor();
    QCOMPARE(form.windowTitle(), QStringLiteral("Edytor rekordów bazy danych"));
    QCOMPARE(form.size(), QSize(728, 318));
    QCOMPARE(form.minimumSize(), QSize(728, 318));
    QCOMPARE(form.maximumSize(), QSize(728, 318));
    QVERIFY(!list()->isEditable());
    QStringList items;
    for (int i = 0; i < list()->count(); ++i)
        items << list()->itemText(i);
    QCOMPARE(items, baza::Voivodeships());
    for (int n : {1, 2}) {
        QCOMPARE(picker(n)->minimumDate(), QDate(1899, 12, 30));
        QCOMPARE(picker(n)->date(), QDate(1899, 12, 30)); // an empty table shows the zero date
    }
    QCOMPARE(list()->currentIndex(), -1);
    QVERIFY(edit(1)->text().isEmpty());
}

void TestTForm3::tabOrder()
{
    openEditor();
    const QStringList expected = {
        "BitBtn3", "BitBtn4",   "BitBtn1",         "BitBtn2",         "Edit1",
        "Edit2",   "ComboBox1", "Edit3",           "Edit4",           "Edit5",
        "BitBtn5", "BitBtn6",   "BitBtn7",         "BitBtn8",         "BitBtn10",
        "BitBtn9", "CheckBox1", "DateTimePicker1", "DateTimePicker2",
    };
    QStringList order;
    QWidget* w = button(3);
    do {
        if (expected.contains(w->objectName()) && !order.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != button(3));
    QCOMPARE(order, expected);
}

void TestTForm3::modeTable_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("state");
    // control: view mode, edit mode, new mode
    const QList<QStringList> table = {
        {"GroupBox2", "enabled", "disabled", "disabled"},
        {"BitBtn1", "enabled", "disabled", "disabled"},
        {"BitBtn4", "enabled", "disabled", "disabled"},
        {"Edit1", "read-only", "writable", "writable"},
        {"Edit2", "read-only", "writable", "writable"},
        {"Edit3", "read-only", "writable", "writable"},
        {"Edit4", "read-only", "writable", "writable"},
        {"Edit5", "read-only", "writable", "writable"},
        {"ComboBox1", "disabled", "enabled", "enabled"},
        {"DateTimePicker1", "disabled", "enabled", "disabled"},
        {"DateTimePicker2", "disabled", "disabled", "disabled"},
        {"BitBtn5", "enabled", "hidden", "disabled"},
        {"BitBtn6", "disabled", "enabled", "disabled"},
        {"BitBtn7", "enabled", "disabled", "hidden"},
        {"BitBtn8", "disabled", "disabled", "enabled"},
        {"BitBtn9", "enabled", "disabled", "disabled"},
        {"BitBtn10", "hidden", "enabled", "enabled"},
        {"Label9", "hidden", "shown", "shown"},
        {"CheckBox1", "enabled", "enabled", "enabled"},
    };
    const char* modes[] = {"view", "edit", "new"};
    for (const QStringList& row : table)
        for (int m = 0; m < 3; ++m)
            QTest::addRow("%s %s", modes[m], qPrintable(row[0])) << m << row[0] << row[m + 1];
}

void TestTForm3::modeTable()
{
    QFETCH(int, mode);
    QFETCH(QString, control);
    QFETCH(QString, state);
    storeThree();
    openEditor();
    enterMode(Mode(mode));
    QWidget* w = child(control);
    if (state == QLatin1String("hidden")) {
        QVERIFY(!w->isVisible());
    } else if (state == QLatin1String("read-only") || state == QLatin1String("writable")) {
        QVERIFY(w->isVisible());
        QVERIFY(w->isEnabled());
        QCOMPARE(qobject_cast<QLineEdit*>(w)->isReadOnly(), state == QLatin1String("read-only"));
    } else {
        QVERIFY(w->isVisible());
        if (state != QLatin1String("shown"))
            QCOMPARE(w->isEnabled(), state == QLatin1String("enabled"));
    }
}

void TestTForm3::inputModesColourCaptionsAndMoveAnuluj_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("placeOf");
    QTest::newRow("edit") << int(Mode::Edit) << QStringLiteral("BitBtn5");
    QTest::newRow("new") << int(Mode::New) << QStringLiteral("BitBtn7");
}

void TestTForm3::inputModesColourCaptionsAndMoveAnuluj()
{
    QFETCH(int, mode);
    QFETCH(QString, placeOf);
    storeThree();
    openEditor();
    const QColor red(255, 0, 0);
    const QColor windowText =
        QApplication::palette(child(QStringLiteral("Label3"))).color(QPalette::WindowText);
    auto captionColour = [&](int n) {
        return child<QLabel>(QStringLiteral("Label%1").arg(n))
            ->palette()
            .color(QPalette::WindowText);
    };
    enterMode(Mode(mode));
    for (int n = 3; n <= 7; ++n)
        QCOMPARE(captionColour(n), red);
    for (int n : {1, 2, 8})
        QCOMPARE(captionColour(n), windowText);
    QCOMPARE(button(10)->pos(), child(placeOf)->pos());
    QCOMPARE(m_form->focusWidget(), edit(1));

    button(10)->click();
    QCOMPARE(m_form->mode(), Mode::View);
    for (int n = 1; n <= 8; ++n)
        QCOMPARE(captionColour(n), windowText);
}

void TestTForm3::newModeEmptiesTheControls()
{
    storeThree();
    openEditor();
    QCOMPARE(edit(1)->text(), QStringLiteral("Adamów"));
    table().edit(); // give the record real dates to see them go
    table().setDate(baza::Aktualizacja, datevalue::fromDate(QDate(2026, 3, 1)));
    table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 3, 2)));
    table().post();
    m_form->LoadEditor();
    QCOMPARE(picker(1)->date(), QDate(2026, 3, 1));
    const QByteArray before = tableBytes();
    enterMode(Mode::New);
    for (int n = 1; n <= 5; ++n)
        QVERIFY2(edit(n)->text().isEmpty(), qPrintable(edit(n)->objectName()));
    QCOMPARE(list()->currentIndex(), -1);
    QCOMPARE(picker(1)->date(), QDate(1899, 12, 30));
    QCOMPARE(picker(2)->date(), QDate(1899, 12, 30));
    QCOMPARE(tableBytes(), before);
}

void TestTForm3::everyShowingStartsInViewModeWithTheStoredRecord()
{
    storeThree();
    table().next();
    TForm3& form = openEditor();
    QCOMPARE(edit(1)->text(), QStringLiteral("Bodzentyn"));
    QCOMPARE(list()->currentText(), QStringLiteral("świętokrzyskie"));
    enterMode(Mode::Edit);
    type(1, QStringLiteral("Wpisane, nie zapisane"));
    form.hide(); // the close box
    table().first();
    form.show();
    QCOMPARE(form.mode(), Mode::View);
    QCOMPARE(edit(1)->text(), QStringLiteral("Adamów"));
    QVERIFY(edit(1)->isReadOnly());
    QCOMPARE(table().textAt(1, baza::Gmina), QStringLiteral("Bodzentyn"));
}

void TestTForm3::navigator()
{
    storeThree();
    openEditor();
    const struct
    {
        int button;
        const char* gmina;
        int row;
    } steps[] = {
        {3, "Bodzentyn", 1}, {3, "Cisna", 2},  {3, "Cisna", 2},  // "Następny" on the last stays
        {2, "Bodzentyn", 1}, {1, "Adamów", 0}, {2, "Adamów", 0}, // "Poprzedni" on the first stays
        {4, "Cisna", 2},
    };
    for (const auto& s : steps) {
        button(s.button)->click();
        QCOMPARE(edit(1)->text(), QString::fromUtf8(s.gmina));
        QCOMPARE(table().row(), s.row);
        QCOMPARE(m_form->mode(), Mode::View);
    }
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestTForm3::validationOrder_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("gmina");
    QTest::addColumn<QString>("natura");
    QTest::addColumn<int>("voivodeship");
    QTest::addColumn<QString>("message");
    for (Mode mode : {Mode::Edit, Mode::New}) {
        const char* m = mode == Mode::Edit ? "Zmień" : "Dodaj";
        QTest::addRow("%s: all empty", m)
            << int(mode) << QString() << QString() << -1 << QStringLiteral("Brak nazwy gminy !");
        QTest::addRow("%s: name of blanks", m)
            << int(mode) << QStringLiteral("    ") << QStringLiteral("Obszar") << 3
            << QStringLiteral("Brak nazwy gminy !");
        QTest::addRow("%s: area without name and list", m)
            << int(mode) << QString() << QStringLiteral("Obszar") << -1
            << QStringLiteral("Brak nazwy gminy !");
        QTest::addRow("%s: no area", m)
            << int(mode) << QStringLiteral("Gmina") << QStringLiteral("  ") << -1
            << QStringLiteral("Brak nazwy obszaru Natura 2000 !");
        QTest::addRow("%s: no voivodeship", m)
            << int(mode) << QStringLiteral("Gmina") << QStringLiteral("Obszar") << -1
            << QStringLiteral("Brak województwa !");
    }
}

void TestTForm3::validationOrder()
{
    QFETCH(int, mode);
    QFETCH(QString, gmina);
    QFETCH(QString, natura);
    QFETCH(int, voivodeship);
    QFETCH(QString, message);
    storeThree();
    openEditor();
    const QByteArray before = tableBytes();
    enterMode(Mode(mode));
    type(1, gmina);
    type(2, natura);
    list()->setCurrentIndex(voivodeship);
    button(mode == int(Mode::Edit) ? 6 : 8)->click();
    QCOMPARE(m_dialogs->messages, QStringList{message});
    QCOMPARE(m_form->mode(), Mode(mode)); // still typing, values kept
    QCOMPARE(edit(1)->text(), gmina);
    QCOMPARE(tableBytes(), before);
    QCOMPARE(table().recordCount(), 3);
}

void TestTForm3::unknownVoivodeshipMustBeChosen()
{
    store({QStringLiteral("Gmina"),
           QStringLiteral("Obszar"),
           QStringLiteral("Mazowsze"),
           {},
           {},
           {}});
    store({QStringLiteral("Druga"),
           QStringLiteral("Obszar"),
           QStringLiteral("MAZOWIECKIE "),
           {},
           {},
           {}});
    table().first();
    openEditor();
    QCOMPARE(list()->currentIndex(), -1);
    QVERIFY(list()->currentText().isEmpty());
    enterMode(Mode::Edit);
    button(6)->click();
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Brak województwa !")});
    QCOMPARE(table().textAt(0, baza::Wojewodztwo), QStringLiteral("Mazowsze"));
    list()->setCurrentIndex(6);
    button(6)->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(table().textAt(0, baza::Wojewodztwo), QStringLiteral("mazowieckie"));
    // A known name in another spelling is found.
    button(3)->click();
    QCOMPARE(list()->currentIndex(), 6);
}

void TestTForm3::changeWritesTheRecord_data()
{
    QTest::addColumn<int>("kod"); // -1: empty
    QTest::addColumn<int>("written");
    QTest::newRow("empty kod becomes 0") << -1 << 0;
    QTest::newRow("kod 3 stays") << 3 << 3;
    QTest::newRow("kod 5 stays") << 5 << 5;
}

void TestTForm3::changeWritesTheRecord()
{
    QFETCH(int, kod);
    QFETCH(int, written);
    store({QStringLiteral("Stara"), QStringLiteral("Obszar"), QStringLiteral("opolskie"),
           QStringLiteral("a.pl"), QStringLiteral("b.pl"), QStringLiteral("c.pl"), kod});
    table().edit();
    table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 1, 2)));
    table().setInteger(baza::Size, 1000);
    table().setInteger(baza::Row, 20);
    table().setInteger(baza::Tag, 300);
    table().setText(baza::Uwagi, QStringLiteral("text/html"));
    table().setInteger(baza::Z, 1);
    table().post();
    openEditor();
    QCOMPARE(picker(2)->date(), QDate(2026, 1, 2));
    enterMode(Mode::Edit);
    type(1, QStringLiteral("  Nowa nazwa"));
    type(2, QStringLiteral("Nowy obszar"));
    list()->setCurrentIndex(14);
    picker(1)->setDate(QDate(2026, 3, 15));
    type(3, QStringLiteral("www.nowa.pl"));
    edit(4)->clear();
    type(5, QStringLiteral("bip.nowa.pl"));
    button(6)->click();

    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(m_form->focusWidget(), button(3));
    QCOMPARE(table().recordCount(), 1);
    QCOMPARE(table().textAt(0, baza::Gmina), QStringLiteral("  Nowa nazwa")); // as typed
    QCOMPARE(table().textAt(0, baza::Natura2000), QStringLiteral("Nowy obszar"));
    QCOMPARE(table().textAt(0, baza::Wojewodztwo), QStringLiteral("wielkopolskie"));
    QCOMPARE(table().textAt(0, baza::Aktualizacja), QStringLiteral("2026-03-15"));
    QCOMPARE(table().textAt(0, baza::DataKontroli), QStringLiteral("2026-01-02"));
    QCOMPARE(table().textAt(0, baza::Dom), QStringLiteral("www.nowa.pl"));
    QVERIFY(table().textAt(0, baza::Info).isEmpty());
    QCOMPARE(table().textAt(0, baza::Bip), QStringLiteral("bip.nowa.pl"));
    QCOMPARE(table().integerAt(0, baza::Kod), written);
    QVERIFY(!table().isNullAt(0, baza::Kod));
    // Measures, remark and flag untouched.
    QCOMPARE(table().integerAt(0, baza::Size), 1000);
    QCOMPARE(table().integerAt(0, baza::Row), 20);
    QCOMPARE(table().integerAt(0, baza::Tag), 300);
    QCOMPARE(table().textAt(0, baza::Uwagi), QStringLiteral("text/html"));
    QCOMPARE(table().integerAt(0, baza::Z), 1);
    // Written through to the file.
    baza::Baza reread(m_dir->path());
    reread.table().setFileName(reread.dbfPath());
    reread.table().setReadOnly(true);
    reread.table().open();
    QCOMPARE(reread.table().textAt(0, baza::Gmina), QStringLiteral("  Nowa nazwa"));
}

void TestTForm3::addWritesANewRecord()
{
    store({QStringLiteral("Stara"),
           QStringLiteral("Obszar"),
           QStringLiteral("opolskie"),
           {},
           {},
           {},
           3});
    openEditor();
    enterMode(Mode::New);
    type(1, QStringLiteral("Łagów"));
    type(2, QStringLiteral("Łagowsko-Sulęciński"));
    list()->setCurrentIndex(3);
    type(4, QStringLiteral("lagow.pl/ogloszenia"));
    button(8)->click();

    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(m_form->focusWidget(), button(7));
    QCOMPARE(table().recordCount(), 2);
    QCOMPARE(table().row(), 1); // the new record is current
    QCOMPARE(table().integer(baza::LP), 2);
    QCOMPARE(table().text(baza::Gmina), QStringLiteral("Łagów"));
    QCOMPARE(table().text(baza::Wojewodztwo), QStringLiteral("lubuskie"));
    QCOMPARE(table().text(baza::Info), QStringLiteral("lagow.pl/ogloszenia"));
    QCOMPARE(table().integer(baza::Kod), 0);
    QVERIFY(!table().isNull(baza::Kod));
    QVERIFY(table().text(baza::Aktualizacja).isEmpty()); // the zero date
    QVERIFY(table().text(baza::DataKontroli).isEmpty());
    for (int f : {baza::Size, baza::Row, baza::Tag, baza::Uwagi, baza::Z})
        QVERIFY(table().isNull(f)); // so that the next run checks it
    // The values stay in the controls.
    QCOMPARE(edit(1)->text(), QStringLiteral("Łagów"));
    QCOMPARE(list()->currentIndex(), 3);
    QCOMPARE(table().integerAt(0, baza::Kod), 3); // the other record untouched
}

void TestTForm3::cancelRestoresTheStoredValues_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("edit") << int(Mode::Edit);
    QTest::newRow("new") << int(Mode::New);
}

void TestTForm3::cancelRestoresTheStoredValues()
{
    QFETCH(int, mode);
    storeThree();
    table().last();
    openEditor();
    const QByteArray before = tableBytes();
    enterMode(Mode(mode));
    type(1, QStringLiteral("Inna"));
    type(3, QStringLiteral("inna.pl"));
    list()->setCurrentIndex(0);
    button(10)->click();
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(m_form->focusWidget(), button(3));
    QCOMPARE(edit(1)->text(), QStringLiteral("Cisna"));
    QCOMPARE(edit(2)->text(), QStringLiteral("Bieszczady"));
    QVERIFY(edit(3)->text().isEmpty());
    QCOMPARE(list()->currentText(), QStringLiteral("podkarpackie"));
    QCOMPARE(tableBytes(), before);
    QCOMPARE(table().row(), 2);
}

void TestTForm3::lengthLimits_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<int>("limit");
    QTest::newRow("Edit1") << 1 << 40;
    QTest::newRow("Edit2") << 2 << 60;
    QTest::newRow("Edit3") << 3 << 250;
    QTest::newRow("Edit4") << 4 << 250;
    QTest::newRow("Edit5") << 5 << 250;
}

void TestTForm3::lengthLimits()
{
    QFETCH(int, edit);
    QFETCH(int, limit);
    storeThree();
    openEditor();
    enterMode(Mode::Edit);
    type(edit, QString(limit + 3, QLatin1Char('w')));
    QCOMPARE(this->edit(edit)->text(), QString(limit, QLatin1Char('w')));
    // What does not fit is shown whole in the tool tip; a short value needs none.
    QCOMPARE(this->edit(edit)->toolTip(), QString(limit, QLatin1Char('w')));
    this->edit(edit)->setText(QStringLiteral("Kampinos"));
    QVERIFY(this->edit(edit)->toolTip().isEmpty());
}

void TestTForm3::enterMovesOnLikeTab_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("edit: Edit5 into the panel")
        << int(Mode::Edit) << QStringLiteral("Edit5") << QStringLiteral("BitBtn6");
    QTest::newRow("new: Edit5 into the panel")
        << int(Mode::New) << QStringLiteral("Edit5") << QStringLiteral("BitBtn8");
    QTest::newRow("view: Edit5 into the panel")
        << int(Mode::View) << QStringLiteral("Edit5") << QStringLiteral("BitBtn5");
    QTest::newRow("edit: list to Edit3")
        << int(Mode::Edit) << QStringLiteral("ComboBox1") << QStringLiteral("Edit3");
    QTest::newRow("edit: Edit1 to Edit2")
        << int(Mode::Edit) << QStringLiteral("Edit1") << QStringLiteral("Edit2");
    QTest::newRow("new: Edit2 to the list")
        << int(Mode::New) << QStringLiteral("Edit2") << QStringLiteral("ComboBox1");
}

void TestTForm3::enterMovesOnLikeTab()
{
    QFETCH(int, mode);
    QFETCH(QString, from);
    QFETCH(QString, to);
    storeThree();
    openEditor();
    enterMode(Mode(mode));
    const QByteArray before = tableBytes();
    QWidget* start = child(from);
    start->setFocus();
    QCOMPARE(m_form->focusWidget(), start);
    const QString textBefore = start->property("text").toString();
    std::unique_ptr<QSignalSpy> returnPressed;
    if (auto* e = qobject_cast<QLineEdit*>(start))
        returnPressed = std::make_unique<QSignalSpy>(e, &QLineEdit::returnPressed);
    QTest::keyClick(start, Qt::Key_Return);
    QCOMPARE(m_form->focusWidget(), child(to));
    if (returnPressed)
        QCOMPARE(returnPressed->count(), 0); // swallowed before the edit saw it
    QCOMPARE(start->property("text").toString(), textBefore);
    QCOMPARE(m_form->mode(), Mode(mode)); // no button pressed by it
    QCOMPARE(tableBytes(), before);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestTForm3::enterPressesOnlyTheFocusedButton()
{
    storeThree();
    openEditor();
    button(3)->setFocus();
    QTest::keyClick(button(3), Qt::Key_Return);
    QCOMPARE(edit(1)->text(), QStringLiteral("Bodzentyn"));
    auto* box = child<QCheckBox>(QStringLiteral("CheckBox1"));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Enter);
    QVERIFY(!box->isChecked());
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(table().row(), 1);
    QVERIFY(m_form->isVisible());
}

void TestTForm3::addressCheck_data()
{
    // %1 = http://127.0.0.1:PORT, %2 = 127.0.0.1:PORT; /ok answers 200,
    // /login 401, anything else 404.
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("online");
    QTest::addColumn<QString>("dom");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("bip");
    QTest::addColumn<QString>("message"); // empty: written
    QTest::addColumn<int>("requests");
    QTest::newRow("box clear: nothing is tested") << false << true << "%1/brak"
                                                  << "%1/brak"
                                                  << "%1/brak"
                                                  << "" << 0;
    QTest::newRow("box clear and offline") << false << false << "%1/brak"
                                           << ""
                                           << ""
                                           << "" << 0;
    QTest::newRow("200 and 401 pass") << true << true << "%1/ok"
                                      << "%1/login"
                                      << "%2/ok"
                                      << "" << 3;
    QTest::newRow("empty and blank addresses are not tested") << true << true << "   "
                                                              << ""
                                                              << "%1/ok"
                                                              << "" << 1;
    QTest::newRow("home page not found")
        << true << true << "%1/brak"
        << "%1/ok"
        << "%1/ok"
        << "Nie można znaleźć strony domowej gminy w Internecie !" << 1;
    QTest::newRow("information page not found, BIP not asked")
        << true << true << "%1/ok"
        << "%2/brak"
        << "%1/ok"
        << "Nie można znaleźć strony informacyjnej w Internecie !" << 2;
    QTest::newRow("BIP page not found") << true << true << ""
                                        << ""
                                        << "%1/brak"
                                        << "Nie można znaleźć strony BIP w Internecie !" << 1;
    QTest::newRow("offline") << true << false << ""
                             << "%1/ok"
                             << ""
                             << "Brak połączenia z Internetem !" << 0;
    QTest::newRow("offline, no addresses") << true << false << ""
                                           << ""
                                           << ""
                                           << "" << 0;
}

void TestTForm3::addressCheck()
{
    QFETCH(bool, checked);
    QFETCH(bool, online);
    QFETCH(QString, dom);
    QFETCH(QString, info);
    QFETCH(QString, bip);
    QFETCH(QString, message);
    QFETCH(int, requests);
    HttpTestServer server;
    server.route("/ok", Response::html("<html></html>"));
    server.route("/login", Response::statusPage(401, "Unauthorized"));
    const ConnectionOverride connection(online);
    const QString base = server.url(QStringLiteral("/")).chopped(1);
    auto address = [&](const QString& a) {
        return QString(a)
            .replace(QLatin1String("%1"), base)
            .replace(QLatin1String("%2"), server.hostAndPort());
    };

    store({QStringLiteral("Gmina"),
           QStringLiteral("Obszar"),
           QStringLiteral("opolskie"),
           {},
           {},
           {}});
    openEditor();
    const QByteArray before = tableBytes();
    enterMode(Mode::Edit);
    child<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(checked);
    edit(3)->setText(address(dom));
    edit(4)->setText(address(info));
    edit(5)->setText(address(bip));
    button(6)->click();

    QCOMPARE(m_dialogs->messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(server.requestCount(), requests);
    if (message.isEmpty()) {
        QCOMPARE(m_form->mode(), Mode::View);
        QCOMPARE(table().textAt(0, baza::Dom), address(dom).trimmed());
        QCOMPARE(table().textAt(0, baza::Bip), address(bip));
    } else {
        QCOMPARE(m_form->mode(), Mode::Edit);
        QCOMPARE(tableBytes(), before);
    }
}

void TestTForm3::slowPageCheckKeepsTheWindowsAliveAndCanBeCancelled()
{
    HttpTestServer server;
    server.route("/wolna", [] {
        Response r = Response::html("<html></html>");
        r.delayMs = 20000;
        return r;
    }());
    const ConnectionOverride connection(true);
    store({QStringLiteral("Gmina"), QStringLiteral("Obszar"), QStringLiteral("opolskie"), {}, {}, {}});
    openEditor();
    const QByteArray before = tableBytes();
    enterMode(Mode::Edit);
    child<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(true);
    edit(3)->setText(server.url(QStringLiteral("/wolna")));

    // Timers of the windows go on while the page is awaited: nothing freezes.
    int ticks = 0;
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, this, [&] { ++ticks; });
    heartbeat.start(20);
    bool sawTheBox = false;
    QTimer::singleShot(0, this, [&] {
        QProgressDialog* box = nullptr;
        QTRY_VERIFY((box = m_form->findChild<QProgressDialog*>(QStringLiteral("NetworkWaitBox"))) && box->isVisible());
        QVERIFY(box->labelText().contains(QStringLiteral("Sprawdzam, czy strona istnieje w Internecie")));
        QVERIFY(box->labelText().contains(server.url(QStringLiteral("/wolna"))));
        QCOMPARE(box->windowModality(), Qt::WindowModal); // the editor stays locked and modal
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QVERIFY(m_form->isVisible());
        const int before = ticks;
        QTRY_VERIFY(ticks > before + 3);
        auto* cancel = box->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Anuluj"));
        sawTheBox = true;
        cancel->click();
    });
    QElapsedTimer waited;
    waited.start();
    button(6)->click();

    QVERIFY(sawTheBox);
    QVERIFY(waited.elapsed() < 15000); // the answer would come after 20 s
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_dialogs->messages.isEmpty()); // giving up is no error
    QCOMPARE(m_form->mode(), Mode::Edit);   // the typed values stay, nothing is written
    QCOMPARE(edit(3)->text(), server.url(QStringLiteral("/wolna")));
    QCOMPARE(tableBytes(), before);
    // The request itself gives up too, long before the server would answer.
    QTRY_COMPARE_WITH_TIMEOUT(LiveThreads::count(), 0, 5000);
}

void TestTForm3::slowPageThatAnswersIsWrittenAfterTheWait()
{
    HttpTestServer server;
    server.route("/wolna", [] {
        Response r = Response::html("<html></html>");
        r.delayMs = 1500;
        return r;
    }());
    const ConnectionOverride connection(true);
    store({QStringLiteral("Gmina"), QStringLiteral("Obszar"), QStringLiteral("opolskie"), {}, {}, {}});
    openEditor();
    enterMode(Mode::Edit);
    child<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(true);
    edit(4)->setText(server.url(QStringLiteral("/wolna")));
    bool sawTheBox = false;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(m_form->findChild<QProgressDialog*>(QStringLiteral("NetworkWaitBox")) &&
                    m_form->findChild<QProgressDialog*>(QStringLiteral("NetworkWaitBox"))->isVisible());
        sawTheBox = true;
    });
    button(6)->click();
    QVERIFY(sawTheBox);
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(table().textAt(0, baza::Info), server.url(QStringLiteral("/wolna")));
    QVERIFY(!m_form->findChild<QProgressDialog*>(QStringLiteral("NetworkWaitBox"))); // gone with the wait
}

void TestTForm3::deleteAtOnce()
{
    storeThree();
    table().next();
    openEditor();
    QCOMPARE(edit(1)->text(), QStringLiteral("Bodzentyn"));
    button(9)->click();
    QVERIFY(m_dialogs->questions.isEmpty());
    QCOMPARE(table().recordCount(), 2);
    QCOMPARE(edit(1)->text(), QStringLiteral("Cisna")); // the record now current
    QCOMPARE(m_form->mode(), Mode::View);
    QCOMPARE(table().physicalRecordCount(), 3); // still in the file until packed
}

void TestTForm3::deleteOnAnEmptyTableShowsTheTableError()
{
    openEditor();
    const QByteArray before = tableBytes();
    QTest::mouseClick(button(9), Qt::LeftButton); // through the event loop, as a click comes
    QCOMPARE(m_dialogs->errors,
             QStringList{QStringLiteral("Cannot perform this operation on an empty dataset")});
    QCOMPARE(tableBytes(), before);
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->mode(), Mode::View);
}

void TestTForm3::changeOnAnEmptyTableAddsTheRecord()
{
    openEditor();
    enterMode(Mode::Edit);
    type(1, QStringLiteral("Pierwsza"));
    type(2, QStringLiteral("Obszar"));
    list()->setCurrentIndex(9);
    button(6)->click();
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(table().recordCount(), 1);
    QCOMPARE(table().textAt(0, baza::Gmina), QStringLiteral("Pierwsza"));
    QCOMPARE(table().textAt(0, baza::Wojewodztwo), QStringLiteral("podlaskie"));
    QCOMPARE(table().integerAt(0, baza::Kod), 0);
    QVERIFY(!table().isNullAt(0, baza::Kod));
}

void TestTForm3::gridFollowsTheEditor()
{
    storeThree();
    table().close(); // the main window owns the one table object
    Settings settings;
    TForm1 main(settings, *m_dialogs, m_dir->path());
    TForm3 editor(main.baza(), *m_dialogs, &main);
    main.setForms(&editor, nullptr, nullptr);
    main.show();
    QCoreApplication::processEvents();
    QTableView* grid = main.grid();
    QTRY_COMPARE(grid->currentIndex().row(), 0);

    // As the user does it: the popup's "Edytuj" shows the editor modally.
    QTimer::singleShot(0, &editor, [&] {
        editor.findChild<QPushButton*>(QStringLiteral("BitBtn3"))->click();
        editor.findChild<QPushButton*>(QStringLiteral("BitBtn3"))->click();
        editor.close();
    });
    main.Edytuj1Click();
    QTRY_COMPARE(grid->currentIndex().row(), 2);
    QCOMPARE(main.baza().table().row(), 2);

    // Moving the grid moves what the editor loads next time.
    grid->setCurrentIndex(grid->model()->index(1, baza::Gmina));
    QCoreApplication::processEvents();
    QString shown;
    QTimer::singleShot(0, &editor, [&] {
        shown = editor.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
        editor.findChild<QPushButton*>(QStringLiteral("BitBtn9"))->click(); // "Usuń"
        editor.close();
    });
    main.DBGrid1DblClick();
    QCOMPARE(shown, QStringLiteral("Bodzentyn"));
    QCOMPARE(grid->model()->rowCount(), 2);
    QTRY_COMPARE(grid->currentIndex().row(), 1);
    QCOMPARE(grid->model()->index(1, baza::Gmina).data().toString(), QStringLiteral("Cisna"));
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestTForm3 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tform3.moc"
