// The main window on the offscreen platform: start-up, the grid's colours
// and sort, the popup commands, the report pane and the event log.
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "platform/installation.h"
#include "platform/livethreads.h"
#include "support/ftptestserver.h"
#include "support/httptestserver.h"
#include "text/datevalue.h"
#include "registermodel.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/testdata.h"
#include "support/widgetlookup.h"
#include "publikacja/publishtask.h"
#include "tform1.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QHostAddress>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QToolButton>
#include <QTableView>
#include <QtTest>

class TestTForm1 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TForm1> m_form;

    TForm1& startWindow()
    {
        m_form = std::make_unique<TForm1>(*m_settings, *m_dialogs, m_dir->path());
        m_form->show();
        QCoreApplication::processEvents();
        return *m_form;
    }

    void fillRegister(const QList<QPair<QString, int>>& records)
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        for (const auto& [gmina, kod] : records) {
            b.table().append();
            b.table().setText(baza::Gmina, gmina);
            b.table().setInteger(baza::Kod, kod);
            b.table().post();
        }
        b.table().close();
    }

    QColor titleColour(int column) const
    {
        const QVariant v = m_form->model().headerData(column, Qt::Horizontal, Qt::ForegroundRole);
        return v.isValid() ? v.value<QBrush>().color() : QColor();
    }

    template <typename T> T* child(const char* name) const { return childNamed<T>(*m_form, name); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_settings = std::make_unique<Settings>();
    }
    void cleanup()
    {
        m_form.reset();
    }

    void startInAnEmptyDirectoryCreatesTheTable();
    void visibleColumnsAndTitles();
    void titleClicksSortAndColourTheTitles();
    void markedRowKeepsItsColourWhenSelected();
    void popupCommandsWorkOnTheCurrentRecord();
    void errorsOfHandlersAreShownAndTheProgramGoesOn();
    void reportPanesAndEventLog();
    void saveReportAsksBeforeOverwriting();
    void manualOpensOrIsReportedMissing();
    void closingWithoutARunShutsDown();
    void closingDuringARunAsks();
    void runSummaryInTheEventLogAndTheTray();
    void settingsAreLoadedAtTheFirstActivation();
    void publishButtonRefusesOrPublishes();
    void damagedTableIsReportedAndNothingIsOverwritten();
    void aSecondWindowOnTheRegisterSaysSo();
};

void TestTForm1::startInAnEmptyDirectoryCreatesTheTable()
{
    const QString dbf = m_dir->filePath(QStringLiteral("baza.dbf"));
    QFile mdx(m_dir->filePath(QStringLiteral("baza.mdx")));
    QVERIFY(mdx.open(QIODevice::WriteOnly));
    mdx.close();
    TForm1& form = startWindow();
    QVERIFY(!QFile::exists(mdx.fileName())); // deleted at start
    QVERIFY(QFile::exists(dbf));
    QCOMPARE(form.windowTitle(), QStringLiteral("Ekowarta"));
    QCOMPARE(form.grid()->model()->rowCount(), 0);
    QCOMPARE(form.grid()->model()->columnCount(), 15);
    QVERIFY(form.tableOpenedOnce());
    // A modal window closing does not open the table again.
    form.hide();
    form.show();
    QCOMPARE(form.baza().table().recordCount(), 0);
    QCOMPARE(child<QLabel>("TimeStart")->text(), QStringLiteral("00:00:00"));
    QCOMPARE(child<QLabel>("Czas2")->text(), QStringLiteral("00:00:00"));
    QVERIFY(!child<QLabel>("Czas1")->isVisible());
    QCOMPARE(child<QLabel>("StronaInfo")->text(), QStringLiteral("StronaInfo"));
    QVERIFY(!child<QWidget>("Button1")->isVisible());
}

void TestTForm1::visibleColumnsAndTitles()
{
    fillRegister({{QStringLiteral("Kampinos"), 0}});
    TForm1& form = startWindow();
    QStringList visible;
    for (int c = 0; c < 15; ++c)
        if (!form.grid()->isColumnHidden(c))
            visible << form.grid()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(visible, (QStringList{"LP", "GMINA", "NATURA2000", "WOJEWODZTWO", "AKTUALIZACJA", "DATAKONTROLI", "UWAGI"}));
    QCOMPARE(form.grid()->columnWidth(0), 30);
}

void TestTForm1::titleClicksSortAndColourTheTitles()
{
    fillRegister({{QStringLiteral("Bodzentyn"), 0}, {QStringLiteral("Łagów"), 0}, {QStringLiteral("Adamów"), 0}});
    TForm1& form = startWindow();
    QTableView* grid = form.grid();
    auto gminaAt = [&](int row) { return grid->model()->index(row, baza::Gmina).data().toString(); };
    const QColor blue(0, 0, 255), red(255, 0, 0);

    form.DBGrid1TitleClick(baza::Gmina);
    QCOMPARE(titleColour(baza::Gmina), blue);
    QCOMPARE(gminaAt(0), QStringLiteral("Adamów"));
    QCOMPARE(gminaAt(2), QStringLiteral("Łagów"));
    form.DBGrid1TitleClick(baza::Gmina);
    QCOMPARE(titleColour(baza::Gmina), red);
    QCOMPARE(gminaAt(0), QStringLiteral("Łagów"));
    form.DBGrid1TitleClick(baza::Gmina);
    QCOMPARE(titleColour(baza::Gmina), blue);
    QCOMPARE(gminaAt(0), QStringLiteral("Adamów"));
    QCOMPARE(form.baza().table().row(), 0); // the first record after a sort
    // Another column: the previous title loses its colour; columns stay set up.
    form.DBGrid1TitleClick(baza::Aktualizacja);
    QCOMPARE(titleColour(baza::Aktualizacja), blue);
    QVERIFY(!titleColour(baza::Gmina).isValid());
    QCOMPARE(form.baza().table().orderExpression(), QStringLiteral("DTOS(AKTUALIZACJA)"));
    QVERIFY(grid->isColumnHidden(baza::Kod));
    QVERIFY(m_dialogs->messages.isEmpty());
    // The real header click goes the same way.
    QHeaderView* header = grid->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(baza::Gmina) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(titleColour(baza::Gmina), blue);
}

void TestTForm1::markedRowKeepsItsColourWhenSelected()
{
    fillRegister({{QStringLiteral("Zwykła"), 0}, {QStringLiteral("Przekroczony czas"), 4}, {QStringLiteral("Błąd"), 5}});
    TForm1& form = startWindow();
    QTableView* grid = form.grid();
    form.resize(900, 700);
    grid->setCurrentIndex(grid->model()->index(1, baza::Gmina));
    QCoreApplication::processEvents();
    QCOMPARE(form.baza().table().recNo(), 2); // the grid moves the one cursor
    const QImage image = grid->viewport()->grab().toImage();
    auto pixelOfRow = [&](int row) {
        const QRect r = grid->visualRect(grid->model()->index(row, baza::Natura2000));
        return image.pixelColor(r.right() - 3, r.center().y());
    };
    QCOMPARE(pixelOfRow(1), QColor(255, 204, 102)); // selected, still the time-out colour
    QCOMPARE(pixelOfRow(2), QColor(233, 116, 81));
    QCOMPARE(pixelOfRow(0), grid->palette().color(QPalette::Base));
}

void TestTForm1::popupCommandsWorkOnTheCurrentRecord()
{
    fillRegister({{QStringLiteral("A"), 0}, {QStringLiteral("B"), 0}});
    TForm1& form = startWindow();
    form.grid()->setCurrentIndex(form.grid()->model()->index(1, baza::Gmina));
    QCoreApplication::processEvents();
    child<QAction>("Wysoki1")->trigger();
    QCOMPARE(form.baza().table().integerAt(1, baza::Kod), 3);
    child<QAction>("Sredni1")->trigger();
    QCOMPARE(form.baza().table().integerAt(1, baza::Kod), 2);
    child<QAction>("Niski1")->trigger();
    QCOMPARE(form.baza().table().integerAt(1, baza::Kod), 1);
    child<QAction>("Odznacz1")->trigger();
    QCOMPARE(form.baza().table().integerAt(1, baza::Kod), 0);
    child<QAction>("Usun1")->trigger();
    QCOMPARE(form.grid()->model()->rowCount(), 1);
    QCOMPARE(form.baza().table().physicalRecordCount(), 2); // still in the file until packed
    child<QPushButton>("Button1")->click();
    QCOMPARE(form.baza().table().integerAt(0, baza::Size), -1);
}

void TestTForm1::errorsOfHandlersAreShownAndTheProgramGoesOn()
{
    TForm1& form = startWindow();
    // Through the menu's connection, as a click comes: the error is caught
    // there, never thrown into Qt's event loop.
    child<QAction>("Usun1")->trigger();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QCOMPARE(m_dialogs->errors.first(), QStringLiteral("Cannot perform this operation on an empty dataset"));
    QVERIFY(form.isVisible());
    QCOMPARE(form.baza().table().recordCount(), 0);
}

void TestTForm1::reportPanesAndEventLog()
{
    TForm1& form = startWindow();
    form.report().AddErrorLine(7, QStringLiteral("Łódź"));
    form.report().AddUpdatedLine(9, QStringLiteral("Kraków"));
    QCOMPARE(child<QPlainTextEdit>("Memo1")->toPlainText(), QStringLiteral("LP = 7 - Łódź"));
    QCOMPARE(child<QPlainTextEdit>("Memo2")->toPlainText(), QStringLiteral("LP = 9 - Kraków"));
    const PinnedClock clock(QDateTime(QDate(2026, 12, 9), QTime(14, 5, 6)));
    form.report().LogEvent(QStringLiteral("first"));
    form.report().LogEvent(QStringLiteral("  Plik pobrany.  "));
    auto* log = child<QComboBox>("ComboBox1");
    QCOMPARE(log->count(), 2);
    QCOMPARE(log->currentIndex(), 0);
    QVERIFY(log->itemText(0).endsWith(QStringLiteral(" => Plik pobrany.")));
    QVERIFY(log->itemText(0).contains(QStringLiteral("14:05:06")));
    QVERIFY(log->itemText(1).endsWith(QStringLiteral(" => first")));
    child<QToolButton>("SpeedButton5")->click();
    QCOMPARE(log->count(), 0);
    QCOMPARE(child<QPlainTextEdit>("Memo1")->toPlainText(), QStringLiteral("LP = 7 - Łódź")); // panes untouched
    form.report().ClearReportLists();
    QVERIFY(child<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
    QVERIFY(child<QPlainTextEdit>("Memo2")->toPlainText().isEmpty());
}

void TestTForm1::saveReportAsksBeforeOverwriting()
{
    TForm1& form = startWindow();
    form.report().LogEvent(QStringLiteral("Plik wysłany."));
    form.report().LogEvent(QStringLiteral("Zażółć"));
    const QString path = m_dir->filePath(QStringLiteral("raport.txt"));
    m_dialogs->fileNames << path;
    child<QToolButton>("SpeedButton6")->click();
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Raport został zapisany")});
    QVERIFY(m_dialogs->proposedNames.first().startsWith(QStringLiteral("raport_")));
    QVERIFY(m_dialogs->proposedNames.first().endsWith(QStringLiteral(".txt")));
    QVERIFY(!m_dialogs->proposedNames.first().contains(QLatin1Char('/')));
    const QByteArray saved = testdata::readAll(path);
    const QList<QByteArray> lines = saved.split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].endsWith(" => Za\xBF\xF3\xB3\xE6\r")); // Windows-1250, newest first
    QVERIFY(lines[1].endsWith(" => Plik wys\xB3\x61ny.\r"));

    // Overwrite? No: nothing is written, nothing is said.
    form.report().LogEvent(QStringLiteral("third"));
    m_dialogs->fileNames << path;
    m_dialogs->answers << Dialogs::Answer::No;
    child<QToolButton>("SpeedButton6")->click();
    QCOMPARE(m_dialogs->questions.size(), 1);
    QCOMPARE(m_dialogs->questions.first(), QStringLiteral("Plik o podanej nazwie już istnieje.\r\nChcesz go nadpisać?"));
    QCOMPARE(testdata::readAll(path), saved);
    QCOMPARE(m_dialogs->messages.size(), 1);
    // Yes: replaced.
    m_dialogs->fileNames << path;
    m_dialogs->answers << Dialogs::Answer::Yes;
    child<QToolButton>("SpeedButton6")->click();
    QCOMPARE(testdata::readAll(path).count('\n'), 3);
    // An empty log still saves (an empty file).
    child<QToolButton>("SpeedButton5")->click();
    m_dialogs->fileNames << m_dir->filePath(QStringLiteral("pusty.txt"));
    child<QToolButton>("SpeedButton6")->click();
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("pusty.txt"))));
    QCOMPARE(testdata::readAll(m_dir->filePath(QStringLiteral("pusty.txt"))), QByteArray());
    // The two lists follow the event log, each under its pane's title.
    form.report().LogEvent(QStringLiteral("Plik wysłany."));
    form.report().AddUpdatedLine(9, QStringLiteral("Kraków"));
    form.report().AddUpdatedLine(12, QStringLiteral("Łeba"));
    form.report().AddErrorLine(7, QStringLiteral("Łódź"));
    const QString full = m_dir->filePath(QStringLiteral("pelny.txt"));
    m_dialogs->fileNames << full;
    child<QToolButton>("SpeedButton6")->click();
    const QList<QByteArray> report = testdata::readAll(full).split('\n');
    QCOMPARE(report.size(), 9);
    QVERIFY(report[0].endsWith(" => Plik wys\xB3\x61ny.\r"));
    QCOMPARE(report.mid(1), (QList<QByteArray>{"\r", "Lista stron zaktualizowanych:\r", "LP = 9 - Krak\xF3w\r",
                                               "LP = 12 - \xA3\x65\x62\x61\r", "\r", "Lista b\xB3\xEA\x64nych stron:\r",
                                               "LP = 7 - \xA3\xF3\x64\x9F\r", ""}));
    // Cancelled dialog: nothing.
    const int shown = m_dialogs->messages.size();
    child<QToolButton>("SpeedButton6")->click();
    QCOMPARE(m_dialogs->messages.size(), shown);
}

void TestTForm1::manualOpensOrIsReportedMissing()
{
    // The program lies in a folder of its own, the data (--dir) elsewhere.
    QTemporaryDir program;
    Installation::SetProgramDirectory(program.path());
    const auto restore = qScopeGuard([] { Installation::SetProgramDirectory(QString()); });
    ShellRecorder shell;
    TForm1& form = startWindow();
    child<QToolButton>("SpeedButton7")->click();
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Brak pliku instrukcji")});
    QVERIFY(shell.opened().isEmpty());
    QFile beside(program.filePath(QStringLiteral("instrukcja.pdf")));
    QVERIFY(beside.open(QIODevice::WriteOnly));
    beside.close();
    child<QToolButton>("SpeedButton7")->click();
    QCOMPARE(shell.opened(), QStringList{QUrl::fromLocalFile(beside.fileName()).toString()});
    QFile pdf(m_dir->filePath(QStringLiteral("instrukcja.pdf")));
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    pdf.close();
    child<QToolButton>("SpeedButton7")->click();
    QCOMPARE(shell.opened().size(), 2);
    QCOMPARE(shell.opened().last(), QUrl::fromLocalFile(pdf.fileName()).toString()); // the data folder's own first
    QCOMPARE(m_dialogs->messages.size(), 1);
    Q_UNUSED(form);
}

void TestTForm1::closingWithoutARunShutsDown()
{
    fillRegister({{QStringLiteral("A"), 0}, {QStringLiteral("B"), 0}});
    TForm1& form = startWindow();
    form.grid()->setCurrentIndex(form.grid()->model()->index(0, baza::Gmina));
    child<QAction>("Usun1")->trigger();
    form.DBGrid1TitleClick(baza::Gmina);
    QSignalSpy finished(&form, &TForm1::shutDownFinished);
    form.close();
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_dialogs->questions.isEmpty()); // no run, no question
    QVERIFY(!form.baza().table().isOpen());
    QCOMPARE(testdata::readAll(m_dir->filePath(QStringLiteral("baza.dbf"))).size(), 789 + 961 + 1); // packed
}

void TestTForm1::closingDuringARunAsks()
{
    HttpTestServer server;
    HttpTestServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(other.isListening());
    HttpTestServer::Response slow = HttpTestServer::Response::html("<html>\n<p>1 marca 2026</p>\n</html>\n");
    slow.delayMs = 1500;
    server.route("/slow", slow);
    server.route("/slow?3", slow);
    other.route("/slow?2", slow);
    const ConnectionOverride online(true);
    baza::Baza b(m_dir->path());
    b.OpenTable();
    // The third record waits for the first one's server.
    const QList<QPair<QString, QString>> records = {{QStringLiteral("Wolna"), server.url(QStringLiteral("/slow"))},
                                                    {QStringLiteral("Druga"), other.url(QStringLiteral("/slow?2"))},
                                                    {QStringLiteral("Trzecia"), server.url(QStringLiteral("/slow?3"))}};
    for (const auto& [gmina, page] : records) {
        b.table().append();
        b.table().setText(baza::Gmina, gmina);
        b.table().setText(baza::Info, page);
        b.table().post();
    }
    b.table().close();
    // Two pages at a time, as config.ini says.
    QFile ini(m_dir->filePath(QStringLiteral("config.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[opcje]\r\nwatki=2\r\nprzerwa=0\r\n");
    ini.close();
    TForm1& form = startWindow();
    auto* inFlight = child<QLabel>("StronWToku");
    QVERIFY(!inFlight->isVisible()); // only during a run
    auto* start = child<QToolButton>("SpeedButton1");
    start->click();
    QVERIFY(start->isChecked());
    QVERIFY(form.run().active());
    QTRY_VERIFY(!form.grid()->isEnabled()); // no editing during a run
    // The labels show the last record started; two checks are in flight,
    // the third record waits for its server without a slot.
    QTRY_COMPARE(child<QLabel>("NazwaGminy")->text(), QStringLiteral("Druga"));
    QCOMPARE(child<QLabel>("StronaInfo")->text(), other.url(QStringLiteral("/slow?2")));
    QCOMPARE(inFlight->text(), QStringLiteral("Stron w toku: 2"));
    QVERIFY(inFlight->isVisible());
    QCOMPARE(child<QProgressBar>("ProgressBar1")->text(), QStringLiteral("2 z 3"));

    QSignalSpy finished(&form, &TForm1::shutDownFinished);
    m_dialogs->answers << Dialogs::Answer::No;
    form.close();
    QCOMPARE(m_dialogs->questions, QStringList{QStringLiteral("Program jeszcze analizuje strony inernetowe.\r\nNa pewno chcesz zamknąć program?")});
    QCOMPARE(finished.count(), 0);
    QVERIFY(form.isVisible());
    QVERIFY(form.run().active());
    // Stopping by the button; the check in flight still reports.
    start->click();
    QVERIFY(!form.run().active());
    QVERIFY(form.grid()->isEnabled());
    QVERIFY(!inFlight->isVisible());
    QVERIFY(child<QProgressBar>("ProgressBar1")->text().isEmpty()); // an idle bar counts nothing
    QTRY_VERIFY_WITH_TIMEOUT(LiveThreads::count() == 0, 10000);
    QCOMPARE(form.baza().table().integerAt(0, baza::Z), 1);
    QCOMPARE(form.baza().table().integerAt(1, baza::Z), 1);
    QCOMPARE(form.baza().table().integerAt(2, baza::Z), 0); // it never started: the pass goes on from it
}

void TestTForm1::runSummaryInTheEventLogAndTheTray()
{
    HttpTestServer server;
    HttpTestServer::Response page = HttpTestServer::Response::html("<html>\n<p>1 marca 2026</p>\n</html>\n");
    page.delayMs = 300;
    server.route("/p", page);
    server.route("/missing", HttpTestServer::Response::statusPage(404, "Not Found"));
    const ConnectionOverride online(true);
    baza::Baza b(m_dir->path());
    b.OpenTable();
    for (const char* path : {"/p", "/missing"}) {
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Gmina"));
        b.table().setText(baza::Info, server.url(QString::fromLatin1(path)));
        // Checked before: the run compares, it takes no baseline.
        b.table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 1, 5)));
        b.table().post();
    }
    b.table().close();
    const QString first = QStringLiteral(
        "Kontrola zakończona. Zaktualizowane: 1, błędy odczytu: 1, przekroczony czas: 0, sprawdzone strony: 2.");
    const QString again = QStringLiteral( // the page unchanged since
        "Kontrola zakończona. Zaktualizowane: 0, błędy odczytu: 1, przekroczony czas: 0, sprawdzone strony: 2.");
    TForm1& form = startWindow();
    auto* log = child<QComboBox>("ComboBox1");
    // In sight: the event log says it, the tray does not.
    child<QToolButton>("SpeedButton1")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form.run().active() && LiveThreads::count() == 0, 10000);
    QTRY_VERIFY(log->count() > 0 && log->itemText(0).endsWith(QStringLiteral(" => ") + first));
    QVERIFY(form.trayMessage().isEmpty());
    // The register held shared again after the run keeps the grid's columns.
    QTRY_VERIFY(!form.baza().table().exclusive());
    for (int c : {baza::Size, baza::Row, baza::Tag, baza::Kod, baza::Z, baza::Dom, baza::Info, baza::Bip})
        QVERIFY2(form.grid()->isColumnHidden(c), qPrintable(QString::number(c)));
    QVERIFY(!form.grid()->isColumnHidden(baza::Uwagi));

    // In the tray (as minimising with the tray option leaves it): the tray
    // tells as well.
    form.hide();
    child<QSystemTrayIcon>("TrayIcon1")->show();
    form.run().Start();
    QTRY_VERIFY_WITH_TIMEOUT(!form.run().active() && LiveThreads::count() == 0, 10000);
    QTRY_COMPARE(form.trayMessage(), again);
    QVERIFY(log->itemText(0).endsWith(QStringLiteral(" => ") + again));
    form.TrayIcon1DblClick();
}

void TestTForm1::settingsAreLoadedAtTheFirstActivation()
{
    QFile ini(m_dir->filePath(QStringLiteral("config.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[opcje]\r\ntray=1\r\nczas=3\r\nhost=ftp.gmina.pl\r\n");
    ini.close();
    startWindow();
    QVERIFY(m_settings->tray);
    QCOMPARE(m_settings->timeLimitIndex, 3);
    QCOMPARE(m_settings->host, QStringLiteral("ftp.gmina.pl"));
    // Not again: a change in the window stays until the program ends.
    m_settings->timeLimitIndex = 0;
    m_form->hide();
    m_form->show();
    QCOMPARE(m_settings->timeLimitIndex, 0);
}

void TestTForm1::publishButtonRefusesOrPublishes()
{
    startWindow();
    auto* publish = child<QToolButton>("SpeedButton4");
    publish->click();
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Brak danych do wysyłki w bazie")});

    FtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.makeDirectory(QStringLiteral("www")));
    QVERIFY(server.putFile(QStringLiteral("www/wykaz.txt"), "Stary wpis\r\n"));
    m_settings->host = server.host();
    m_settings->directory = QStringLiteral("/www");
    m_settings->user = server.user();
    m_settings->password = server.password();
    dbf::DbfTable& t = m_form->baza().table();
    t.append();
    t.setText(baza::Gmina, QStringLiteral("Kampinos"));
    t.setText(baza::Natura2000, QStringLiteral("Puszcza Kampinoska"));
    t.setText(baza::Info, QStringLiteral("http://kampinos.pl/info"));
    t.setDate(baza::Aktualizacja, datevalue::fromDate(QDate(2026, 3, 15)));
    t.setInteger(baza::Kod, 3);
    t.post();
    {
        const ConnectionOverride offline(false);
        publish->click();
        QVERIFY(m_form->report().events().first().endsWith(QStringLiteral(" => Brak połącznia z Internetem")));
    }
    const ConnectionOverride online(true);
    publish->click();
    // The transfer works on its own thread; the window follows it.
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->publication().running(), 20000);
    const QStringList events = m_form->report().events();
    QVERIFY(events.at(0).endsWith(QStringLiteral(" => Plik wysłany.")));
    QVERIFY(events.at(1).endsWith(QStringLiteral(" => Plik pobrany.")));
    QCOMPARE(server.fileBytes(QStringLiteral("www/wykaz.txt")),
             QByteArray("Stary wpis\r\nDnia 15 marca 2026 wprowadzono zmiany na stronie gminy <a href=\"http://kampinos.pl/info\" "
                        "target=_blank><b>Kampinos</b></a> (obszar Natura 2000: Puszcza Kampinoska). <hr>\r\n"));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("wykaz.txt"))));
    QVERIFY(m_form->grid()->isVisible());
    QCOMPARE(child<QLabel>("Panel2")->text(), QStringLiteral("Przetwarzanie. Czekaj ..."));
}

void TestTForm1::damagedTableIsReportedAndNothingIsOverwritten()
{
    const QString dbf = m_dir->filePath(QStringLiteral("baza.dbf"));
    QFile f(dbf);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray garbage = QByteArray("Gmina;Natura2000\r\n").repeated(20);
    f.write(garbage);
    f.close();
    TForm1& form = startWindow();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY(m_dialogs->errors.first().contains(dbf));
    QVERIFY(form.isVisible()); // the program goes on
    QCOMPARE(form.grid()->model()->rowCount(), 0);
    // A title click on a table that is not open says "Błąd sortowania".
    form.DBGrid1TitleClick(baza::Gmina);
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Błąd sortowania")});
    QSignalSpy finished(&form, &TForm1::shutDownFinished);
    form.close();
    QCOMPARE(finished.count(), 1); // closing still ends the program
    QCOMPARE(testdata::readAll(dbf), garbage);
}

void TestTForm1::aSecondWindowOnTheRegisterSaysSo()
{
    fillRegister({{QStringLiteral("Kampinos"), 0}, {QStringLiteral("Łomianki"), 0}});
    const QString dbf = m_dir->filePath(QStringLiteral("baza.dbf"));
    TForm1& first = startWindow();
    QCOMPARE(first.baza().table().recordCount(), 2);
    QVERIFY(m_dialogs->errors.isEmpty());
    // The idle window holds the register shared: readers read, writers are
    // refused in Polish.
    const QStringList dir{QStringLiteral("--dir"), m_dir->path()};
    const auto list = testdata::run(QStringLiteral("ekowarta-cli"), dir + QStringList{QStringLiteral("list")});
    QCOMPARE(list.exitCode, 0);
    QCOMPARE(list.out.count('\n'), 3);
    const auto mark = testdata::run(QStringLiteral("ekowarta-cli"),
                                    dir + QStringList{QStringLiteral("mark"), QStringLiteral("1"), QStringLiteral("3")});
    QCOMPARE(mark.exitCode, 1);
    QVERIFY2(QString::fromUtf8(mark.err).contains(QStringLiteral("jest używany przez inny program lub okno")),
             mark.err.constData());
    const QByteArray before = testdata::readAll(dbf);

    TForm1 second(*m_settings, *m_dialogs, m_dir->path());
    QSignalSpy ended(&second, &TForm1::shutDownFinished);
    second.show();
    QCoreApplication::processEvents();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY2(m_dialogs->errors.first().contains(QStringLiteral("jest otwarty w innym oknie programu")),
             qPrintable(m_dialogs->errors.first()));
    QVERIFY(m_dialogs->errors.first().contains(dbf));
    // It ends after the message instead of staying as an empty window.
    QTRY_COMPARE(ended.size(), 1);
    QVERIFY(!second.isVisible());
    QCOMPARE(m_dialogs->errors.size(), 1);
    second.close(); // nothing packed or written by the refused window
    QCOMPARE(testdata::readAll(dbf), before);
    QCOMPARE(first.baza().table().recordCount(), 2);
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestTForm1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tform1.moc"
