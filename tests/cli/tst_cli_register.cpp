// ekowarta-cli's register commands, run as the user runs them.
#include "baza/baza.h"
#include "baza/fields.h"
#include "support/foreignlock.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QtTest>

using testdata::run;

class TestCliRegister : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList dir() const { return {QStringLiteral("--dir"), m_dir.path()}; }

    testdata::ProcessResult cli(const QStringList& args) { return run(QStringLiteral("ekowarta-cli"), dir() + args); }

    void makeRegister()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("baza.dbf")));
        baza::Baza b(m_dir.path());
        b.OpenTable();
        dbf::DbfTable& t = b.table();
        t.append();
        t.setText(baza::Gmina, QStringLiteral("Łódź"));
        t.setText(baza::Natura2000, QStringLiteral("Tab\there"));
        t.setText(baza::Wojewodztwo, QStringLiteral("łódzkie"));
        t.setDate(baza::Aktualizacja, datevalue::fromDate(QDate(2026, 3, 15)));
        t.setInteger(baza::Size, -1);
        t.setInteger(baza::Kod, 3);
        t.setText(baza::Info, QStringLiteral(" http://x.pl/a\r\nb"));
        t.post();
        t.append();
        t.setText(baza::Gmina, QStringLiteral("Usuwana"));
        t.post();
        t.append();
        t.setText(baza::Gmina, QStringLiteral("Trzecia"));
        t.setInteger(baza::Kod, 5);
        t.post();
        t.setRecNo(2);
        t.deleteRecord();
        t.close();
    }

    QByteArray tableBytes() const { return testdata::readAll(m_dir.filePath(QStringLiteral("baza.dbf"))); }

private Q_SLOTS:
    void init() { makeRegister(); }
    void listPrintsVisibleRecordsInPhysicalOrder();
    void markDeleteAndReset();
    void badArgumentsChangeNothing_data();
    void badArgumentsChangeNothing();
    void damagedOrMissingTable();
    void dirWithoutAFolderSaysSo();
    void locksOfOtherProgramsAreRespected_data();
    void locksOfOtherProgramsAreRespected();
    void helpDescribesEveryCommand();
};

void TestCliRegister::dirWithoutAFolderSaysSo()
{
    for (const QStringList& args : {QStringList{QStringLiteral("list"), QStringLiteral("--dir")}, QStringList{QStringLiteral("--dir")}}) {
        const auto r = run(QStringLiteral("ekowarta-cli"), args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("po opcji --dir podaj katalog danych")), r.err.constData());
        QVERIFY(!r.err.contains("nieznane polecenie"));
    }
}

void TestCliRegister::listPrintsVisibleRecordsInPhysicalOrder()
{
    const auto r = cli({QStringLiteral("list")});
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("recno\tLP\tGmina\tNatura2000\tWojewodztwo\tAktualizacja\tDataKontroli\tsize\trow\ttag\tkod\tdom\tinfo\tbip\tuwagi\tz"));
    QCOMPARE(lines[1], QStringLiteral("1\t1\tŁódź\tTab\\there\tłódzkie\t2026-03-15\t\t-1\t0\t0\t3\t\t http://x.pl/a\\r\\nb\t\t\t0"));
    QCOMPARE(lines[2].section(QLatin1Char('\t'), 0, 2), QStringLiteral("3\t3\tTrzecia"));
}

void TestCliRegister::markDeleteAndReset()
{
    QCOMPARE(cli({QStringLiteral("mark"), QStringLiteral("3"), QStringLiteral("2")}).exitCode, 0);
    {
        baza::Baza b(m_dir.path());
        b.OpenTable();
        b.table().setRecNo(3);
        QCOMPARE(b.table().integer(baza::Kod), 2);
    }
    QCOMPARE(cli({QStringLiteral("delete"), QStringLiteral("1")}).exitCode, 0);
    auto r = cli({QStringLiteral("list")});
    QCOMPARE(QString::fromUtf8(r.out).count(QLatin1Char('\n')), 2);
    QCOMPARE(cli({QStringLiteral("reset")}).exitCode, 0);
    baza::Baza b(m_dir.path());
    b.OpenTable();
    b.table().setRecNo(3);
    QCOMPARE(b.table().integer(baza::Kod), 0);
    QCOMPARE(b.table().integer(baza::Size), -1);
    QCOMPARE(b.table().text(baza::Uwagi), QString());
}

void TestCliRegister::badArgumentsChangeNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("mark value 4") << QStringList{"mark", "1", "4"} << 2;
    QTest::newRow("mark value text") << QStringList{"mark", "1", "high"} << 2;
    QTest::newRow("mark deleted record") << QStringList{"mark", "2", "1"} << 2;
    QTest::newRow("mark missing record") << QStringList{"mark", "9", "1"} << 2;
    QTest::newRow("mark no value") << QStringList{"mark", "1"} << 2;
    QTest::newRow("delete zero") << QStringList{"delete", "0"} << 2;
    QTest::newRow("reset surplus") << QStringList{"reset", "now"} << 2;
    QTest::newRow("list unknown option") << QStringList{"list", "--all"} << 2;
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2;
}

void TestCliRegister::badArgumentsChangeNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    const QByteArray before = tableBytes();
    const auto r = cli(args);
    QCOMPARE(r.exitCode, status);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.count('\n'), 1); // one clear line
    QCOMPARE(tableBytes(), before);
}

void TestCliRegister::damagedOrMissingTable()
{
    QFile f(m_dir.filePath(QStringLiteral("baza.dbf")));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("not a table at all, just text that is long enough to pass the size check ...");
    f.close();
    const QByteArray before = tableBytes();
    for (const QString& command : {QStringLiteral("list"), QStringLiteral("reset")}) {
        const auto r = cli({command});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("baza.dbf"));
        QCOMPARE(r.err.count('\n'), 1);
    }
    QCOMPARE(tableBytes(), before);
    QFile::remove(m_dir.filePath(QStringLiteral("baza.dbf")));
    const auto r = cli({QStringLiteral("mark"), QStringLiteral("1"), QStringLiteral("1")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains("baza.dbf"));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("baza.dbf"))));
}

void TestCliRegister::locksOfOtherProgramsAreRespected_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readersMayGoOn");
    QTest::newRow("lockf") << QStringLiteral("lockf") << false;
    QTest::newRow("lockf shared") << QStringLiteral("lockf-shared") << true;
    QTest::newRow("flock") << QStringLiteral("flock") << false;
    QTest::newRow("flock shared") << QStringLiteral("flock-shared") << true;
}

void TestCliRegister::locksOfOtherProgramsAreRespected()
{
    QFETCH(QString, kind);
    QFETCH(bool, readersMayGoOn);
    const QString dbf = m_dir.filePath(QStringLiteral("baza.dbf"));
    const QByteArray before = tableBytes();
    {
        testdata::ForeignLock holder(kind, dbf);
        QVERIFY2(holder.held(), qPrintable(holder.error()));
        for (const QStringList& command : {QStringList{QStringLiteral("mark"), QStringLiteral("1"), QStringLiteral("2")},
                                           QStringList{QStringLiteral("run"), QStringLiteral("--new")}}) {
            const auto r = cli(command);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("jest używany przez inny program lub okno")), r.err.constData());
            QCOMPARE(tableBytes(), before);
        }
        const auto list = cli({QStringLiteral("list")});
        QCOMPARE(list.exitCode == 0, readersMayGoOn);
    }
    // The holder is gone: the same command writes.
    QCOMPARE(cli({QStringLiteral("mark"), QStringLiteral("1"), QStringLiteral("2")}).exitCode, 0);
    QVERIFY(tableBytes() != before);
}

void TestCliRegister::helpDescribesEveryCommand()
{
    const auto r = run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    for (const char* command : {"list", "mark RECNO 0|1|2|3", "delete RECNO", "reset"})
        QVERIFY2(r.out.contains(command), command);
}

QTEST_GUILESS_MAIN(TestCliRegister)
#include "tst_cli_register.moc"
