// Import and export of the register against real tables in a temporary
// directory: what a spreadsheet writes comes in as "Dodaj" would add it,
// one bad row keeps the whole file out, and an export imports back.
#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/voivodeships.h"
#include "platform/fileerror.h"
#include "support/scripteddialogs.h"
#include "support/testdata.h"
#include "text/datevalue.h"
#include "wymiana/registercommands.h"
#include "wymiana/registerexport.h"
#include "wymiana/registerimport.h"

#include <QtTest>

using wymiana::ImportPlan;

namespace {

QByteArray cp1250Bytes(const char* utf8)
{
    // The few Polish letters the fixtures use, as a spreadsheet on a Polish
    // Windows writes them.
    QByteArray out;
    const QString text = QString::fromUtf8(utf8);
    const QString from = QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
    const QByteArray to("\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF");
    for (QChar c : text) {
        const qsizetype i = from.indexOf(c);
        out += i >= 0 ? to[i] : char(c.unicode());
    }
    return out;
}

} // namespace

class TestRegisterImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<baza::Baza> m_baza;

    dbf::DbfTable& table() { return m_baza->table(); }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir->filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QStringList problemTexts(const ImportPlan& plan)
    {
        QStringList texts;
        for (const wymiana::ImportProblem& p : plan.problems)
            texts << wymiana::ProblemText(p);
        return texts;
    }

    void addStored(const QString& gmina, const QString& natura, const QString& woj,
                   const QString& dom, const QString& info, const QString& bip)
    {
        table().append();
        table().setText(baza::Gmina, gmina);
        table().setText(baza::Natura2000, natura);
        table().setText(baza::Wojewodztwo, woj);
        table().setText(baza::Dom, dom);
        table().setText(baza::Info, info);
        table().setText(baza::Bip, bip);
        table().post();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_baza = std::make_unique<baza::Baza>(m_dir->path());
        m_baza->OpenTable();
    }
    void cleanup()
    {
        m_baza.reset();
        m_dir.reset();
    }

    void spreadsheetWithSemicolonsInWindows1250();
    void utf8WithBomAndQuotedCommas();
    void headerInAnyOrderAndCaseWithOtherColumns();
    void rowsFailingAsTheEditorFails_data();
    void rowsFailingAsTheEditorFails();
    void oneBadRowAmongGoodOnesWritesNothing();
    void fileLevelProblems_data();
    void fileLevelProblems();
    void newRecordsAreAddedAsDodajAddsThem();
    void exportWritesEveryFieldForASpreadsheet();
    void exportThenImportGivesTheSameRegister();
    void exportRefusesTheRegisterItself();
    void refusalTextFitsAMessageBox();
    void menuImportRefusesDuringARun();
    void menuExportAsksBeforeOverwriting();
};

void TestRegisterImport::spreadsheetWithSemicolonsInWindows1250()
{
    const QByteArray bytes =
        cp1250Bytes("Gmina;Natura2000;Wojewodztwo;dom;info;bip\r\n"
                    "Łódź;Dolina Środkowej Warty;ŁÓDZKIE;www.lodz.pl;http://bip.lodz.pl/ś;\r\n"
                    "Kampinos;Puszcza Kampinoska;mazowieckie ;;;bip.kampinos.pl\r\n");
    const ImportPlan plan = wymiana::PlanImport(bytes);
    QVERIFY2(plan.ok(), qPrintable(problemTexts(plan).join('\n')));
    QCOMPARE(plan.records.size(), 2);
    QCOMPARE(plan.records[0].gmina, QStringLiteral("Łódź"));
    QCOMPARE(plan.records[0].natura2000, QStringLiteral("Dolina Środkowej Warty"));
    QCOMPARE(plan.records[0].voivodeship, 4);
    QCOMPARE(plan.records[0].info, QStringLiteral("http://bip.lodz.pl/ś"));
    QCOMPARE(plan.records[1].voivodeship, 6);
    QCOMPARE(plan.records[1].bip, QStringLiteral("bip.kampinos.pl"));

    wymiana::ApplyImport(table(), plan);
    QCOMPARE(table().recordCount(), 2);
    // The voivodeship as the list names it, whatever the file's spelling.
    QCOMPARE(table().textAt(0, baza::Wojewodztwo), QStringLiteral("łódzkie"));
    QCOMPARE(table().textAt(1, baza::Wojewodztwo), QStringLiteral("mazowieckie"));
    QCOMPARE(table().textAt(0, baza::Gmina), QStringLiteral("Łódź"));
}

void TestRegisterImport::utf8WithBomAndQuotedCommas()
{
    const QByteArray bytes("\xEF\xBB\xBF"
                           "Gmina,Natura2000,Wojewodztwo,info\n"
                           "\"Gmina \"\"Wiejska\"\", Nowa\",\"Ostoja, "
                           "Dolina\",\xC5\x9Bl\xC4\x85skie,\"http://a.pl/?x=1,2\"\n");
    const ImportPlan plan = wymiana::PlanImport(bytes);
    QVERIFY2(plan.ok(), qPrintable(problemTexts(plan).join('\n')));
    QCOMPARE(plan.records.size(), 1);
    QCOMPARE(plan.records[0].gmina, QStringLiteral("Gmina \"Wiejska\", Nowa"));
    QCOMPARE(plan.records[0].natura2000, QStringLiteral("Ostoja, Dolina"));
    QCOMPARE(plan.records[0].voivodeship, 11);
    QCOMPARE(plan.records[0].info, QStringLiteral("http://a.pl/?x=1,2"));
    QVERIFY(plan.records[0].dom.isEmpty()); // missing optional columns are empty
    QVERIFY(plan.records[0].bip.isEmpty());
}

void TestRegisterImport::headerInAnyOrderAndCaseWithOtherColumns()
{
    const QByteArray bytes("LP;BIP;uwagi;WOJEWODZTWO;natura2000; gmina ;kod\r\n"
                           "7;bip.x.pl;stara uwaga;opolskie;Obszar;Gmina X;3\r\n");
    const ImportPlan plan = wymiana::PlanImport(bytes);
    QVERIFY2(plan.ok(), qPrintable(problemTexts(plan).join('\n')));
    QCOMPARE(plan.records.size(), 1);
    QCOMPARE(plan.records[0].gmina, QStringLiteral("Gmina X"));
    QCOMPARE(plan.records[0].natura2000, QStringLiteral("Obszar"));
    QCOMPARE(plan.records[0].voivodeship, 7);
    QCOMPARE(plan.records[0].bip, QStringLiteral("bip.x.pl"));
    wymiana::ApplyImport(table(), plan);
    QCOMPARE(table().integerAt(0, baza::Kod), 0); // other columns are not taken
    QCOMPARE(table().integerAt(0, baza::LP), 1);
    QVERIFY(table().textAt(0, baza::Uwagi).isEmpty());
}

void TestRegisterImport::rowsFailingAsTheEditorFails_data()
{
    QTest::addColumn<QByteArray>("row"); // Gmina;Natura2000;Wojewodztwo;dom
    QTest::addColumn<QString>("problem");
    QTest::newRow("no name") << QByteArray(";Obszar;opolskie;")
                             << QStringLiteral("wiersz 2: Brak nazwy gminy !");
    QTest::newRow("name of blanks")
        << QByteArray("   ;Obszar;opolskie;") << QStringLiteral("wiersz 2: Brak nazwy gminy !");
    QTest::newRow("no area") << QByteArray("Gmina; ;opolskie;")
                             << QStringLiteral("wiersz 2: Brak nazwy obszaru Natura 2000 !");
    QTest::newRow("no voivodeship")
        << QByteArray("Gmina;Obszar;;") << QStringLiteral("wiersz 2: Brak województwa !");
    QTest::newRow("unknown voivodeship")
        << QByteArray("Gmina;Obszar;Mazowsze;")
        << QStringLiteral("wiersz 2: Brak województwa ! (nieznana nazwa \"Mazowsze\")");
    QTest::newRow("all three, in the editor's order")
        << QByteArray(";;;www.x.pl")
        << QStringLiteral("wiersz 2: Brak nazwy gminy !; Brak nazwy obszaru Natura 2000 !; "
                          "Brak województwa !");
    QTest::newRow("name too long")
        << QByteArray(41, 'g') + ";Obszar;opolskie;"
        << QStringLiteral("wiersz 2: kolumna Gmina: tekst ma 41 znaków, a pole mieści "
                          "najwyżej 40");
    QTest::newRow("address too long")
        << QByteArray("Gmina;Obszar;opolskie;") + QByteArray(251, 'w')
        << QStringLiteral("wiersz 2: kolumna dom: tekst ma 251 znaków, a pole mieści najwyżej 250");
    QTest::newRow("line break in a name")
        << QByteArray("\"Gmina\nDruga\";Obszar;opolskie;")
        << QStringLiteral(
               "wiersz 2: kolumna Gmina: tekst zawiera znak sterujący (np. podział wiersza)");
    QTest::newRow("not in the code page")
        << QByteArray("Gmina \xE2\x98\x83;Obszar;opolskie;")
        << QStringLiteral(
               "wiersz 2: kolumna Gmina: tekst zawiera znaki spoza strony kodowej Windows-1250");
    QTest::newRow("more values than columns")
        << QByteArray("Gmina;Obszar;opolskie;a;b")
        << QStringLiteral(
               "wiersz 2: wiersz ma 5 pól, a nagłówek 4 (separator w tekście bez cudzysłowu?)");
}

void TestRegisterImport::rowsFailingAsTheEditorFails()
{
    QFETCH(QByteArray, row);
    QFETCH(QString, problem);
    const ImportPlan plan =
        wymiana::PlanImport("Gmina;Natura2000;Wojewodztwo;dom\r\n" + row + "\r\n");
    QCOMPARE(problemTexts(plan), QStringList{problem});
    QVERIFY(plan.records.isEmpty());
}

void TestRegisterImport::oneBadRowAmongGoodOnesWritesNothing()
{
    addStored(QStringLiteral("Stara"), QStringLiteral("Obszar"), QStringLiteral("opolskie"), {}, {},
              {});
    const QByteArray before = testdata::readAll(m_baza->dbfPath());
    const QString path = writeFile(QStringLiteral("rejestr.csv"),
                                   "Gmina,Natura2000,Wojewodztwo\n"
                                   "Pierwsza,Obszar A,lubuskie\n"
                                   "Druga,Obszar B,lubuskie\n"
                                   ",,,\n" // blank rows of a spreadsheet are skipped
                                   "Trzecia,,lubuskie\n"
                                   "\"Czwarta\n(dwa wiersze)\",Obszar D,lubuskie\n"
                                   "Piąta,Obszar E,Lubuszczyzna\n");
    const ImportPlan plan = wymiana::PlanImportFile(path);
    QVERIFY(!plan.ok());
    QCOMPARE(
        problemTexts(plan),
        (QStringList{
            QStringLiteral("wiersz 5: Brak nazwy obszaru Natura 2000 !"),
            QStringLiteral(
                "wiersz 6: kolumna Gmina: tekst zawiera znak sterujący (np. podział wiersza)"),
            QStringLiteral("wiersz 8: Brak województwa ! (nieznana nazwa \"Lubuszczyzna\")")}));
    wymiana::ApplyImport(table(), plan);
    QCOMPARE(table().recordCount(), 1);
    QCOMPARE(testdata::readAll(m_baza->dbfPath()), before);
}

void TestRegisterImport::fileLevelProblems_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("problems");
    QTest::newRow("empty") << QByteArray()
                           << QStringList{
                                  QStringLiteral("plik jest pusty (brak wiersza nagłówka)")};
    QTest::newRow("missing columns")
        << QByteArray("Gmina;Obszar;dom\r\nA;B;c\r\n")
        << QStringList{QStringLiteral("wiersz 1: w nagłówku brak kolumny Natura2000"),
                       QStringLiteral("wiersz 1: w nagłówku brak kolumny Wojewodztwo")};
    QTest::newRow("a column twice")
        << QByteArray("Gmina;Natura2000;Wojewodztwo;gmina\r\n")
        << QStringList{
               QStringLiteral("wiersz 1: kolumna Gmina występuje w nagłówku więcej niż raz")};
    QTest::newRow("unterminated quote")
        << QByteArray("Gmina;Natura2000;Wojewodztwo\r\nA;B;opolskie\r\n\"C;D;opolskie\r\n")
        << QStringList{QStringLiteral(
               "wiersz 3: cudzysłów otwarty w tym wierszu nie jest zamknięty do końca pliku")};
}

void TestRegisterImport::fileLevelProblems()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, problems);
    QCOMPARE(problemTexts(wymiana::PlanImport(bytes)), problems);
}

void TestRegisterImport::newRecordsAreAddedAsDodajAddsThem()
{
    addStored(QStringLiteral("Stara"), QStringLiteral("Obszar"), QStringLiteral("opolskie"), {}, {},
              {});
    const ImportPlan plan = wymiana::PlanImport("Gmina;Natura2000;Wojewodztwo\r\n"
                                                " Nowa ;Obszar N;podlaskie\r\n"
                                                "Ostatnia;Obszar O;podlaskie\r\n");
    QVERIFY(plan.ok());
    wymiana::ApplyImport(table(), plan);
    QCOMPARE(table().recordCount(), 3);
    for (int row = 1; row < 3; ++row) {
        QCOMPARE(table().integerAt(row, baza::Kod), 0);
        QVERIFY(!table().isNullAt(row, baza::Kod));
        QCOMPARE(table().dateAt(row, baza::Aktualizacja), datevalue::kZeroDate);
        QCOMPARE(table().dateAt(row, baza::DataKontroli), datevalue::kZeroDate);
        for (int f : {baza::Size, baza::Row, baza::Tag, baza::Z, baza::Uwagi})
            QVERIFY(table().isNullAt(row, f)); // the next run checks it
        QCOMPARE(table().integerAt(row, baza::LP), row + 1);
    }
    QCOMPARE(table().textAt(1, baza::Gmina),
             QStringLiteral(" Nowa")); // as given; the file keeps no trailing blanks
    QCOMPARE(table().row(), 2);        // the last one is current
}

void TestRegisterImport::exportWritesEveryFieldForASpreadsheet()
{
    addStored(QStringLiteral("Łódź; \"Stare\" Miasto"), QStringLiteral("Obszar"),
              QStringLiteral("łódzkie"), QStringLiteral("www.lodz.pl"), {}, {});
    table().edit();
    table().setDate(baza::Aktualizacja, datevalue::fromDate(QDate(2026, 3, 15)));
    table().setInteger(baza::Size, -1);
    table().setInteger(baza::Kod, 3);
    table().setText(baza::Uwagi, QStringLiteral("text/html"));
    table().post();
    addStored(QStringLiteral("Usunięta"), QStringLiteral("X"), QStringLiteral("opolskie"), {}, {},
              {});
    table().deleteRecord();

    const QString path = m_dir->filePath(QStringLiteral("eksport.csv"));
    QCOMPARE(wymiana::ExportRegister(*m_baza, path), 1);
    const QByteArray bytes = testdata::readAll(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    QCOMPARE(
        text,
        QStringLiteral(
            "LP;Gmina;Natura2000;Wojewodztwo;Aktualizacja;DataKontroli;size;row;tag;kod;dom;info;"
            "bip;uwagi;z\r\n"
            "1;\"Łódź; \"\"Stare\"\" Miasto\";Obszar;łódzkie;2026-03-15;;-1;;;3;www.lodz.pl;;;"
            "text/html;\r\n"));
}

void TestRegisterImport::exportThenImportGivesTheSameRegister()
{
    addStored(QStringLiteral("Łódź; \"Stare\" Miasto"), QStringLiteral("Dolina, Warta"),
              QStringLiteral("łódzkie"), QStringLiteral("www.lodz.pl"),
              QStringLiteral("http://lodz.pl/ogłoszenia?a=1;b=2"), {});
    addStored(QStringLiteral(" Zażółć"), QStringLiteral("Gęślą jaźń"),
              QStringLiteral("ŚWIĘTOKRZYSKIE"), {}, {}, QStringLiteral("bip.gesla.pl"));
    addStored(QString(40, QLatin1Char('x')), QString(60, QLatin1Char('y')),
              QStringLiteral("zachodniopomorskie"), QString(250, QLatin1Char('d')),
              QString(250, QLatin1Char('i')), QString(250, QLatin1Char('b')));
    const QString path = m_dir->filePath(QStringLiteral("rejestr.csv"));
    wymiana::ExportRegister(*m_baza, path);

    QTemporaryDir other;
    baza::Baza copy(other.path());
    copy.OpenTable();
    const ImportPlan plan = wymiana::PlanImportFile(path);
    QVERIFY2(plan.ok(), qPrintable(problemTexts(plan).join('\n')));
    wymiana::ApplyImport(copy.table(), plan);
    QCOMPARE(copy.table().recordCount(), table().recordCount());
    for (int row = 0; row < table().recordCount(); ++row) {
        for (int f : {baza::Gmina, baza::Natura2000, baza::Dom, baza::Info, baza::Bip})
            QCOMPARE(copy.table().textAt(row, f), table().textAt(row, f));
        // Stored as the list names it.
        QCOMPARE(copy.table().textAt(row, baza::Wojewodztwo),
                 baza::VoivodeshipName(
                     baza::VoivodeshipPosition(table().textAt(row, baza::Wojewodztwo))));
    }
}

void TestRegisterImport::exportRefusesTheRegisterItself()
{
    addStored(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("opolskie"), {}, {}, {});
    const QByteArray before = testdata::readAll(m_baza->dbfPath());
    QVERIFY_THROWS_EXCEPTION(FileError, wymiana::ExportRegister(*m_baza, m_baza->dbfPath()));
    QVERIFY_THROWS_EXCEPTION(
        FileError, wymiana::ExportRegister(*m_baza, m_dir->path() + QStringLiteral("/./baza.dbf")));
    QCOMPARE(testdata::readAll(m_baza->dbfPath()), before);
    QVERIFY_THROWS_EXCEPTION(
        FileError,
        wymiana::ExportRegister(*m_baza, m_dir->filePath(QStringLiteral("brak/katalogu.csv"))));
}

void TestRegisterImport::refusalTextFitsAMessageBox()
{
    QList<wymiana::ImportProblem> problems;
    for (int line = 2; line < 42; ++line)
        problems.append({line, QStringLiteral("Brak nazwy gminy !")});
    const QStringList lines = wymiana::RefusalText(problems, 25).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 1 + 25 + 1);
    QCOMPARE(lines.first(),
             QStringLiteral("Plik nie został zaimportowany, rejestr pozostał bez zmian. Błędy:"));
    QCOMPARE(lines[1], QStringLiteral("wiersz 2: Brak nazwy gminy !"));
    QCOMPARE(lines[25], QStringLiteral("wiersz 26: Brak nazwy gminy !"));
    QCOMPARE(lines.last(), QStringLiteral("… i 15 dalszych"));
    QCOMPARE(wymiana::RefusalText(problems.mid(0, 2), 25).count(QStringLiteral("\r\n")), 2);
}

void TestRegisterImport::menuImportRefusesDuringARun()
{
    ScriptedDialogs dialogs;
    dialogs.fileNames << writeFile(QStringLiteral("a.csv"),
                                   "Gmina;Natura2000;Wojewodztwo\r\nA;B;opolskie\r\n");
    wymiana::ImportRegisterFromFile(*m_baza, dialogs, true);
    QCOMPARE(dialogs.messages,
             QStringList{QStringLiteral("Program jeszcze analizuje strony inernetowe.")});
    QCOMPARE(dialogs.fileNames.size(), 1); // not even asked for a file
    QCOMPARE(table().recordCount(), 0);
    // A cancelled open dialog does nothing.
    dialogs.fileNames.clear();
    dialogs.fileNames << QString();
    wymiana::ImportRegisterFromFile(*m_baza, dialogs, false);
    QCOMPARE(dialogs.messages.size(), 1);
}

void TestRegisterImport::menuExportAsksBeforeOverwriting()
{
    addStored(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("opolskie"), {}, {}, {});
    ScriptedDialogs dialogs;
    const QString path = writeFile(QStringLiteral("stary.csv"), "stary");
    dialogs.fileNames << path;
    dialogs.answers << Dialogs::Answer::No;
    wymiana::ExportRegisterToFile(*m_baza, dialogs);
    QCOMPARE(dialogs.proposedNames, QStringList{QStringLiteral("rejestr.csv")});
    QCOMPARE(dialogs.questions, QStringList{QStringLiteral(
                                    "Plik o podanej nazwie już istnieje.\r\nChcesz go nadpisać?")});
    QCOMPARE(testdata::readAll(path), QByteArray("stary"));
    QVERIFY(dialogs.messages.isEmpty());
    dialogs.fileNames << path;
    dialogs.answers << Dialogs::Answer::Yes;
    wymiana::ExportRegisterToFile(*m_baza, dialogs);
    QCOMPARE(dialogs.messages,
             QStringList{QStringLiteral("Rejestr został zapisany (rekordów: 1)")});
    QCOMPARE(testdata::readAll(path), wymiana::RegisterCsv(table()));
}

QTEST_GUILESS_MAIN(TestRegisterImport)
#include "tst_registerimport.moc"
