// The file format and the field codecs on byte arrays, without a file.
#include "baza/fields.h"
#include "dbf/dbferror.h"
#include "dbf/dbfformat.h"
#include "dbf/fieldcodec.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QtTest>

using namespace dbf;

namespace {

QByteArray sample()
{
    return testdata::readAll(testdata::fixture(QStringLiteral("baza-level7-sample.dbf")));
}

QString damageOf(const QByteArray& bytes)
{
    try {
        const format::Layout layout = format::ParseHeader(bytes, QStringLiteral("x.dbf"));
        format::CheckRecords(bytes, layout, QStringLiteral("x.dbf"));
    } catch (const DbfError& e) {
        return e.kind() == DbfError::Kind::Damaged ? e.text() : QStringLiteral("wrong kind: ") + e.text();
    }
    return {};
}

format::Field field(FieldType type, int width)
{
    format::Field f;
    f.def.name = QStringLiteral("F");
    f.def.type = type;
    f.def.width = width;
    return f;
}

} // namespace

class TestDbfFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesTheSampleHeader();
    void builtHeaderParsesToTheSampleFields();
    void recordsAreCheckedAgainstTheFileSize();
    void integersSortAsBytes();
    void datesAndTexts();
};

void TestDbfFormat::parsesTheSampleHeader()
{
    const QByteArray bytes = sample();
    const format::Layout layout = format::ParseHeader(bytes, QStringLiteral("x.dbf"));
    QCOMPARE(layout.version, quint8(0x04));
    QCOMPARE(layout.count, 5u);
    QCOMPARE(layout.headerLength, 68 + 48 * 15 + 1);
    QCOMPARE(layout.recordLength, 961);
    QCOMPARE(int(layout.fields.size()), 15);
    QCOMPARE(layout.fields[0].def.name, QStringLiteral("LP"));
    QCOMPARE(layout.fields[0].def.type, FieldType::AutoIncrement);
    QCOMPARE(layout.fields[0].offset, 1);
    QCOMPARE(layout.fields[1].offset, 5); // Gmina after the 4 bytes of LP
    QCOMPARE(layout.fields[2].offset, 5 + layout.fields[1].def.width);
    QCOMPARE(format::NextAutoIncrement(bytes.constData(), 0), 5u);
    QCOMPARE(format::CheckRecords(bytes, layout, QStringLiteral("x.dbf")), 5u);
}

void TestDbfFormat::builtHeaderParsesToTheSampleFields()
{
    const QByteArray built = format::BuildHeader(baza::RegisterFields(), QStringLiteral("x.dbf"));
    const QByteArray golden = sample();
    const format::Layout ours = format::ParseHeader(built + format::kEndOfFile, QStringLiteral("x.dbf"));
    const format::Layout theirs = format::ParseHeader(golden, QStringLiteral("x.dbf"));
    QCOMPARE(ours.headerLength, theirs.headerLength);
    QCOMPARE(ours.recordLength, theirs.recordLength);
    QCOMPARE(ours.count, 0u);
    for (size_t i = 0; i < ours.fields.size(); ++i) {
        QCOMPARE(ours.fields[i].def.name, theirs.fields[i].def.name);
        QCOMPARE(ours.fields[i].def.type, theirs.fields[i].def.type);
        QCOMPARE(ours.fields[i].def.width, theirs.fields[i].def.width);
        QCOMPARE(ours.fields[i].offset, theirs.fields[i].offset);
    }
    // The autoincrement's next value sits at 42 of its descriptor.
    QCOMPARE(format::NextAutoIncrement(built.constData(), 0), 1u);
    QCOMPARE(built.mid(68 + 42, 4), QByteArray("\x01\x00\x00\x00", 4));
    QByteArray header = built;
    format::SetRecordCount(header.data(), 7);
    format::SetNextAutoIncrement(header.data(), 0, 258);
    QCOMPARE(header.mid(4, 4), QByteArray("\x07\x00\x00\x00", 4));
    QCOMPARE(header.mid(68 + 42, 4), QByteArray("\x02\x01\x00\x00", 4));
    // Definitions the format cannot hold are refused.
    dbf::FieldDefs bad = baza::RegisterFields();
    bad[4].width = 9; // a date is 8 bytes
    QVERIFY_THROWS_EXCEPTION(DbfError, format::BuildHeader(bad, QStringLiteral("x.dbf")));
}

void TestDbfFormat::recordsAreCheckedAgainstTheFileSize()
{
    const QByteArray bytes = sample();
    QCOMPARE(damageOf(bytes), QString());
    QCOMPARE(damageOf(bytes.chopped(1)), QString()); // no end mark: still whole
    QVERIFY(damageOf(bytes.chopped(2)).contains(QStringLiteral("plik jest obcięty")));
    QByteArray shortCount = bytes;
    format::SetRecordCount(shortCount.data(), 3);
    QVERIFY(damageOf(shortCount).contains(QStringLiteral("nagłówek podaje rekordów: 3, a plik zawiera: 5")));
    QVERIFY(damageOf(bytes + QByteArray("\x1A\x00", 2)).contains(QStringLiteral("zbędne bajty")));
    QVERIFY(damageOf(bytes.left(40)).contains(QStringLiteral("to nie jest tabela dBase")));
    // An append whose header was never written: one record beyond the count
    // holding the number the header offers next (5).
    QByteArray torn = bytes.chopped(1) + bytes.mid(789, 961) + QByteArray(1, format::kEndOfFile);
    codec::encodeInteger(torn.data() + 789 + 5 * 961 + 1, 5);
    QCOMPARE(damageOf(torn), QString());
    codec::encodeInteger(torn.data() + 789 + 5 * 961 + 1, 4);
    QVERIFY(damageOf(torn).contains(QStringLiteral("a plik zawiera: 6")));
}

void TestDbfFormat::integersSortAsBytes()
{
    const format::Field f = field(FieldType::Integer, 4);
    char p[4];
    codec::encodeInteger(p, 1);
    QCOMPARE(QByteArray(p, 4), QByteArray("\x80\x00\x00\x01", 4));
    codec::encodeInteger(p, -1);
    QCOMPARE(QByteArray(p, 4), QByteArray("\x7F\xFF\xFF\xFF", 4));
    QCOMPARE(codec::integer(f, p), -1);
    QVERIFY(!codec::isNull(f, p));
    codec::setNull(f, p);
    QCOMPARE(QByteArray(p, 4), QByteArray(4, '\0'));
    QVERIFY(codec::isNull(f, p));
    QCOMPARE(codec::integer(f, p), 0);
    QCOMPARE(codec::text(f, p), QString());
    QByteArray keys[3];
    const qint32 values[3] = {-5, 0, 7};
    for (int i = 0; i < 3; ++i) {
        codec::setInteger(f, p, values[i]);
        keys[i] = codec::sortKey(f, p);
    }
    QVERIFY(keys[0] < keys[1] && keys[1] < keys[2]);
    QVERIFY_THROWS_EXCEPTION(DbfError, codec::setText(f, p, QStringLiteral("12a")));
}

void TestDbfFormat::datesAndTexts()
{
    const format::Field d = field(FieldType::Date, 8);
    char p[8];
    codec::setDate(d, p, datevalue::fromDate(QDate(2026, 3, 15)));
    QCOMPARE(QByteArray(p, 8), QByteArray("20260315"));
    QCOMPARE(codec::text(d, p), QStringLiteral("2026-03-15"));
    codec::setDate(d, p, datevalue::kZeroDate);
    QCOMPARE(QByteArray(p, 8), QByteArray(8, ' '));
    QCOMPARE(codec::date(d, p), datevalue::kZeroDate);
    QVERIFY_THROWS_EXCEPTION(DbfError, codec::setText(d, p, QStringLiteral("15 marca")));
    // Stored dates read exactly as Qt's own yyyyMMdd parse reads them, odd
    // contents (another writer's) included.
    for (const char* stored : {"20240229", "20230229", "20261301", "20260100", "00000101", "99991231", "        ",
                               "2026 315", "2026-3-1", "abcdefgh"}) {
        const QDate qt = QDate::fromString(QString::fromLatin1(stored), QStringLiteral("yyyyMMdd"));
        QCOMPARE(codec::date(d, stored), qt.isValid() ? datevalue::fromDate(qt) : datevalue::kZeroDate);
        QCOMPARE(codec::text(d, stored), qt.isValid() ? qt.toString(Qt::ISODate) : QString());
    }
    QCOMPARE(codec::text(d, QByteArray(8, '\0').constData()), QString());

    const format::Field c = field(FieldType::Character, 6);
    char t[6];
    codec::setText(c, t, QStringLiteral("Łódź"));
    QCOMPARE(QByteArray(t, 6), QByteArray("\xA3\xF3\x64\x9F  "));
    QCOMPARE(codec::text(c, t), QStringLiteral("Łódź"));
    codec::setText(c, t, QStringLiteral(" Żółkiewka"));
    QCOMPARE(codec::text(c, t), QStringLiteral(" Żółki")); // cut to the width, leading blank kept
    QCOMPARE(codec::blankRecord({c}, 7), QByteArray(7, ' '));
}

QTEST_GUILESS_MAIN(TestDbfFormat)
#include "tst_dbfformat.moc"
