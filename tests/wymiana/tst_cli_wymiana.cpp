// ekowarta-cli import, export and add, run as the user runs them.
#include "baza/baza.h"
#include "baza/fields.h"
#include "dbf/dbferror.h"
#include "support/testdata.h"
#include "wymiana/registerexport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <csignal>

class TestCliWymiana : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString dbf() const { return path(QStringLiteral("baza.dbf")); }

    testdata::ProcessResult cli(const QStringList& args)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"),
                             QStringList{QStringLiteral("--dir"), m_dir->path()} + args);
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }

    QStringList gminy()
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        QStringList names;
        for (int row = 0; row < b.table().recordCount(); ++row)
            names << b.table().textAt(row, baza::Gmina);
        return names;
    }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void importCreatesAMissingRegister();
    void importWithABadRowWritesNothingAndListsIt();
    void importRefusedWhileTheProgramHoldsTheTable_data();
    void importRefusedWhileTheProgramHoldsTheTable();
    void exportThenImportRoundTrip();
    void importKilledAnywhereLeavesOldOrWholeRegister();
    void addChecksAsTheEditor_data();
    void addChecksAsTheEditor();
    void addAppendsOneRecord();
};

void TestCliWymiana::importCreatesAMissingRegister()
{
    QVERIFY(!QFile::exists(dbf()));
    const QString csv = writeFile(QStringLiteral("nowe.csv"),
                                  "Gmina;Natura2000;Wojewodztwo;dom\r\n"
                                  "Kampinos;Puszcza Kampinoska;mazowieckie;www.kampinos.pl\r\n"
                                  "\xA3\xF3\x64\x9F;Warta;\xA3\xD3\x44ZKIE;\r\n");
    const testdata::ProcessResult r = cli({QStringLiteral("import"), csv});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.out, QByteArray("Do rejestru dodano rekordów: 2\n"));
    QVERIFY(QFile::exists(dbf()));
    QCOMPARE(gminy(), (QStringList{QStringLiteral("Kampinos"), QStringLiteral("Łódź")}));
}

void TestCliWymiana::importWithABadRowWritesNothingAndListsIt()
{
    const QString good =
        writeFile(QStringLiteral("dobry.csv"), "Gmina,Natura2000,Wojewodztwo\nA,Obszar,opolskie\n");
    QCOMPARE(cli({QStringLiteral("import"), good}).exitCode, 0);
    const QByteArray before = testdata::readAll(dbf());
    const QString bad = writeFile(QStringLiteral("zly.csv"), "Gmina,Natura2000,Wojewodztwo\n"
                                                             "B,Obszar,opolskie\n"
                                                             "   ,Obszar,opolskie\n"
                                                             "D,Obszar,opolskie\n");
    const testdata::ProcessResult r = cli({QStringLiteral("import"), bad});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.contains(QStringLiteral("rejestr pozostał bez zmian")), r.err.constData());
    QVERIFY2(err.contains(QStringLiteral("  wiersz 3: Brak nazwy gminy !\n")), r.err.constData());
    QCOMPARE(err.count(QStringLiteral("wiersz")), 1);
    QCOMPARE(testdata::readAll(dbf()), before);
    // A missing file and a bad call.
    QCOMPARE(cli({QStringLiteral("import"), path(QStringLiteral("brak.csv"))}).exitCode, 1);
    QCOMPARE(cli({QStringLiteral("import")}).exitCode, 2);
    QCOMPARE(cli({QStringLiteral("import"), good, QStringLiteral("--force")}).exitCode, 2);
    QCOMPARE(testdata::readAll(dbf()), before);
}

void TestCliWymiana::importRefusedWhileTheProgramHoldsTheTable_data()
{
    QTest::addColumn<bool>("exclusive");
    QTest::newRow("the program, idle (shared)") << false;
    QTest::newRow("the program, running (exclusive)") << true;
}

void TestCliWymiana::importRefusedWhileTheProgramHoldsTheTable()
{
    QFETCH(bool, exclusive);
    baza::CreateTable(dbf());
    dbf::DbfTable held;
    held.setFileName(dbf());
    held.setExclusive(exclusive);
    held.open();
    const QString csv =
        writeFile(QStringLiteral("a.csv"), "Gmina;Natura2000;Wojewodztwo\r\nA;B;opolskie\r\n");
    const testdata::ProcessResult r = cli({QStringLiteral("import"), csv});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("jest używany przez inny program lub okno")), r.err.constData());
    const testdata::ProcessResult add =
        cli({QStringLiteral("add"), QStringLiteral("--gmina"), QStringLiteral("A"),
             QStringLiteral("--natura2000"), QStringLiteral("B"), QStringLiteral("--wojewodztwo"),
             QStringLiteral("opolskie")});
    QCOMPARE(add.exitCode, 1);
    QCOMPARE(held.recordCount(), 0);
    held.close();
    QCOMPARE(gminy(), QStringList());
}

void TestCliWymiana::importKilledAnywhereLeavesOldOrWholeRegister()
{
    constexpr int kRows = 20000;
    QByteArray csv = "Gmina;Natura2000;Wojewodztwo;info\r\n";
    for (int i = 0; i < kRows; ++i)
        csv += "Gmina " + QByteArray::number(i) + ";Obszar " + QByteArray::number(i) +
               ";opolskie;http://gmina" + QByteArray::number(i) + ".pl/info\r\n";
    const QString file = writeFile(QStringLiteral("duzy.csv"), csv);
    const QString seed = writeFile(QStringLiteral("trzy.csv"),
                                   "Gmina;Natura2000;Wojewodztwo\r\nA;X;opolskie\r\nB;X;opolskie\r\nC;X;opolskie\r\n");
    QCOMPARE(cli({QStringLiteral("import"), seed}).exitCode, 0);
    const QByteArray oldRegister = testdata::readAll(dbf());

    // How long a whole import takes here, to spread the kills over it.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(cli({QStringLiteral("import"), file}).exitCode, 0);
    const qint64 whole = qMax<qint64>(clock.elapsed(), 20);
    QCOMPARE(gminy().size(), 3 + kRows);

    auto leftovers = [&] {
        return QDir(m_dir->path()).entryList({QStringLiteral("baza.dbf.tmp-*")}, QDir::Files);
    };
    int killedWhileWriting = 0;
    int killedInTime = 0;
    for (int attempt = 0; attempt < 40 && (killedWhileWriting < 2 || killedInTime < 8); ++attempt) {
        QVERIFY(testdata::writeAll(dbf(), oldRegister));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        p.setProcessEnvironment(env);
        p.start(testdata::program(QStringLiteral("ekowarta-cli")),
                {QStringLiteral("--dir"), m_dir->path(), QStringLiteral("import"), file});
        QVERIFY(p.waitForStarted());
        // Even attempts: moments spread over the whole import. Odd ones: as
        // soon as the new table is being written beside the old one, a
        // little later each time.
        qint64 at = whole * (attempt % 10) / 10;
        if (attempt % 2 == 0) {
            QThread::msleep(quint64(at));
        } else {
            QElapsedTimer waited;
            waited.start();
            while (leftovers().isEmpty() && p.state() == QProcess::Running && waited.elapsed() < 2 * whole + 2000)
                QThread::usleep(300);
            QThread::usleep(quint64(1000 * (attempt % 5)));
            at = waited.elapsed();
        }
        const bool wasRunning = p.state() == QProcess::Running;
        const bool tempThere = !leftovers().isEmpty();
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        if (wasRunning && p.exitStatus() == QProcess::CrashExit) {
            ++killedInTime;
            if (tempThere)
                ++killedWhileWriting;
        }
        QStringList names;
        try {
            names = gminy(); // opens the register: it must read
        } catch (const dbf::DbfError& e) {
            QFAIL(qPrintable(QStringLiteral("after a kill at %1 ms: %2").arg(at).arg(e.text())));
        }
        QVERIFY2(names.size() == 3 || names.size() == 3 + kRows,
                 qPrintable(QStringLiteral("%1 records after a kill at %2 ms").arg(names.size()).arg(at)));
        QCOMPARE(names.mid(0, 3), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        if (names.size() == 3 + kRows)
            QCOMPARE(names.last(), QStringLiteral("Gmina %1").arg(kRows - 1));
    }
    QVERIFY2(killedInTime >= 8, qPrintable(QString::number(killedInTime)));
    QVERIFY2(killedWhileWriting >= 1, "no kill landed while the new table was written");
    // The next import (or pack) removes what the kills left.
    QCOMPARE(cli({QStringLiteral("import"), seed}).exitCode, 0);
    QCOMPARE(leftovers(), QStringList());
}

void TestCliWymiana::exportThenImportRoundTrip()
{
    for (const QString& name : {QStringLiteral("Kampinos"), QStringLiteral("Zażółć; \"gęślą\"")}) {
        const testdata::ProcessResult r =
            cli({QStringLiteral("add"), QStringLiteral("--gmina"), name,
                 QStringLiteral("--natura2000=Ostoja, Wisła"), QStringLiteral("--wojewodztwo"),
                 QStringLiteral("Mazowieckie"), QStringLiteral("--info"),
                 QStringLiteral("http://x.pl/a;b")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }
    const QString csv = path(QStringLiteral("eksport.csv"));
    const testdata::ProcessResult exported = cli({QStringLiteral("export"), csv});
    QVERIFY2(exported.exitCode == 0, exported.err.constData());
    QCOMPARE(exported.out, QByteArray("Zapisano rekordów: 2\n"));
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        QCOMPARE(testdata::readAll(csv), wymiana::RegisterCsv(b.table()));
    }
    // Exporting onto the register itself is refused and harms nothing.
    const QByteArray before = testdata::readAll(dbf());
    QCOMPARE(cli({QStringLiteral("export"), dbf()}).exitCode, 1);
    QCOMPARE(testdata::readAll(dbf()), before);

    QVERIFY(QFile::remove(dbf()));
    QCOMPARE(cli({QStringLiteral("import"), csv}).exitCode, 0);
    QCOMPARE(gminy(),
             (QStringList{QStringLiteral("Kampinos"), QStringLiteral("Zażółć; \"gęślą\"")}));
    baza::Baza b(m_dir->path());
    b.OpenTable();
    QCOMPARE(b.table().textAt(1, baza::Natura2000), QStringLiteral("Ostoja, Wisła"));
    QCOMPARE(b.table().textAt(1, baza::Wojewodztwo), QStringLiteral("mazowieckie"));
    QCOMPARE(b.table().textAt(1, baza::Info), QStringLiteral("http://x.pl/a;b"));
}

void TestCliWymiana::addChecksAsTheEditor_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString g = QStringLiteral("--gmina"), n = QStringLiteral("--natura2000"),
                  w = QStringLiteral("--wojewodztwo");
    QTest::newRow("no --gmina") << QStringList{n, "B", w, "opolskie"} << 2
                                << QStringLiteral("brak opcji --gmina");
    QTest::newRow("unknown option") << QStringList{g, "A", n, "B", w, "opolskie", "--www", "x"} << 2
                                    << QStringLiteral("nieznana opcja --www");
    QTest::newRow("option without value") << QStringList{g, "A", n, "B", w} << 2
                                          << QStringLiteral("brak wartości opcji --wojewodztwo");
    QTest::newRow("blank name") << QStringList{g, "  ", n, "B", w, "opolskie"} << 1
                                << QStringLiteral("Brak nazwy gminy !");
    QTest::newRow("blank area") << QStringList{g, "A", n, "", w, "opolskie"} << 1
                                << QStringLiteral("Brak nazwy obszaru Natura 2000 !");
    QTest::newRow("unknown voivodeship")
        << QStringList{g, "A", n, "B", w, "Mazowsze"} << 1
        << QStringLiteral("Brak województwa ! (nieznana nazwa \"Mazowsze\")");
    QTest::newRow("too long") << QStringList{g, QString(41, 'a'), n, "B", w, "opolskie"} << 1
                              << QStringLiteral(
                                     "--gmina: tekst ma 41 znaków, a pole mieści najwyżej 40");
}

void TestCliWymiana::addChecksAsTheEditor()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const testdata::ProcessResult r = cli(QStringList{QStringLiteral("add")} + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    QVERIFY(!QFile::exists(dbf())); // nothing written, not even an empty table
}

void TestCliWymiana::addAppendsOneRecord()
{
    const testdata::ProcessResult r =
        cli({QStringLiteral("add"), QStringLiteral("--gmina"), QStringLiteral("Łagów"),
             QStringLiteral("--natura2000"), QStringLiteral("Łagowsko-Sulęciński"),
             QStringLiteral("--wojewodztwo"), QStringLiteral("LUBUSKIE"), QStringLiteral("--bip"),
             QStringLiteral("bip.lagow.pl")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.out, QByteArray("Dodano rekord nr 1 (LP = 1)\n"));
    baza::Baza b(m_dir->path());
    b.OpenTable();
    const dbf::DbfTable& t = b.table();
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(t.textAt(0, baza::Gmina), QStringLiteral("Łagów"));
    QCOMPARE(t.textAt(0, baza::Wojewodztwo), QStringLiteral("lubuskie"));
    QCOMPARE(t.textAt(0, baza::Bip), QStringLiteral("bip.lagow.pl"));
    QVERIFY(t.textAt(0, baza::Dom).isEmpty());
    QCOMPARE(t.integerAt(0, baza::Kod), 0);
    QVERIFY(!t.isNullAt(0, baza::Kod));
    QVERIFY(t.textAt(0, baza::Aktualizacja).isEmpty());
    QVERIFY(t.textAt(0, baza::DataKontroli).isEmpty());
}

QTEST_GUILESS_MAIN(TestCliWymiana)
#include "tst_cli_wymiana.moc"
