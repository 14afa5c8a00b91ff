// The register: its fields, the table-wide operations and the voivodeships.
#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/voivodeships.h"
#include "dbf/dbferror.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QFile>
#include <QtTest>

class TestBaza : public QObject
{
    Q_OBJECT

    static void addRecord(dbf::DbfTable& t, const QString& gmina, double aktualizacja, int kod)
    {
        t.append();
        t.setText(baza::Gmina, gmina);
        t.setText(baza::Natura2000, QStringLiteral("Obszar"));
        t.setText(baza::Wojewodztwo, QStringLiteral("mazowieckie"));
        t.setDate(baza::Aktualizacja, aktualizacja);
        t.setDate(baza::DataKontroli, aktualizacja);
        t.setInteger(baza::Size, 100);
        t.setInteger(baza::Row, 10);
        t.setInteger(baza::Tag, 120);
        t.setInteger(baza::Kod, kod);
        t.setInteger(baza::Z, 1);
        t.setText(baza::Uwagi, QStringLiteral("text/html"));
        t.post();
    }

private Q_SLOTS:
    void openTableCreatesAMissingTable();
    void aTableSharedAfterARunLetsReadersIn();
    void voivodeshipNames_data();
    void voivodeshipNames();
    void voivodeshipIndexReadsTheCurrentRecord_data();
    void voivodeshipIndexReadsTheCurrentRecord();
    void resetMeasuresReachesEveryRecordInAnyOrder();
    void resetMeasuresOnAnEmptyTable();
    void priorityMarkOnAnEmptyTableAddsARecord();
    void packTableLeavesTheTableClosedAndShared();
    void openPackedForRunRewritesOnlyATableWithDeletedRecords();
    void indexFileIsDeleted();
    void sortByDateColumnUsesDtos();
    void shutDownPacksAndRemovesTheIndexFile();
};

void TestBaza::openTableCreatesAMissingTable()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    QVERIFY(!QFile::exists(b.dbfPath()));
    b.OpenTable();
    QVERIFY(b.table().isOpen());
    QVERIFY(b.table().isEmpty());
    QVERIFY(!b.table().exclusive());
    QCOMPARE(b.table().fieldCount(), int(baza::FieldCount));
    QCOMPARE(b.table().fieldDef(baza::Uwagi).width, 50);
    QCOMPARE(b.table().fieldIndex(u"wojewodztwo"), int(baza::Wojewodztwo));
    // Opening again keeps the file.
    addRecord(b.table(), QStringLiteral("Kampinos"), 0, 0);
    b.OpenTable();
    QCOMPARE(b.table().recordCount(), 1);
}

void TestBaza::voivodeshipNames_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 0 << "dolnośląskie";
    QTest::newRow("łódzkie") << 4 << "łódzkie";
    QTest::newRow("longest") << 13 << "warmińsko-mazurskie";
    QTest::newRow("last") << 15 << "zachodniopomorskie";
    QTest::newRow("16") << 16 << "";
    QTest::newRow("-1") << -1 << "";
}

void TestBaza::voivodeshipNames()
{
    QFETCH(int, position);
    QFETCH(QString, name);
    QCOMPARE(baza::VoivodeshipName(position), name);
    QVERIFY(baza::VoivodeshipName(13).size() <= 20);
}

void TestBaza::voivodeshipIndexReadsTheCurrentRecord_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");
    QTest::newRow("trailing blank, capital") << "Mazowieckie " << 6;
    QTest::newRow("polish capitals") << "ŚWIĘTOKRZYSKIE" << 12;
    QTest::newRow("Ł") << "  ŁÓDZKIE" << 4;
    QTest::newRow("unknown") << "Bawaria" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestBaza::voivodeshipIndexReadsTheCurrentRecord()
{
    QFETCH(QString, stored);
    QFETCH(int, index);
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    QCOMPARE(b.VoivodeshipIndex(), -1); // closed
    b.OpenTable();
    QCOMPARE(b.VoivodeshipIndex(), -1); // empty
    b.table().append();
    b.table().setText(baza::Wojewodztwo, stored);
    b.table().post();
    QCOMPARE(b.VoivodeshipIndex(), index);
}

void TestBaza::resetMeasuresReachesEveryRecordInAnyOrder()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    dbf::DbfTable& t = b.table();
    for (int i = 1; i <= 6; ++i)
        addRecord(t, QStringLiteral("G%1").arg(i), datevalue::fromDate(QDate(2026, 1, i)), i % 6);
    // Under a descending date order every reset record moves to the end: a
    // walk with next() alone would miss some of them.
    b.SortBy(QStringLiteral("AKTUALIZACJA"), true);
    b.ResetMeasures();
    QCOMPARE(t.row(), 0);
    for (int r = 0; r < t.recordCount(); ++r) {
        QCOMPARE(t.dateAt(r, baza::Aktualizacja), datevalue::kZeroDate);
        QCOMPARE(t.dateAt(r, baza::DataKontroli), datevalue::kZeroDate);
        QCOMPARE(t.integerAt(r, baza::Size), -1);
        QCOMPARE(t.integerAt(r, baza::Row), -1);
        QCOMPARE(t.integerAt(r, baza::Tag), -1);
        QCOMPARE(t.integerAt(r, baza::Kod), 0);
        QCOMPARE(t.integerAt(r, baza::Z), 0);
        QVERIFY(!t.isNullAt(r, baza::Z));
        QCOMPARE(t.textAt(r, baza::Uwagi), QString());
        QVERIFY(t.textAt(r, baza::Gmina).startsWith(QLatin1Char('G')));
    }
}

void TestBaza::resetMeasuresOnAnEmptyTable()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    const QByteArray before = testdata::readAll(b.dbfPath());
    b.ResetMeasures();
    QVERIFY(b.table().isEmpty());
    QCOMPARE(testdata::readAll(b.dbfPath()), before);
}

void TestBaza::priorityMarkOnAnEmptyTableAddsARecord()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    b.SetPriorityMark(3);
    QCOMPARE(b.table().recordCount(), 1);
    QCOMPARE(b.table().integer(baza::Kod), 3);
    b.SetPriorityMark(0);
    QCOMPARE(b.table().recordCount(), 1);
    QCOMPARE(b.table().integer(baza::Kod), 0);
    QVERIFY(!b.table().isNull(baza::Kod));
}

void TestBaza::packTableLeavesTheTableClosedAndShared()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    for (int i = 0; i < 3; ++i)
        addRecord(b.table(), QStringLiteral("G%1").arg(i), 0, 0);
    b.table().setRecNo(2);
    b.table().deleteRecord();
    b.PackTable();
    QVERIFY(!b.table().isOpen());
    QVERIFY(!b.table().exclusive());
    QCOMPARE(testdata::readAll(b.dbfPath()).size(), 789 + 2 * 961 + 1);
    b.OpenTable();
    QCOMPARE(b.table().physicalRecordCount(), 2);
    QCOMPARE(b.table().textAt(1, baza::Gmina), QStringLiteral("G2"));
    QCOMPARE(b.table().integerAt(1, baza::LP), 3);
}

void TestBaza::openPackedForRunRewritesOnlyATableWithDeletedRecords()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    for (int i = 0; i < 3; ++i)
        addRecord(b.table(), QStringLiteral("G%1").arg(i), 0, 0);
    b.table().close();
    // An old date in the header: a rewrite or a touch of the file would
    // stamp today's.
    QByteArray before = testdata::readAll(b.dbfPath());
    before[1] = char(101);
    before[2] = char(1);
    before[3] = char(1);
    {
        QFile f(b.dbfPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(before), before.size());
    }
    b.OpenTable();
    b.OpenPackedForRun();
    QVERIFY(b.table().isOpen());
    QVERIFY(b.table().exclusive());
    QCOMPARE(b.table().recordCount(), 3);
    dbf::DbfTable other;
    other.setFileName(b.dbfPath());
    QVERIFY_THROWS_EXCEPTION(dbf::DbfError, other.open());
    b.table().close();
    QCOMPARE(testdata::readAll(b.dbfPath()), before);

    b.table().setExclusive(false);
    b.OpenTable();
    b.table().setRecNo(2);
    b.table().deleteRecord();
    b.OpenPackedForRun();
    QVERIFY(b.table().exclusive());
    QCOMPARE(b.table().physicalRecordCount(), 2);
    QCOMPARE(b.table().textAt(1, baza::Gmina), QStringLiteral("G2"));
    QCOMPARE(b.table().integerAt(1, baza::LP), 3);
    b.table().close();
    const QByteArray packed = testdata::readAll(b.dbfPath());
    QCOMPARE(packed.size(), 789 + 2 * 961 + 1);
    QCOMPARE(quint8(packed[4]), quint8(2)); // the header counts two records
    QVERIFY(packed.mid(1, 3) != before.mid(1, 3));
}

void TestBaza::indexFileIsDeleted()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    addRecord(b.table(), QStringLiteral("B"), 0, 0);
    addRecord(b.table(), QStringLiteral("A"), 0, 0);
    QFile mdx(b.mdxPath());
    QVERIFY(mdx.open(QIODevice::WriteOnly));
    mdx.write("left over");
    mdx.close();
    b.SortBy(QStringLiteral("GMINA"), false);
    QVERIFY(!QFile::exists(b.mdxPath()));
    QCOMPARE(b.table().textAt(0, baza::Gmina), QStringLiteral("A"));
    b.DropSortIndex();
    QCOMPARE(b.table().textAt(0, baza::Gmina), QStringLiteral("B"));
    QVERIFY(b.table().isOpen());
}

void TestBaza::sortByDateColumnUsesDtos()
{
    QCOMPARE(baza::Baza::SortExpression(QStringLiteral("AKTUALIZACJA")), QStringLiteral("DTOS(AKTUALIZACJA)"));
    QCOMPARE(baza::Baza::SortExpression(QStringLiteral("DATAKONTROLI")), QStringLiteral("DTOS(DATAKONTROLI)"));
    QCOMPARE(baza::Baza::SortExpression(QStringLiteral("GMINA")), QStringLiteral("GMINA"));
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    addRecord(b.table(), QStringLiteral("late"), datevalue::fromDate(QDate(2026, 5, 1)), 0);
    addRecord(b.table(), QStringLiteral("none"), datevalue::kZeroDate, 0);
    addRecord(b.table(), QStringLiteral("early"), datevalue::fromDate(QDate(2009, 1, 1)), 0);
    b.SortBy(QStringLiteral("AKTUALIZACJA"), false);
    QCOMPARE(b.table().orderExpression(), QStringLiteral("DTOS(AKTUALIZACJA)"));
    QCOMPARE(b.table().textAt(0, baza::Gmina), QStringLiteral("none"));
    QCOMPARE(b.table().textAt(2, baza::Gmina), QStringLiteral("late"));
}

void TestBaza::shutDownPacksAndRemovesTheIndexFile()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    addRecord(b.table(), QStringLiteral("A"), 0, 0);
    addRecord(b.table(), QStringLiteral("B"), 0, 0);
    b.SortBy(QStringLiteral("GMINA"), true);
    b.table().first();
    b.table().deleteRecord();
    QFile mdx(b.mdxPath());
    QVERIFY(mdx.open(QIODevice::WriteOnly));
    mdx.close();
    b.ShutDown();
    QVERIFY(!b.table().isOpen());
    QVERIFY(!QFile::exists(b.mdxPath()));
    QCOMPARE(testdata::readAll(b.dbfPath()).size(), 789 + 961 + 1);
}

void TestBaza::aTableSharedAfterARunLetsReadersIn()
{
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    b.OpenTable();
    for (const QString& g : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
        addRecord(b.table(), g, 0, 0);
    // As a run leaves it: packed, then held exclusively.
    b.PackTable();
    b.table().setExclusive(true);
    b.table().open();
    b.table().setOrder(QStringLiteral("GMINA"), true);
    b.table().setRecNo(2);
    const QStringList list{QStringLiteral("--dir"), dir.path(), QStringLiteral("list")};
    QCOMPARE(testdata::run(QStringLiteral("ekowarta-cli"), list).exitCode, 1);
    b.ShareTable();
    QVERIFY(!b.table().exclusive());
    QCOMPARE(b.table().recNo(), 2);
    QCOMPARE(b.table().orderExpression(), QStringLiteral("GMINA"));
    QVERIFY(b.table().orderDescending());
    const auto r = testdata::run(QStringLiteral("ekowarta-cli"), list);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n'), 4);
    // The window goes on writing.
    b.SetPriorityMark(3);
    QCOMPARE(b.table().integer(baza::Kod), 3);
}

QTEST_GUILESS_MAIN(TestBaza)
#include "tst_baza.moc"
