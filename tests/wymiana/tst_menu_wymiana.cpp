// The main window's menu "Rejestr": import and export through the window,
// with the file names answered by the script.
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "support/scripteddialogs.h"
#include "support/testdata.h"
#include "tform1.h"
#include "wymiana/registerexport.h"

#include <QAction>
#include <QMenuBar>
#include <QTableView>
#include <QtTest>

class TestMenuWymiana : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TForm1> m_form;

    QAction* action(const char* name) const
    {
        auto* a = m_form->findChild<QAction*>(QLatin1String(name));
        if (!a)
            qFatal("no action %s", name);
        return a;
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir->filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_settings = std::make_unique<Settings>();
        m_form = std::make_unique<TForm1>(*m_settings, *m_dialogs, m_dir->path());
        m_form->show();
        QCoreApplication::processEvents();
    }
    void cleanup()
    {
        m_form.reset();
    }

    void menuOffersImportAndExport();
    void importShowsTheRecordsInTheGrid();
    void importWithBadRowsShowsOneBoxAndWritesNothing();
    void exportWritesTheVisibleRecords();
};

void TestMenuWymiana::menuOffersImportAndExport()
{
    QAction* menu = action("Rejestr1");
    QCOMPARE(menu->text(), QStringLiteral("Rejestr"));
    QVERIFY(m_form->menuBar()->actions().contains(menu));
    QCOMPARE(action("Importuj1")->text(), QStringLiteral("Importuj z pliku CSV…"));
    QCOMPARE(action("Eksportuj1")->text(), QStringLiteral("Eksportuj do pliku CSV…"));
}

void TestMenuWymiana::importShowsTheRecordsInTheGrid()
{
    m_dialogs->fileNames << writeFile(QStringLiteral("gminy.csv"),
                                      "\xEF\xBB\xBFGmina;Natura2000;Wojewodztwo;info\r\n"
                                      "Kampinos;Puszcza;mazowieckie;kampinos.pl\r\n"
                                      "Izabelin;Puszcza;mazowieckie;izabelin.pl\r\n");
    action("Importuj1")->trigger();
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Do rejestru dodano rekordów: 2")});
    QTableView* grid = m_form->grid();
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->index(1, baza::Gmina).data().toString(), QStringLiteral("Izabelin"));
    // The grid follows the cursor to the last record added.
    QTRY_COMPARE(grid->currentIndex().row(), 1);
    QCOMPARE(m_form->baza().table().textAt(0, baza::Info), QStringLiteral("kampinos.pl"));
}

void TestMenuWymiana::importWithBadRowsShowsOneBoxAndWritesNothing()
{
    m_dialogs->fileNames << writeFile(QStringLiteral("zle.csv"), "Gmina,Natura2000,Wojewodztwo\n"
                                                                 "Dobra,Obszar,opolskie\n"
                                                                 ",Obszar,opolskie\n"
                                                                 "Trzecia,Obszar,\n");
    const QByteArray before = testdata::readAll(m_form->baza().dbfPath());
    action("Importuj1")->trigger();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.first(),
             QStringLiteral("Plik nie został zaimportowany, rejestr pozostał bez zmian. Błędy:\r\n"
                            "wiersz 3: Brak nazwy gminy !\r\n"
                            "wiersz 4: Brak województwa !"));
    QCOMPARE(m_form->grid()->model()->rowCount(), 0);
    QCOMPARE(testdata::readAll(m_form->baza().dbfPath()), before);
}

void TestMenuWymiana::exportWritesTheVisibleRecords()
{
    m_dialogs->fileNames << writeFile(QStringLiteral("gminy.csv"),
                                      "Gmina;Natura2000;Wojewodztwo\r\n"
                                      "A;Obszar;opolskie\r\nB;Obszar;opolskie\r\n");
    action("Importuj1")->trigger();
    m_form->grid()->setCurrentIndex(m_form->grid()->model()->index(0, baza::Gmina));
    QCoreApplication::processEvents();
    m_form->Usun1Click();
    const QString out = m_dir->filePath(QStringLiteral("eksport.csv"));
    m_dialogs->fileNames << out;
    action("Eksportuj1")->trigger();
    QCOMPARE(m_dialogs->messages.last(), QStringLiteral("Rejestr został zapisany (rekordów: 1)"));
    const QString text = QString::fromUtf8(testdata::readAll(out));
    QVERIFY(text.contains(QStringLiteral("\r\n2;B;Obszar;opolskie;")));
    QVERIFY(!text.contains(QStringLiteral(";A;")));
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestMenuWymiana test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_menu_wymiana.moc"
