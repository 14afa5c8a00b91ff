// The configuration window on the offscreen platform, started the way the
// program starts it: over the main window, whose first showing reads
// config.ini from a temporary data directory. Only the person at the
// message boxes is scripted.
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "support/scripteddialogs.h"
#include "support/smtptestserver.h"
#include "support/widgetlookup.h"
#include "tform1.h"
#include "tform4.h"
#include "updown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <functional>

class TestTForm4 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TForm1> m_main;
    TForm4* m_form = nullptr; // owned by the main window

    QString iniPath() const { return m_dir->filePath(QStringLiteral("config.ini")); }

    void writeIni(const QByteArray& bytes)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QByteArray iniBytes() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // As main() does it: the main window, then the configuration window
    // over it; the main window's first showing reads config.ini.
    TForm4& startProgram()
    {
        m_main = std::make_unique<TForm1>(*m_settings, *m_dialogs, m_dir->path());
        m_form = new TForm4(*m_settings, *m_dialogs, iniPath(), m_main.get());
        m_main->setForms(nullptr, m_form, nullptr);
        m_main->show();
        QCoreApplication::processEvents();
        return *m_form;
    }

    // The program ends and starts again over the same data directory.
    TForm4& restartProgram()
    {
        m_main.reset();
        m_form = nullptr;
        m_settings = std::make_unique<Settings>();
        return startProgram();
    }

    // Opens the window from the main window's button, as the user does,
    // runs `inside` while it is open and closes it again if still open.
    void whileOpen(const std::function<void(TForm4&)>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, m_form, [&] {
            // The modal window counts as active for its owner before the
            // platform has made it the active window; focus needs the latter.
            if (QTest::qWaitFor([&] { return QApplication::activeWindow() == m_form; })) {
                inside(*m_form);
                ran = true;
            }
            if (m_form->isVisible())
                m_form->close();
        });
        m_main->SpeedButton2Click();
        QVERIFY2(ran, "the configuration window did not become active");
        QVERIFY(!m_form->isVisible());
    }

    template <typename T> T* child(const char* name) const { return childNamed<T>(*m_form, name); }
    QComboBox* timeList() const { return child<QComboBox>("ComboBox2"); }
    QLineEdit* countEdit() const { return child<QLineEdit>("Edit1"); }
    UpDown* spin() const { return child<UpDown>("UpDown1"); }
    QLineEdit* server(int n) const
    {
        return child<QLineEdit>(qPrintable(QStringLiteral("serwer%1").arg(n)));
    }

    void showPage(const char* name)
    {
        auto* tabs = child<QTabWidget>("PageControl1");
        tabs->setCurrentWidget(child<QWidget>(name));
    }

    // Types into a field the way a person does: focus in, keys, focus out
    // to the next field with Tab.
    void typeInto(QLineEdit* field, const QString& text)
    {
        field->setFocus(Qt::MouseFocusReason);
        QVERIFY(field->hasFocus());
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        for (const QChar c : text) // Polish letters too, which keyClicks cannot send
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }
    void leave(QLineEdit* field)
    {
        QTest::keyClick(field, Qt::Key_Tab);
        QVERIFY(!field->hasFocus());
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_settings = std::make_unique<Settings>();
    }
    void cleanup()
    {
        QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner);
        m_main.reset();
        m_form = nullptr;
    }

    void arrangement();
    void layoutValuesBeforeConfigIniIsRead();
    void defaultsWithoutConfigIni();
    void fileValuesAreShown();
    void timeLimitFromFile_data();
    void timeLimitFromFile();
    void limitFromFile_data();
    void limitFromFile();
    void everyControlChangesTheSettingsAtOnce();
    void controlsFollowTheSettings();
    void limitCheckBoxEnablesTheCount();
    void directoryGetsItsSlashOnLeaving_data();
    void directoryGetsItsSlashOnLeaving();
    void spinButtonsStayInRangeWithoutGrouping();
    void saveWritesTheNineKeysAndStaysOpen();
    void saveToAReadOnlyFileSaysSo();
    void closeWithoutSavingActsAtOnceUntilRestart();
    void passwordIsHidden();
    void notificationsTabSendsATestAndSaves();
};

void TestTForm4::arrangement()
{
    TForm4& form = startProgram();
    QCOMPARE(form.windowTitle(), QStringLiteral("Konfiguracja programu"));
    // About 300 pixels wide: wider only as far as its title and its time
    // caption need to show whole.
    QVERIFY2(form.width() >= 300 && form.width() <= 360, qPrintable(QString::number(form.width())));
    QCOMPARE(form.height(), 244);
    QCOMPARE(form.minimumSize(), form.maximumSize()); // fixed border
    QCOMPARE(form.iniPath(), iniPath());

    auto* tabs = child<QTabWidget>("PageControl1");
    QCOMPARE(tabs->count(), 5);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Opcje"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Serwer"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Kontrola"));
    // One page at a time until the user says otherwise, 1 to 16; the agent
    // field shows the program's own agent while it is empty.
    QCOMPARE(child<QSpinBox>("SpinWatki")->value(), 1);
    QCOMPARE(child<QSpinBox>("SpinWatki")->minimum(), 1);
    QCOMPARE(child<QSpinBox>("SpinWatki")->maximum(), 16);
    QCOMPARE(child<QDoubleSpinBox>("SpinPrzerwa")->value(), 1.0);
    QVERIFY(child<QLineEdit>("EditAgent")->placeholderText().startsWith(QStringLiteral("Ekowarta/")));
    QCOMPARE(tabs->tabText(3), QStringLiteral("Powiadomienia"));
    QCOMPARE(tabs->tabText(4), QStringLiteral("Harmonogram"));
    QCOMPARE(child<QCheckBox>("CheckBoxPowiadom")->text(), QStringLiteral("wyślij podsumowanie po każdej kontroli"));
    QCOMPARE(child<QCheckBox>("CheckBoxAtom")->text(), QStringLiteral("publikuj także kanał Atom"));
    QVERIFY(!child<QCheckBox>("CheckBoxPowiadom")->isChecked());
    QVERIFY(!child<QCheckBox>("CheckBoxAtom")->isChecked());
    QCOMPARE(child<QCheckBox>("CheckBox2")->text(),
             QStringLiteral("minimalizuj do zasobnika systemowego"));
    QCOMPARE(child<QCheckBox>("CheckBox3")->text(), QStringLiteral("usuń starsze wpisy gmin"));
    QCOMPARE(child<QCheckBox>("CheckBox4")->text(), QStringLiteral("ogranicz liczbę wpisów do"));
    QCOMPARE(child<QGroupBox>("GroupBox1")->title(), QStringLiteral(" Aktualizacja strony: "));
    QStringList labels;
    for (const QLabel* l : form.findChildren<QLabel*>())
        labels << l->text();
    for (const char* text : {"Maksymalny czas kontroli jednej strony", "wierszy",
                             "Nazwa hosta:", "Zdalny katalog:", "Użytkownik:", "Hasło:",
                             "Liczba jednocześnie sprawdzanych stron", "Przerwa między zapytaniami do jednego serwera",
                             "Przedstawiaj się serwerom jako (User-Agent):"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);

    QComboBox* list = timeList();
    QVERIFY(!list->isEditable());
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    QCOMPARE(items, (QStringList{"30 sek", "1 min", "2 min", "3 min", "5 min"}));

    QVERIFY(countEdit()->isReadOnly());
    QCOMPARE(spin()->minimum(), 1);
    QCOMPARE(spin()->maximum(), 1000);

    for (const char* name : {"BitBtn1", "BitBtn2"})
        QVERIFY(!child<QPushButton>(name)->icon().isNull());
    QCOMPARE(child<QPushButton>("BitBtn1")->text(), QStringLiteral("Zapisz"));
    QCOMPARE(child<QPushButton>("BitBtn2")->text(), QStringLiteral("Zamknij"));

    // Opened from the main window, it stands centred over it.
    m_main->setGeometry(100, 80, 900, 600);
    QPoint centre;
    whileOpen([&](TForm4& f) {
        centre = f.frameGeometry().center();
        // The tabs fill the window above the button bar.
        const QRect bar = child<QWidget>("Panel1")->geometry();
        QVERIFY(tabs->geometry().bottom() < bar.top());
        QVERIFY(bar.bottom() >= f.height() - 8);
        QVERIFY(tabs->width() >= f.width() - 10);
        QVERIFY(tabs->height() >= f.height() - bar.height() - 16);
        // Everything on the pages fits in the fixed window.
        auto fits = [&](const char* name) {
            const QWidget* w = child<QWidget>(name);
            return w->isVisible() &&
                   f.rect().contains(QRect(w->mapTo(&f, QPoint(0, 0)), w->size()));
        };
        for (const char* name : {"CheckBox2", "Label1", "ComboBox2", "GroupBox1", "CheckBox3",
                                 "CheckBox4", "Edit1", "UpDown1", "Label2"})
            QVERIFY2(fits(name), name);
        // No caption is cut.
        for (const char* name : {"CheckBox2", "CheckBox3", "CheckBox4", "Label2"}) {
            const QWidget* w = child<QWidget>(name);
            QVERIFY2(w->width() >= w->sizeHint().width(), name);
        }
        QVERIFY(countEdit()->width() >=
                countEdit()->fontMetrics().horizontalAdvance(QStringLiteral("1000")));
        showPage("TabSheet2");
        for (const char* name : {"serwer1", "serwer2", "serwer3", "serwer4"})
            QVERIFY2(fits(name), name);
    });
    QVERIFY2((centre - m_main->frameGeometry().center()).manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
}

void TestTForm4::layoutValuesBeforeConfigIniIsRead()
{
    // The window exists before the main window is first shown.
    TForm4 form(*m_settings, *m_dialogs, iniPath());
    m_form = &form;
    QCOMPARE(timeList()->currentIndex(), -1);
    QCOMPARE(countEdit()->text(), QStringLiteral("1"));
    QCOMPARE(spin()->position(), 1);
    QVERIFY(!countEdit()->isEnabled());
    m_form = nullptr;
}

void TestTForm4::defaultsWithoutConfigIni()
{
    startProgram();
    QVERIFY(!QFile::exists(iniPath()));
    whileOpen([&](TForm4&) {
        QCOMPARE(timeList()->currentText(), QStringLiteral("1 min"));
        QCOMPARE(countEdit()->text(), QStringLiteral("20"));
        QCOMPARE(spin()->position(), 20);
        QVERIFY(!countEdit()->isEnabled());
        for (const char* box : {"CheckBox2", "CheckBox3", "CheckBox4"})
            QVERIFY2(!child<QCheckBox>(box)->isChecked(), box);
        for (int n = 1; n <= 4; ++n)
            QVERIFY(server(n)->text().isEmpty());
    });
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(!QFile::exists(iniPath())); // reading creates nothing
}

void TestTForm4::fileValuesAreShown()
{
    writeIni("[opcje]\r\ntray=1\r\nczas=4\r\ndubl=1\r\nwpisy=1\r\nlicz=35\r\nhost=ftp.gmina.pl\r\n"
             "dir=/www\r\nuser=\xa3ucja\r\npass=```\r\n");
    startProgram();
    whileOpen([&](TForm4&) {
        QVERIFY(child<QCheckBox>("CheckBox2")->isChecked());
        QCOMPARE(timeList()->currentText(), QStringLiteral("5 min"));
        QVERIFY(child<QCheckBox>("CheckBox3")->isChecked());
        QVERIFY(child<QCheckBox>("CheckBox4")->isChecked());
        QCOMPARE(countEdit()->text(), QStringLiteral("35"));
        QVERIFY(countEdit()->isEnabled());
        QCOMPARE(server(1)->text(), QStringLiteral("ftp.gmina.pl"));
        QCOMPARE(server(2)->text(), QStringLiteral("/www"));
        QCOMPARE(server(3)->text(), QStringLiteral("Łucja"));
        QCOMPARE(server(4)->text(), QStringLiteral("abc")); // unscrambled
    });
}

void TestTForm4::timeLimitFromFile_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::newRow("czas=2") << QByteArray("czas=2") << 2 << "2 min";
    QTest::newRow("czas=0") << QByteArray("czas=0") << 0 << "30 sek";
    QTest::newRow("czas=abc gives 1 min") << QByteArray("czas=abc") << 1 << "1 min";
    QTest::newRow("czas empty gives 1 min") << QByteArray("czas=") << 1 << "1 min";
    QTest::newRow("czas=7 selects nothing") << QByteArray("czas=7") << -1 << "";
    QTest::newRow("czas=-1 selects nothing") << QByteArray("czas=-1") << -1 << "";
}

void TestTForm4::timeLimitFromFile()
{
    QFETCH(QByteArray, line);
    QFETCH(int, index);
    QFETCH(QString, shown);
    writeIni("[opcje]\r\n" + line + "\r\n");
    startProgram();
    QCOMPARE(m_settings->timeLimitIndex, index);
    whileOpen([&](TForm4&) {
        QCOMPARE(timeList()->currentIndex(), index);
        QCOMPARE(timeList()->currentText(), shown);
    });
}

void TestTForm4::limitFromFile_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("wpisy=1") << QByteArray("wpisy=1") << true;
    QTest::newRow("wpisy=yes") << QByteArray("wpisy=yes") << false;
    QTest::newRow("wpisy=0") << QByteArray("wpisy=0") << false;
    QTest::newRow("wpisy=11") << QByteArray("wpisy=11") << false;
}

void TestTForm4::limitFromFile()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, ticked);
    writeIni("[opcje]\r\n" + line + "\r\nlicz=40\r\n");
    startProgram();
    whileOpen([&](TForm4&) {
        QCOMPARE(child<QCheckBox>("CheckBox4")->isChecked(), ticked);
        QCOMPARE(countEdit()->isEnabled(), ticked);
        QCOMPARE(spin()->isEnabled(), ticked);
        QCOMPARE(countEdit()->text(), QStringLiteral("40"));
    });
    QCOMPARE(m_settings->limitEntries, ticked);
}

void TestTForm4::everyControlChangesTheSettingsAtOnce()
{
    startProgram();
    QSignalSpy changed(m_settings.get(), &Settings::changed);
    whileOpen([&](TForm4&) {
        QTest::mouseClick(child<QCheckBox>("CheckBox2"), Qt::LeftButton);
        QVERIFY(m_settings->tray);
        timeList()->setFocus();
        QTest::keyClick(timeList(), Qt::Key_Down); // "1 min" → "2 min"
        QCOMPARE(timeList()->currentText(), QStringLiteral("2 min"));
        QCOMPARE(m_settings->timeLimitSeconds(), 120);
        QTest::mouseClick(child<QCheckBox>("CheckBox3"), Qt::LeftButton);
        QVERIFY(m_settings->removeOlderEntries);
        QTest::mouseClick(child<QCheckBox>("CheckBox4"), Qt::LeftButton);
        QVERIFY(m_settings->limitEntries);
        QTest::mouseClick(spin()->upButton(), Qt::LeftButton);
        QCOMPARE(m_settings->entryCountPosition, 21);
        QCOMPARE(m_settings->entryCountText, QStringLiteral("21"));

        showPage("TabSheet2");
        typeInto(server(1), QStringLiteral("ftp.gmina.pl"));
        QCOMPARE(m_settings->host, QStringLiteral("ftp.gmina.pl"));
        typeInto(server(3), QStringLiteral("Łucja"));
        QCOMPARE(m_settings->user, QStringLiteral("Łucja"));
        typeInto(server(4), QStringLiteral("tajne"));
        QCOMPARE(m_settings->password, QStringLiteral("tajne"));
        typeInto(server(2), QStringLiteral("www"));
        QCOMPARE(m_settings->directory, QStringLiteral("www"));
        leave(server(2));
        QCOMPARE(m_settings->directory, QStringLiteral("/www"));

        showPage("TabSheet3");
        auto* jobs = child<QSpinBox>("SpinWatki");
        jobs->setFocus();
        QTest::keyClick(jobs, Qt::Key_Up);
        QCOMPARE(m_settings->jobs, 2);
        auto* pause = child<QDoubleSpinBox>("SpinPrzerwa");
        pause->setFocus();
        QTest::keyClick(pause, Qt::Key_Up); // half a second a step
        QCOMPARE(m_settings->hostDelayMs, 1500);
        typeInto(child<QLineEdit>("EditAgent"), QStringLiteral("Gmina/2"));
        QCOMPARE(m_settings->userAgent, QStringLiteral("Gmina/2"));
    });
    // Other windows showing the settings hear of every change.
    QVERIFY(changed.count() >= 12);
    QVERIFY(!QFile::exists(iniPath())); // changes are not saved by themselves
}

void TestTForm4::controlsFollowTheSettings()
{
    TForm4& form = startProgram();
    m_settings->host = QStringLiteral("ftp.inny.pl");
    m_settings->timeLimitIndex = 3;
    m_settings->limitEntries = true;
    m_settings->entryCountPosition = 7;
    m_settings->entryCountText = QStringLiteral("7");
    m_settings->jobs = 12;
    m_settings->hostDelayMs = 2500;
    m_settings->userAgent = QStringLiteral("Urząd/1");
    QSignalSpy changed(m_settings.get(), &Settings::changed);
    m_settings->notifyChanged();
    QCOMPARE(changed.count(), 1); // showing them does not echo them back
    QCOMPARE(child<QSpinBox>("SpinWatki")->value(), 12);
    QCOMPARE(child<QDoubleSpinBox>("SpinPrzerwa")->value(), 2.5);
    QCOMPARE(child<QLineEdit>("EditAgent")->text(), QStringLiteral("Urząd/1"));
    QCOMPARE(m_settings->hostDelayMs, 2500);
    QCOMPARE(server(1)->text(), QStringLiteral("ftp.inny.pl"));
    QCOMPARE(timeList()->currentText(), QStringLiteral("3 min"));
    QVERIFY(countEdit()->isEnabled());
    QCOMPARE(countEdit()->text(), QStringLiteral("7"));
    QCOMPARE(spin()->position(), 7);
    Q_UNUSED(form);
}

void TestTForm4::limitCheckBoxEnablesTheCount()
{
    startProgram();
    whileOpen([&](TForm4&) {
        auto* box = child<QCheckBox>("CheckBox4");
        QVERIFY(!countEdit()->isEnabled());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(countEdit()->isEnabled());
        QVERIFY(spin()->isEnabled());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!countEdit()->isEnabled());
        QVERIFY(!spin()->isEnabled());
        QVERIFY(!m_settings->limitEntries);
    });
}

void TestTForm4::directoryGetsItsSlashOnLeaving_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::newRow("name without slash") << "public_html"
                                        << "/public_html";
    QTest::newRow("empty field") << ""
                                 << "/";
    QTest::newRow("blanks only") << "   "
                                 << "/";
    QTest::newRow("name with slash") << "/www/wykaz"
                                     << "/www/wykaz";
    QTest::newRow("blank before a slash") << " /www"
                                          << " /www";
    QTest::newRow("blanks kept behind the new slash") << "  www "
                                                      << "/  www ";
}

void TestTForm4::directoryGetsItsSlashOnLeaving()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    writeIni("[opcje]\r\ndir=stary\r\n");
    startProgram();
    whileOpen([&](TForm4&) {
        showPage("TabSheet2");
        typeInto(server(2), typed);
        QCOMPARE(server(2)->text(), typed); // nothing changes while typing
        leave(server(2));
        QCOMPARE(server(2)->text(), after);
        QCOMPARE(m_settings->directory, after);
    });
    QVERIFY(!iniBytes().contains("dir=/")); // not saved by leaving the field
}

void TestTForm4::spinButtonsStayInRangeWithoutGrouping()
{
    // A locale that groups thousands: the count is still plain digits.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });

    writeIni("[opcje]\r\nwpisy=1\r\nlicz=990\r\n");
    startProgram();
    whileOpen([&](TForm4& form) {
        countEdit()->setFocus();
        QTest::keyClicks(countEdit(), QStringLiteral("5"));
        QCOMPARE(countEdit()->text(), QStringLiteral("990")); // no typing
        for (int i = 0; i < 9; ++i)
            QTest::mouseClick(spin()->upButton(), Qt::LeftButton);
        QCOMPARE(countEdit()->text(), QStringLiteral("999"));
        QTest::keyClick(countEdit(), Qt::Key_Up);
        QCOMPARE(countEdit()->text(), QStringLiteral("1000"));
        QTest::mouseClick(spin()->upButton(), Qt::LeftButton);
        QCOMPARE(countEdit()->text(), QStringLiteral("1000"));
        QCOMPARE(m_settings->entryCountText, QStringLiteral("1000"));
        QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
        QVERIFY(form.isVisible());
    });
    QVERIFY(iniBytes().contains("\r\nlicz=1000\r\n"));
    Settings reread;
    konfig::LoadSettings(reread, iniPath());
    QCOMPARE(reread.entryCountPosition, 1000);

    // And at the bottom the count stops at 1.
    m_settings->entryCountPosition = 2;
    m_settings->entryCountText = QStringLiteral("2");
    m_settings->notifyChanged();
    whileOpen([&](TForm4&) {
        QTest::mouseClick(spin()->downButton(), Qt::LeftButton);
        QTest::mouseClick(spin()->downButton(), Qt::LeftButton);
        countEdit()->setFocus();
        QTest::keyClick(countEdit(), Qt::Key_Down);
        QCOMPARE(countEdit()->text(), QStringLiteral("1"));
    });
    QCOMPARE(m_settings->entryCountPosition, 1);
}

void TestTForm4::saveWritesTheNineKeysAndStaysOpen()
{
    writeIni("[okno]\r\nx=10\r\n");
    startProgram();
    bool openAfterSave = false;
    whileOpen([&](TForm4& form) {
        QTest::mouseClick(child<QCheckBox>("CheckBox2"), Qt::LeftButton);
        timeList()->setFocus();
        QTest::keyClick(timeList(), Qt::Key_Down);
        QTest::mouseClick(child<QCheckBox>("CheckBox4"), Qt::LeftButton);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(spin()->upButton(), Qt::LeftButton);
        showPage("TabSheet2");
        typeInto(server(1), QStringLiteral("ftp.gmina.pl"));
        typeInto(server(2), QStringLiteral("www"));
        typeInto(server(3), QStringLiteral("jan"));
        typeInto(server(4), QStringLiteral("abc"));
        QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
        openAfterSave = form.isVisible();
    });
    QVERIFY(openAfterSave);
    QVERIFY(m_dialogs->messages.isEmpty());
    // Clicking "Zapisz" left the directory field first, so it has its slash.
    QCOMPARE(iniBytes(),
             QByteArray(
                 "[okno]\r\nx=10\r\n[opcje]\r\ntray=1\r\nczas=2\r\ndubl=0\r\nwpisy=1\r\nlicz=25\r\n"
                 "host=ftp.gmina.pl\r\ndir=/www\r\nuser=jan\r\npass=```\r\n"));
}

void TestTForm4::saveToAReadOnlyFileSaysSo()
{
    writeIni("[opcje]\r\nczas=0\r\n");
    startProgram();
    QVERIFY(
        QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = iniBytes();
    bool openAfterSave = false;
    whileOpen([&](TForm4& form) {
        QTest::mouseClick(child<QCheckBox>("CheckBox2"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
        openAfterSave = form.isVisible();
    });
    QVERIFY(openAfterSave);
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("Nie można zapisać pliku \"%1\": plik jest tylko do odczytu").arg(iniPath())});
    QVERIFY(m_dialogs->errors.isEmpty());
    QCOMPARE(iniBytes(), before);
    QVERIFY(m_settings->tray); // still in effect, only not stored
}

void TestTForm4::closeWithoutSavingActsAtOnceUntilRestart()
{
    writeIni("[opcje]\r\ntray=0\r\nczas=2\r\nhost=ftp.gmina.pl\r\n");
    startProgram();
    whileOpen([&](TForm4&) {
        timeList()->setFocus();
        QTest::keyClick(timeList(), Qt::Key_End); // "5 min"
        QTest::mouseClick(child<QCheckBox>("CheckBox2"), Qt::LeftButton);
        showPage("TabSheet2");
        typeInto(server(1), QStringLiteral("ftp.nowy.pl"));
        QTest::mouseClick(child<QPushButton>("BitBtn2"), Qt::LeftButton); // "Zamknij"
        QVERIFY(!m_form->isVisible());
    });
    // In effect at once: the run's watchdog, the tray and the transfer read
    // these values at their next use.
    QCOMPARE(m_settings->timeLimitSeconds(), 300);
    QVERIFY(m_settings->tray);
    QCOMPARE(m_settings->host, QStringLiteral("ftp.nowy.pl"));
    QCOMPARE(iniBytes(), QByteArray("[opcje]\r\ntray=0\r\nczas=2\r\nhost=ftp.gmina.pl\r\n"));

    // Shown again at the next opening.
    whileOpen([&](TForm4&) {
        QCOMPARE(timeList()->currentText(), QStringLiteral("5 min"));
        QVERIFY(child<QCheckBox>("CheckBox2")->isChecked());
        QCOMPARE(server(1)->text(), QStringLiteral("ftp.nowy.pl"));
    });

    // After a restart the saved values are back.
    restartProgram();
    QCOMPARE(m_settings->timeLimitIndex, 2);
    whileOpen([&](TForm4&) {
        QCOMPARE(timeList()->currentText(), QStringLiteral("2 min"));
        QVERIFY(!child<QCheckBox>("CheckBox2")->isChecked());
        QCOMPARE(server(1)->text(), QStringLiteral("ftp.gmina.pl"));
    });
}

void TestTForm4::passwordIsHidden()
{
    writeIni("[opcje]\r\npass=```\r\n"); // "abc" scrambled
    startProgram();
    whileOpen([&](TForm4&) {
        showPage("TabSheet2");
        QLineEdit* pass = server(4);
        QCOMPARE(pass->echoMode(), QLineEdit::Password);
        QCOMPARE(pass->displayText(), QStringLiteral("***"));
        typeInto(pass, QStringLiteral("zażółć"));
        QCOMPARE(pass->displayText(), QStringLiteral("******"));
        QCOMPARE(pass->text(), QStringLiteral("zażółć"));
        QCOMPARE(m_settings->password, QStringLiteral("zażółć"));
    });
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestTForm4 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tform4.moc"

void TestTForm4::notificationsTabSendsATestAndSaves()
{
    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    startProgram();
    whileOpen([&](TForm4&) {
        showPage("TabSheet2");
        QTest::mouseClick(child<QCheckBox>("CheckBoxAtom"), Qt::LeftButton);
        showPage("TabSheet4");
        QTest::mouseClick(child<QCheckBox>("CheckBoxPowiadom"), Qt::LeftButton);
        typeInto(child<QLineEdit>("EditSmtp"), server.url());
        typeInto(child<QLineEdit>("EditSmtpPass"), QStringLiteral("abc"));
        typeInto(child<QLineEdit>("EditMailOd"), QStringLiteral("ekowarta@gmina.pl"));
        typeInto(child<QLineEdit>("EditMailDo"), QStringLiteral("ola@gmina.pl, jan@gmina.pl"));
        child<QSpinBox>("SpinAlarm")->setValue(5);
        QTest::mouseClick(child<QPushButton>("ButtonTest"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
    });
    QCOMPARE(m_dialogs->messages, QStringList{"Wiadomość testowa wysłana do: ola@gmina.pl, jan@gmina.pl"});
    QCOMPARE(server.messages().size(), 1);
    QVERIFY(m_settings->notify);
    QVERIFY(m_settings->atom);
    QCOMPARE(m_settings->failingChecks, 5);
    const QByteArray ini = iniBytes();
    for (const QByteArray& line : {QByteArray("powiadom=1"), "smtp=" + server.url().toLatin1(), QByteArray("smtppass=```"),
                                   QByteArray("mailod=ekowarta@gmina.pl"), QByteArray("maildo=ola@gmina.pl, jan@gmina.pl"),
                                   QByteArray("alarm=5"), QByteArray("atom=1")})
        QVERIFY2(ini.contains("\r\n" + line + "\r\n"), line.constData());
    QVERIFY(!ini.contains("smtpuser=")); // never typed: not written

    // Back after a restart; a failing test message says why.
    server.stop();
    restartProgram();
    QVERIFY(m_settings->notify);
    QCOMPARE(m_settings->smtpPassword, QStringLiteral("abc"));
    m_dialogs->messages.clear();
    whileOpen([&](TForm4&) {
        showPage("TabSheet4");
        QTest::mouseClick(child<QPushButton>("ButtonTest"), Qt::LeftButton);
    });
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY2(m_dialogs->messages.first().startsWith(QStringLiteral("Nie udało się wysłać wiadomości testowej: Serwer poczty 127.0.0.1:")),
             qPrintable(m_dialogs->messages.first()));
}
