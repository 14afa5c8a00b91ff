// The dBase level-7 table layer against the golden sample written by another
// dBase implementation, and against files of our own.
#include "baza/baza.h"
#include "baza/fields.h"
#include "dbf/dbferror.h"
#include "dbf/dbftable.h"
#include "support/foreignlock.h"
#include "support/testdata.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <algorithm>

using dbf::DbfError;
using dbf::DbfTable;
using dbf::FieldType;

namespace {

double day(int y, int m, int d)
{
    return datevalue::fromDate(QDate(y, m, d));
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbfError& e) {
        return e.text();
    }
    return {};
}

} // namespace

class TestDbfTable : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString newRegister(const QString& name = QStringLiteral("baza.dbf"))
    {
        const QString p = path(name);
        QFile::remove(p);
        DbfTable::create(p, baza::RegisterFields());
        return p;
    }

private Q_SLOTS:
    void readsTheGoldenSample();
    void createdTableHasTheSampleLayout();
    void roundTripOfEveryFieldType();
    void postIsOnDiskWhenItReturns();
    void appendNumbersFromTheDescriptor();
    void deleteHidesAndPackClosesUp();
    void packNeedsExclusiveAccessAndLeavesNoTemporaryFile();
    void cursorMovesLikeADataset();
    void emptyTableRules();
    void editingOutsideEditModeFails();
    void sortsByCharacterFieldInPolishOrder();
    void sortsByDateKeyWithTheZeroDateFirst();
    void sortFollowsAnEditedKey();
    void badSortExpressionsAreRefused();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void readsAFileWithoutTheEndMark();
    void anUnfinishedAppendIsNotTakenForDamage();
    void aShortCountIsNeverPackedAway();
    void aBadDeletionFlagIsRefusedBeforeRowsAreUsed();
    void aRecordReachedByNumberAgreesWithTheOrder();
    void walkOverEveryRowGivesBackWhatItRead();
    void exclusiveAccessLocksOutOtherOpeners();
    void ourLocksKeepOutBothKindsOfLocker();
    void createRefusesAnExistingFile();
};

void TestDbfTable::readsTheGoldenSample()
{
    const QString p = testdata::copyFixture(QStringLiteral("baza-level7-sample.dbf"), m_dir);
    DbfTable t;
    t.setFileName(p);
    t.open();
    QCOMPARE(t.fieldCount(), 15);
    for (int f = 0; f < 15; ++f)
        QCOMPARE(t.fieldDef(f).name, baza::FieldName(f).toUpper());
    QCOMPARE(t.fieldDef(baza::LP).type, FieldType::AutoIncrement);
    QCOMPARE(t.fieldDef(baza::Natura2000).width, 60);
    QCOMPARE(t.fieldDef(baza::Aktualizacja).type, FieldType::Date);
    QCOMPARE(t.fieldIndex(u"wojewodztwo"), 3);
    QCOMPARE(t.fieldIndex(u"Aktualizacja"), 4);

    QCOMPARE(t.physicalRecordCount(), 5);
    QCOMPARE(t.recordCount(), 4); // record 2 is deleted
    QCOMPARE(t.nextAutoIncrement(baza::LP), 5u);

    t.first();
    QCOMPARE(t.recNo(), 1);
    QCOMPARE(t.integer(baza::LP), 0);
    QCOMPARE(t.text(u"gmina"), QStringLiteral("Łódź"));
    QCOMPARE(t.text(baza::Natura2000), QStringLiteral("Pradolina Warszawsko-Berlińska"));
    QCOMPARE(t.text(baza::Wojewodztwo), QStringLiteral("łódzkie"));
    QCOMPARE(t.date(baza::Aktualizacja), day(2026, 3, 15));
    QCOMPARE(t.date(baza::DataKontroli), day(2026, 12, 1));
    QCOMPARE(t.integer(baza::Size), 12345);
    QCOMPARE(t.integer(baza::Row), 321);
    QCOMPARE(t.integer(baza::Tag), 12000);
    QCOMPARE(t.integer(baza::Kod), 3);
    QCOMPARE(t.integer(baza::Z), 1);
    QCOMPARE(t.text(baza::Uwagi), QStringLiteral("text/html; charset=windows-1250"));

    t.next();
    QCOMPARE(t.recNo(), 3);
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("Żółkiewka"));
    QCOMPARE(t.date(baza::Aktualizacja), datevalue::kZeroDate);
    QVERIFY(t.isNull(baza::Size));
    QCOMPARE(t.integer(baza::Size), 0);
    QCOMPARE(t.text(baza::Size), QString());
    QCOMPARE(t.text(baza::Kod), QStringLiteral("0"));
    QCOMPARE(t.text(baza::Info), QStringLiteral(" http://zolkiewka.pl/info.html"));

    t.next();
    QCOMPARE(t.integer(baza::Size), -1);
    QCOMPARE(t.integer(baza::Row), -1);
    QCOMPARE(t.integer(baza::Tag), -1);
    QCOMPARE(t.integer(baza::Z), 0);

    t.next();
    QCOMPARE(t.recNo(), 5);
    QCOMPARE(t.text(baza::Gmina).size(), 40);
    QCOMPARE(t.text(baza::Natura2000).size(), 60);
    QCOMPARE(t.text(baza::Wojewodztwo), QStringLiteral("warmińsko-mazurskie"));
    QCOMPARE(t.date(baza::Aktualizacja), day(2008, 12, 31));
    QCOMPARE(t.date(baza::DataKontroli), day(2009, 1, 1));
    QCOMPARE(t.integer(baza::Size), 0);
    QVERIFY(!t.isNull(baza::Size));
    QCOMPARE(t.integer(baza::Kod), 5);
    QCOMPARE(t.text(baza::Uwagi), QStringLiteral("Błędna strona: Not Found"));
    t.next();
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), 5);
}

void TestDbfTable::createdTableHasTheSampleLayout()
{
    const QByteArray sample = testdata::readAll(testdata::fixture(QStringLiteral("baza-level7-sample.dbf")));
    const QString p = newRegister();
    QByteArray ours = testdata::readAll(p);
    const int headerLength = 789;
    QCOMPARE(ours.size(), headerLength + 1);
    QCOMPARE(ours.at(headerLength), '\x1A');

    // Header: equal but for the date (1..3), the record count (4..7) and the
    // language mark (29, 32..63); descriptors equal but for the next
    // autoincrement value of LP.
    QCOMPARE(ours.at(0), sample.at(0));
    QCOMPARE(ours.mid(8, 21), sample.mid(8, 21));
    QCOMPARE(ours.mid(64, 4), sample.mid(64, 4));
    QByteArray sampleDescriptors = sample.mid(68, headerLength - 68);
    QByteArray ourDescriptors = ours.mid(68, headerLength - 68);
    QCOMPARE(ourDescriptors.mid(42, 4), QByteArray("\x01\0\0\0", 4));
    sampleDescriptors.replace(42, 4, QByteArray(4, '\0'));
    ourDescriptors.replace(42, 4, QByteArray(4, '\0'));
    QCOMPARE(ourDescriptors, sampleDescriptors);

    // The sample's live records, written again through our layer, give the
    // same record bytes (LP aside: that writer counted from 0).
    DbfTable source;
    source.setFileName(testdata::copyFixture(QStringLiteral("baza-level7-sample.dbf"), m_dir, QStringLiteral("src.dbf")));
    source.open();
    DbfTable t;
    t.setFileName(p);
    t.open();
    for (source.first(); !source.eof(); source.next()) {
        t.append();
        for (int f = 1; f < 15; ++f) {
            if (source.isNull(f))
                continue;
            switch (source.fieldDef(f).type) {
            case FieldType::Date: t.setDate(f, source.date(f)); break;
            case FieldType::Integer: t.setInteger(f, source.integer(f)); break;
            default: t.setText(f, source.text(f));
            }
        }
        t.post();
    }
    t.close();
    ours = testdata::readAll(p);
    const int recordLength = 961;
    const int sampleRecords[] = {1, 3, 4, 5};
    for (int i = 0; i < 4; ++i) {
        QByteArray mine = ours.mid(headerLength + i * recordLength, recordLength);
        QByteArray theirs = sample.mid(headerLength + (sampleRecords[i] - 1) * recordLength, recordLength);
        QCOMPARE(mine.mid(1, 4), QByteArray::fromHex(QByteArray::number(0x80000001 + i, 16)));
        mine.replace(1, 4, QByteArray(4, '\0'));
        theirs.replace(1, 4, QByteArray(4, '\0'));
        QCOMPARE(mine, theirs);
    }
}

void TestDbfTable::roundTripOfEveryFieldType()
{
    const QString p = newRegister();
    {
        DbfTable t;
        t.setFileName(p);
        t.open();
        t.append();
        t.setText(u"GMINA", QStringLiteral("Zażółć gęślą jaźń ŁÓDŹ"));
        t.setText(u"natura2000", QStringLiteral("   leading blanks kept"));
        t.setInteger(u"size", -123456789);
        t.setInteger(u"row", 2147483647);
        t.setInteger(u"tag", -2147483647);
        t.setDate(u"aktualizacja", day(2024, 2, 29) + 0.75); // the time part is not kept
        t.setText(u"uwagi", QString(80, QLatin1Char('x')));
        t.post();
        t.append();
        t.setText(u"gmina", QStringLiteral("Pusta"));
        t.post();
    }
    DbfTable t;
    t.setFileName(p);
    t.open();
    t.first();
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("Zażółć gęślą jaźń ŁÓDŹ"));
    QCOMPARE(t.text(baza::Natura2000), QStringLiteral("   leading blanks kept"));
    QCOMPARE(t.integer(baza::Size), -123456789);
    QCOMPARE(t.integer(baza::Row), 2147483647);
    QCOMPARE(t.integer(baza::Tag), -2147483647);
    QCOMPARE(t.date(baza::Aktualizacja), day(2024, 2, 29));
    QCOMPARE(t.text(baza::Uwagi), QString(50, QLatin1Char('x')));
    QCOMPARE(t.integer(baza::LP), 1);
    t.next();
    QCOMPARE(t.integer(baza::LP), 2);
    QVERIFY(t.isNull(baza::Kod));
    QCOMPARE(t.integer(baza::Kod), 0);
    QCOMPARE(t.date(baza::DataKontroli), datevalue::kZeroDate);
    QCOMPARE(t.text(baza::DataKontroli), QString());
    // Writing the zero date leaves the field blank, as other writers do.
    t.edit();
    t.setDate(baza::Aktualizacja, datevalue::kZeroDate);
    t.post();
    const QByteArray bytes = testdata::readAll(p);
    QCOMPARE(bytes.mid(789 + 961 + 1 + 4 + 40 + 60 + 20, 8), QByteArray(8, ' '));
}

void TestDbfTable::postIsOnDiskWhenItReturns()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    t.append();
    t.setText(baza::Gmina, QStringLiteral("Ślęża"));
    t.post();
    QByteArray onDisk = testdata::readAll(p);
    QCOMPARE(onDisk.size(), 789 + 961 + 1);
    QCOMPARE(onDisk.mid(4, 4), QByteArray("\x01\0\0\0", 4));
    QCOMPARE(onDisk.mid(789 + 5, 5), cp1250::fromUnicode(u"Ślęża"));
    t.edit();
    t.setInteger(baza::Kod, 3);
    t.post();
    onDisk = testdata::readAll(p);
    const int kodOffset = 789 + 1 + 4 + 40 + 60 + 20 + 8 + 8 + 12;
    QCOMPARE(onDisk.mid(kodOffset, 4), QByteArray("\x80\0\0\x03", 4));
    // A cancelled edit writes nothing.
    t.edit();
    t.setInteger(baza::Kod, 1);
    t.cancel();
    QCOMPARE(testdata::readAll(p), onDisk);
    QCOMPARE(t.integer(baza::Kod), 3);
}

void TestDbfTable::appendNumbersFromTheDescriptor()
{
    // An existing file continues from the next value its descriptor holds.
    const QString p = testdata::copyFixture(QStringLiteral("baza-level7-sample.dbf"), m_dir);
    DbfTable t;
    t.setFileName(p);
    t.open();
    t.append();
    t.setText(baza::Gmina, QStringLiteral("Nowa"));
    t.post();
    QCOMPARE(t.integer(baza::LP), 5);
    QCOMPARE(t.recNo(), 6);
    QCOMPARE(t.nextAutoIncrement(baza::LP), 6u);
    t.close();
    const QByteArray bytes = testdata::readAll(p);
    QCOMPARE(bytes.mid(68 + 42, 4), QByteArray("\x06\0\0\0", 4));
    QCOMPARE(bytes.mid(4, 4), QByteArray("\x06\0\0\0", 4));
    QCOMPARE(bytes.back(), '\x1A');
}

void TestDbfTable::deleteHidesAndPackClosesUp()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.setExclusive(true);
    t.open();
    for (const char* name : {"A", "B", "C", "D"}) {
        t.append();
        t.setText(baza::Gmina, QString::fromLatin1(name));
        t.post();
    }
    t.setRecNo(2);
    t.deleteRecord();
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.physicalRecordCount(), 4);
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("C")); // the next record became current
    QCOMPARE(t.rowOfRecNo(2), -1);
    t.setRecNo(2); // a deleted record cannot be current
    QCOMPARE(t.recNo(), 3);
    QCOMPARE(testdata::readAll(p).at(789 + 961), '*');

    t.pack();
    QCOMPARE(t.physicalRecordCount(), 3);
    QStringList names;
    QList<int> lps;
    for (t.first(); !t.eof(); t.next()) {
        names << t.text(baza::Gmina);
        lps << t.integer(baza::LP);
        QCOMPARE(t.recNo(), names.size());
    }
    QCOMPARE(names, (QStringList{"A", "C", "D"}));
    QCOMPARE(lps, (QList<int>{1, 3, 4}));
    QCOMPARE(t.nextAutoIncrement(baza::LP), 5u);
    t.append();
    t.post();
    QCOMPARE(t.integer(baza::LP), 5);
    t.close();
    QCOMPARE(testdata::readAll(p).size(), 789 + 4 * 961 + 1);
}

void TestDbfTable::packNeedsExclusiveAccessAndLeavesNoTemporaryFile()
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("baza.dbf"));
    DbfTable::create(p, baza::RegisterFields());
    DbfTable t;
    t.setFileName(p);
    t.open();
    QVERIFY(errorOf([&] { t.pack(); }).contains(QStringLiteral("na wyłączność")));
    t.close();
    t.setExclusive(true);
    t.open();
    t.append();
    t.post();
    t.deleteRecord();
    t.pack();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("baza.dbf")});
    // The lock survives the replacement of the file.
    DbfTable other;
    other.setFileName(p);
    QVERIFY(errorOf([&] { other.open(); }).contains(QStringLiteral("jest używany przez inny program lub okno")));
}

void TestDbfTable::cursorMovesLikeADataset()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    for (int i = 1; i <= 3; ++i) {
        t.append();
        t.setInteger(baza::Kod, i);
        t.post();
    }
    t.first();
    QVERIFY(t.bof());
    QVERIFY(!t.eof());
    t.prior();
    QVERIFY(t.bof());
    QCOMPARE(t.recNo(), 1);
    t.next();
    QVERIFY(!t.bof());
    QCOMPARE(t.recNo(), 2);
    t.last();
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), 3);
    t.next();
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), 3);
    t.setRecNo(2);
    QVERIFY(!t.eof() && !t.bof());
    QCOMPARE(t.integer(baza::Kod), 2);
    t.setRecNo(99); // out of range: stays
    QCOMPARE(t.recNo(), 2);
    // Moving away from an edited record posts it.
    t.edit();
    t.setInteger(baza::Kod, 7);
    t.next();
    QCOMPARE(t.state(), DbfTable::State::Browse);
    t.setRecNo(2);
    QCOMPARE(t.integer(baza::Kod), 7);
}

void TestDbfTable::emptyTableRules()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    QVERIFY(t.isEmpty());
    QVERIFY(t.eof() && t.bof());
    QCOMPARE(t.recNo(), 0);
    QCOMPARE(errorOf([&] { t.deleteRecord(); }), QStringLiteral("Cannot perform this operation on an empty dataset"));
    QCOMPARE(testdata::readAll(p).size(), 790);
    // Editing an empty table adds a record instead.
    t.edit();
    QCOMPARE(t.state(), DbfTable::State::Insert);
    t.setInteger(baza::Kod, 2);
    t.post();
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(t.integer(baza::LP), 1);
}

void TestDbfTable::editingOutsideEditModeFails()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    QCOMPARE(errorOf([&] { t.setText(baza::Gmina, QStringLiteral("x")); }),
             QStringLiteral("Tabela nie jest w trybie edycji ani dopisywania rekordu"));
    QVERIFY(errorOf([&] { t.text(u"nosuchfield"); }).contains(QStringLiteral("nosuchfield")));
    t.close();
    QVERIFY(!errorOf([&] { t.first(); }).isEmpty());
    t.setReadOnly(true);
    t.open();
    QVERIFY(!errorOf([&] { t.append(); }).isEmpty());
    QCOMPARE(testdata::readAll(p).size(), 790);
}

void TestDbfTable::sortsByCharacterFieldInPolishOrder()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    const QStringList names = {"Żagań", "Łódź", "Zabrze", "lubań", "Ćmielów", "Ameryka", "Łask", "Czersk", "ostrów", "Oława"};
    for (const QString& n : names) {
        t.append();
        t.setText(baza::Gmina, n);
        t.post();
    }
    auto order = [&] {
        QStringList out;
        for (int r = 0; r < t.recordCount(); ++r)
            out << t.textAt(r, baza::Gmina);
        return out;
    };
    t.setOrder(QStringLiteral("GMINA"), false);
    const QStringList ascending = {"Ameryka", "Czersk", "Ćmielów", "lubań", "Łask", "Łódź", "Oława", "ostrów", "Zabrze", "Żagań"};
    QCOMPARE(order(), ascending);
    t.setOrder(QStringLiteral("gmina"), true);
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(order(), descending);
    t.clearOrder();
    QCOMPARE(order(), names);
    // Sorting keeps the current record current.
    t.setRecNo(2);
    t.setOrder(QStringLiteral("GMINA"), false);
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("Łódź"));
    QCOMPARE(t.row(), 5);
}

void TestDbfTable::sortsByDateKeyWithTheZeroDateFirst()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    const QList<double> dates = {day(2026, 3, 15), datevalue::kZeroDate, day(2008, 12, 31), day(2026, 1, 2), datevalue::kZeroDate};
    for (int i = 0; i < dates.size(); ++i) {
        t.append();
        t.setInteger(baza::Kod, i);
        t.setDate(baza::Aktualizacja, dates[i]);
        t.post();
    }
    auto kods = [&] {
        QList<int> out;
        for (int r = 0; r < t.recordCount(); ++r)
            out << t.integerAt(r, baza::Kod);
        return out;
    };
    t.setOrder(QStringLiteral("DTOS(AKTUALIZACJA)"), false);
    QCOMPARE(kods(), (QList<int>{1, 4, 2, 3, 0}));
    t.setOrder(QStringLiteral("DTOS(AKTUALIZACJA)"), true);
    QCOMPARE(kods(), (QList<int>{0, 3, 2, 1, 4}));
    t.setOrder(QStringLiteral("KOD"), true);
    QCOMPARE(kods(), (QList<int>{4, 3, 2, 1, 0}));
}

void TestDbfTable::sortFollowsAnEditedKey()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    for (const char* n : {"B", "C", "D"}) {
        t.append();
        t.setText(baza::Gmina, QString::fromLatin1(n));
        t.post();
    }
    t.setOrder(QStringLiteral("GMINA"), false);
    QSignalSpy layout(&t, &DbfTable::layoutReset);
    t.last();
    t.edit();
    t.setText(baza::Gmina, QStringLiteral("A"));
    t.post();
    QCOMPARE(t.textAt(0, baza::Gmina), QStringLiteral("A"));
    QCOMPARE(t.row(), 0);
    QCOMPARE(layout.count(), 1);
    // An edit that keeps the key keeps the row and only reports that row.
    QSignalSpy rows(&t, &DbfTable::rowChanged);
    t.edit();
    t.setInteger(baza::Kod, 1);
    t.post();
    QCOMPARE(layout.count(), 1);
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.at(0).at(0).toInt(), 0);
}

void TestDbfTable::badSortExpressionsAreRefused()
{
    const QString p = newRegister();
    DbfTable t;
    t.setFileName(p);
    t.open();
    QVERIFY(!errorOf([&] { t.setOrder(QStringLiteral("NOSUCH"), false); }).isEmpty());
    QVERIFY(!errorOf([&] { t.setOrder(QStringLiteral("DTOS(GMINA)"), false); }).isEmpty());
    QVERIFY(t.orderExpression().isEmpty());
}

void TestDbfTable::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    const QByteArray sample = testdata::readAll(testdata::fixture(QStringLiteral("baza-level7-sample.dbf")));

    QTest::newRow("empty file") << QByteArray() << "to nie jest tabela dBase";
    QTest::newRow("text file") << QByteArray("Gmina;Natura2000\r\nŁódź;Pradolina\r\n").repeated(4) << "to nie jest tabela dBase poziomu 7";
    QTest::newRow("level 3 table") << QByteArray(1, '\x03') + sample.mid(1) << "to nie jest tabela dBase poziomu 7";
    QTest::newRow("truncated records") << sample.left(789 + 961 * 2 + 100) << "jest uszkodzony: plik jest obcięty";
    QTest::newRow("truncated header") << sample.left(300) << "jest uszkodzony";
    QByteArray badLength = sample;
    badLength[10] = '\x01';
    QTest::newRow("record length") << badLength << "długość rekordu 769 nie zgadza się z polami";
    QByteArray badType = sample;
    badType[68 + 48 + 32] = 'Q';
    QTest::newRow("field type") << badType << "opis pola nr 2 jest błędny";
    QByteArray noTerminator = sample;
    noTerminator[788] = 'x';
    QTest::newRow("descriptor end") << noTerminator << "jest uszkodzony";
    // A count below what the file holds: the two records beyond it would
    // be lost at the next pack.
    QByteArray shortCount = sample;
    shortCount[4] = '\x03';
    QTest::newRow("count 3 of 5") << shortCount << "nagłówek podaje rekordów: 3, a plik zawiera: 5";
    QByteArray countOneShort = sample;
    countOneShort[4] = '\x04'; // the fifth record took its number, the header moved on
    QTest::newRow("count 4 of 5") << countOneShort << "nagłówek podaje rekordów: 4, a plik zawiera: 5";
    QTest::newRow("bytes after the end mark") << sample + QByteArray("xyz") << "za ostatnim rekordem są zbędne bajty";
    QTest::newRow("part of a record after the last")
        << sample.chopped(1) + sample.mid(789 + 961, 500) << "za ostatnim rekordem są zbędne bajty";
}

void TestDbfTable::readsAFileWithoutTheEndMark()
{
    const QByteArray sample = testdata::readAll(testdata::fixture(QStringLiteral("baza-level7-sample.dbf")));
    QCOMPARE(sample.back(), '\x1A');
    const QString p = path(QStringLiteral("noend.dbf"));
    QVERIFY(testdata::writeAll(p, sample.chopped(1)));
    DbfTable t;
    t.setFileName(p);
    t.open();
    QCOMPARE(t.physicalRecordCount(), 5);
    QCOMPARE(t.recordCount(), 4);
    t.last();
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("Gmina o nazwie długiej na czterdzieści z"));
}

void TestDbfTable::anUnfinishedAppendIsNotTakenForDamage()
{
    // A kill between writing a new record and the header that counts it:
    // the record holds the autoincrement value the header still offers.
    const QString p = newRegister();
    {
        DbfTable t;
        t.setFileName(p);
        t.open();
        t.append();
        t.setText(baza::Gmina, QStringLiteral("Pierwsza"));
        t.post();
    }
    const QByteArray committed = testdata::readAll(p);
    {
        DbfTable t;
        t.setFileName(p);
        t.open();
        t.append();
        t.setText(baza::Gmina, QStringLiteral("Niedokończona"));
        t.post();
    }
    const QByteArray appended = testdata::readAll(p);
    const int headerLength = 68 + 48 * 15 + 1;
    QByteArray torn = committed.left(headerLength) + appended.mid(headerLength);
    QCOMPARE(torn.size(), committed.size() + 961);
    QVERIFY(testdata::writeAll(p, torn));
    DbfTable t;
    t.setFileName(p);
    t.open();
    QCOMPARE(t.physicalRecordCount(), 1);
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("Pierwsza"));
    t.append();
    t.setText(baza::Gmina, QStringLiteral("Druga"));
    t.post();
    QCOMPARE(t.integer(baza::LP), 2);
    t.close();
    t.open();
    QCOMPARE(t.recordCount(), 2);
    QCOMPARE(testdata::readAll(p).size(), committed.size() + 961);
}

void TestDbfTable::aShortCountIsNeverPackedAway()
{
    // What the program does with the register at run start and at the end,
    // and the command line's writing commands: none may rewrite the file.
    QByteArray content = testdata::readAll(testdata::fixture(QStringLiteral("baza-level7-sample.dbf")));
    content[4] = '\x03';
    const QString p = path(QStringLiteral("baza.dbf"));
    QVERIFY(testdata::writeAll(p, content));
    baza::Baza b(m_dir.path());
    QVERIFY(errorOf([&] { b.OpenTable(); }).contains(p));
    QVERIFY(errorOf([&] { b.PackTable(); }).contains(QStringLiteral("nagłówek podaje rekordów: 3")));
    QVERIFY(!errorOf([&] { b.ShutDown(); }).isEmpty());
    QVERIFY(!b.table().isOpen());
    for (const QStringList& command : {QStringList{QStringLiteral("mark"), QStringLiteral("1"), QStringLiteral("2")},
                                       QStringList{QStringLiteral("reset")}, QStringList{QStringLiteral("list")}}) {
        const auto r = testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_dir.path()} + command);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("nagłówek podaje rekordów: 3")), r.err.constData());
    }
    QCOMPARE(testdata::readAll(p), content);
    QFile::remove(p);
}

void TestDbfTable::aBadDeletionFlagIsRefusedBeforeRowsAreUsed()
{
    QByteArray content = testdata::readAll(testdata::fixture(QStringLiteral("baza-level7-sample.dbf")));
    content[789 + 961] = 'X';
    const QString p = path(QStringLiteral("badflag.dbf"));
    QVERIFY(testdata::writeAll(p, content));
    const QString expected = QStringLiteral("rekord 2 ma błędny znacznik usunięcia");

    // Opening reads the header only; the flag is met where the rows are
    // first needed, and nothing is ever rewritten from such a file.
    DbfTable t;
    t.setFileName(p);
    t.setExclusive(true);
    t.open();
    t.setRecNo(3); // a sound record is still reached and read
    QCOMPARE(t.recNo(), 3);
    QCOMPARE(t.text(baza::Gmina), QStringLiteral("Żółkiewka"));
    QVERIFY(errorOf([&] { t.isLiveRecord(2); }).contains(expected));
    const QString rows = errorOf([&] { t.recordCount(); });
    QVERIFY2(rows.contains(expected) && rows.contains(p), qPrintable(rows));
    QVERIFY(errorOf([&] { t.pack(); }).contains(expected));
    t.close();
    QCOMPARE(testdata::readAll(p), content);

    // Nor is it written: a change of a sound record, an append and a batch
    // are refused before anything reaches the file, each on a fresh opening
    // (no walk made before).
    const QList<std::function<void(DbfTable&)>> writers = {
        [](DbfTable& w) {
            w.setRecNo(3);
            w.edit();
            w.setInteger(baza::Kod, 2);
            w.post();
        },
        [](DbfTable& w) {
            w.append();
            w.setText(baza::Gmina, QStringLiteral("Nowa"));
            w.post();
        },
        [](DbfTable& w) {
            w.beginBatch();
            w.append();
            w.post();
            w.commitBatch();
        },
    };
    for (const auto& write : writers) {
        DbfTable w;
        w.setFileName(p);
        w.setExclusive(true);
        w.open();
        const QString refused = errorOf([&] { write(w); });
        QVERIFY2(refused.contains(expected) && refused.contains(QStringLiteral("Program go nie zmienia")),
                 qPrintable(refused));
        QCOMPARE(w.state(), DbfTable::State::Browse);
        w.close();
        QCOMPARE(testdata::readAll(p), content);
    }

    // The same through every command of the command line that writes.
    QFile::copy(p, path(QStringLiteral("baza.dbf")));
    const QString csv = path(QStringLiteral("nowe.csv"));
    QVERIFY(testdata::writeAll(csv, "Gmina;Natura2000;Wojewodztwo\r\nA;B;opolskie\r\n"));
    const QList<QStringList> commands = {
        {QStringLiteral("mark"), QStringLiteral("3"), QStringLiteral("2")},
        {QStringLiteral("add"), QStringLiteral("--gmina"), QStringLiteral("A"), QStringLiteral("--natura2000"),
         QStringLiteral("B"), QStringLiteral("--wojewodztwo"), QStringLiteral("opolskie")},
        {QStringLiteral("import"), csv},
        {QStringLiteral("delete"), QStringLiteral("3")},
        {QStringLiteral("reset")},
    };
    for (const QStringList& command : commands) {
        const auto r = testdata::run(QStringLiteral("ekowarta-cli"),
                                     QStringList{QStringLiteral("--dir"), m_dir.path()} + command);
        QVERIFY2(r.exitCode == 1, qPrintable(command.first()));
        QVERIFY2(QString::fromUtf8(r.err).contains(expected), r.err.constData());
        QCOMPARE(testdata::readAll(path(QStringLiteral("baza.dbf"))), content);
    }
    QFile::remove(path(QStringLiteral("baza.dbf")));

    // A table someone watches (the grid) is refused at open.
    DbfTable watched;
    watched.setFileName(p);
    int resets = 0;
    connect(&watched, &DbfTable::layoutReset, this, [&] { ++resets; });
    QVERIFY(errorOf([&] { watched.open(); }).contains(expected));
    QVERIFY(!watched.isOpen());
    QCOMPARE(resets, 0);
}

void TestDbfTable::aRecordReachedByNumberAgreesWithTheOrder()
{
    // The same changes with and without the order made first give the same
    // file, cursor and rows: A B C D E with B and E deleted.
    auto changes = [this](const QString& name, bool orderFirst, QByteArray& file) {
        const QString p = newRegister(name);
        DbfTable t;
        t.setFileName(p);
        t.setExclusive(true);
        t.open();
        for (const char* gmina : {"A", "B", "C", "D", "E"}) {
            t.append();
            t.setText(baza::Gmina, QString::fromLatin1(gmina));
            t.post();
        }
        t.setRecNo(2);
        t.deleteRecord();
        t.setRecNo(5);
        t.deleteRecord();
        t.close();
        t.open();
        if (orderFirst)
            QCOMPARE(t.recordCount(), 3);
        QCOMPARE(t.recNo(), 1);
        QVERIFY(!t.isLiveRecord(2) && t.isLiveRecord(4) && !t.isLiveRecord(6));
        t.setRecNo(2); // deleted: the next live record
        QCOMPARE(t.recNo(), 3);
        t.setRecNo(5); // deleted and last: the previous one
        QCOMPARE(t.recNo(), 4);
        t.edit();
        t.setInteger(baza::Kod, 3);
        t.post();
        t.append();
        t.setText(baza::Gmina, QStringLiteral("F"));
        t.post();
        QCOMPARE(t.recNo(), 6);
        QCOMPARE(t.row(), 3);
        QCOMPARE(t.recordCount(), 4);
        QCOMPARE(t.rowOfRecNo(4), 2);
        QCOMPARE(t.integerAt(2, baza::Kod), 3);
        QCOMPARE(t.textAt(1, baza::Gmina), QStringLiteral("C"));
        t.close();
        file = testdata::readAll(p);
    };
    QByteArray direct, ordered;
    changes(QStringLiteral("direct.dbf"), false, direct);
    changes(QStringLiteral("ordered.dbf"), true, ordered);
    QVERIFY(!direct.isEmpty());
    QCOMPARE(direct, ordered);
}

// Several thousand records (some megabytes, so that parts of the mapping
// are given back on the way), a few deleted, some appended after the open:
// the walk sees every visible row once, in the order of the table, and the
// table reads and writes as before afterwards.
void TestDbfTable::walkOverEveryRowGivesBackWhatItRead()
{
    const QString p = newRegister();
    constexpr int kRecords = 3000;
    {
        DbfTable t;
        t.setFileName(p);
        t.setExclusive(true);
        t.open();
        for (int i = 0; i < kRecords; ++i) {
            t.append();
            t.setText(baza::Gmina, QStringLiteral("Gmina %1").arg(kRecords - i, 4, 10, QLatin1Char('0')));
            t.setInteger(baza::Row, i);
            t.post();
        }
        for (const int recNo : {1, 1234, kRecords}) {
            t.setRecNo(recNo);
            t.deleteRecord();
        }
    }
    DbfTable t;
    t.setFileName(p);
    t.setExclusive(true);
    t.open();
    t.append(); // one record beyond the file as it was opened
    t.setText(baza::Gmina, QStringLiteral("Gmina 0000"));
    t.setInteger(baza::Row, kRecords);
    t.post();

    for (const bool sorted : {false, true}) {
        if (sorted)
            t.setOrder(QStringLiteral("GMINA"), false);
        QList<int> rows;
        QList<int> measures;
        t.walkRows([&](int row) {
            rows << row;
            measures << t.integerAt(row, baza::Row);
        });
        QCOMPARE(rows.size(), kRecords - 3 + 1);
        QCOMPARE(rows.first(), 0);
        QCOMPARE(rows.last(), t.recordCount() - 1);
        QVERIFY(!measures.contains(0) && !measures.contains(1233) && !measures.contains(kRecords - 1));
        if (sorted) {
            QCOMPARE(measures.first(), kRecords); // "Gmina 0000"
            QCOMPARE(measures.last(), 1);
        } else {
            QCOMPARE(measures.first(), 1);
            QCOMPARE(measures.last(), kRecords);
            QVERIFY(std::is_sorted(measures.begin(), measures.end()));
        }
    }
    t.clearOrder();
    t.setRecNo(2000);
    QCOMPARE(t.integer(baza::Row), 1999);
    t.edit();
    t.setInteger(baza::Kod, 2);
    t.post();
    QCOMPARE(t.integerAt(t.rowOfRecNo(2000), baza::Kod), 2);
    t.close();
    t.open();
    t.setRecNo(2000);
    QCOMPARE(t.integer(baza::Kod), 2);
    QCOMPARE(t.recordCount(), kRecords - 3 + 1);
}

void TestDbfTable::refusesDamagedFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString p = path(QStringLiteral("damaged.dbf"));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    DbfTable t;
    t.setFileName(p);
    const QString error = errorOf([&] { t.open(); });
    QVERIFY2(error.contains(expected), qPrintable(error));
    QVERIFY2(error.contains(p), qPrintable(error));
    QVERIFY(!t.isOpen());
    QCOMPARE(testdata::readAll(p), content); // never rewritten
}

void TestDbfTable::exclusiveAccessLocksOutOtherOpeners()
{
    const QString p = newRegister();
    DbfTable shared1, shared2, exclusive;
    shared1.setFileName(p);
    shared2.setFileName(p);
    exclusive.setFileName(p);
    exclusive.setExclusive(true);

    shared1.open();
    shared2.open(); // shared openers live together
    QVERIFY(errorOf([&] { exclusive.open(); }).contains(QStringLiteral("jest używany przez inny program lub okno")));
    shared1.close();
    shared2.close();

    exclusive.open();
    const QString error = errorOf([&] { shared1.open(); });
    QVERIFY(error.contains(p));
    QVERIFY(error.contains(QStringLiteral("Zamknij je i spróbuj ponownie.")));
    QVERIFY(!shared1.isOpen());
    // Another process meets the same lock: the command line refuses and
    // changes nothing.
    const QByteArray before = testdata::readAll(p);
    const auto result = testdata::run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--dir"), m_dir.path(), QStringLiteral("reset")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(QString::fromUtf8(result.err).contains(QStringLiteral("jest używany przez inny program lub okno")));
    QCOMPARE(testdata::readAll(p), before);
    exclusive.close();
    shared1.open();
}

void TestDbfTable::ourLocksKeepOutBothKindsOfLocker()
{
    using testdata::ForeignLock;
    const QString p = newRegister();
    QVERIFY(ForeignLock::canTake(QStringLiteral("lockf"), p));
    DbfTable reader;
    reader.setFileName(p);
    reader.open();
    // A shared holder lets other readers in and keeps writers out, whatever
    // call they lock with.
    QVERIFY(!ForeignLock::canTake(QStringLiteral("lockf"), p));
    QVERIFY(ForeignLock::canTake(QStringLiteral("lockf-shared"), p));
    QVERIFY(!ForeignLock::canTake(QStringLiteral("flock"), p));
    QVERIFY(ForeignLock::canTake(QStringLiteral("flock-shared"), p));
    // Another descriptor of the same file closed in this process does not
    // drop our record lock (a process-wide POSIX lock would go with it).
    {
        QFile other(p);
        QVERIFY(other.open(QIODevice::ReadOnly));
        other.close();
    }
    QVERIFY(!ForeignLock::canTake(QStringLiteral("lockf"), p));
    reader.close();

    DbfTable writer;
    writer.setFileName(p);
    writer.setExclusive(true);
    writer.open();
    QVERIFY(!ForeignLock::canTake(QStringLiteral("lockf-shared"), p));
    QVERIFY(!ForeignLock::canTake(QStringLiteral("flock-shared"), p));
    writer.close();
    QVERIFY(ForeignLock::canTake(QStringLiteral("lockf"), p));
}

void TestDbfTable::createRefusesAnExistingFile()
{
    const QString p = newRegister();
    const QByteArray before = testdata::readAll(p);
    QVERIFY(errorOf([&] { DbfTable::create(p, baza::RegisterFields()); }).contains(QStringLiteral("plik już istnieje")));
    QCOMPARE(testdata::readAll(p), before);
}

QTEST_GUILESS_MAIN(TestDbfTable)
#include "tst_dbftable.moc"
