#include "registerfixture.h"

#include "baza/fields.h"
#include "konfig/settings.h"
#include "platform/fileerror.h"
#include "publikacja/entry.h"
#include "publikacja/updatelist.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace publikacja;

namespace {

QString entryOf(const RecordValues& r)
{
    return MakeEntry(r.gmina, r.natura2000, r.info, datevalue::fromDate(r.aktualizacja));
}

const RecordValues kHigh{QStringLiteral("Abc"), QStringLiteral("Xyz"), QStringLiteral("http://abc.pl/info"),
                       QDate(2008, 12, 31), 3};
const RecordValues kUnmarked{QStringLiteral("Bez"), QStringLiteral("Zmian"), QStringLiteral("http://bez.pl"),
                           QDate(2008, 5, 1), 0};
const RecordValues kLow{QStringLiteral("Cde"), QStringLiteral("Uvw"), QStringLiteral("http://cde.pl/info"),
                      QDate(2009, 1, 1), 1};

} // namespace

class TestUpdateList : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<baza::Baza> m_baza;
    QString m_list;

    void writeList(const QStringList& lines)
    {
        QFile f(m_list);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ListBytes(lines));
    }
    void writeListBytes(const QByteArray& bytes)
    {
        QFile f(m_list);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_baza = std::make_unique<baza::Baza>(m_dir->path());
        m_list = m_dir->filePath(QStringLiteral("wykaz.txt"));
    }
    void cleanup()
    {
        m_baza.reset();
        m_dir.reset();
    }

    void appendsMarkedRecordsInTableOrder()
    {
        BuildRegister(*m_baza, {kHigh, kUnmarked, kLow});
        m_baza->table().last(); // wherever the cursor stood before
        writeList({QStringLiteral("stary wpis")});
        const AppendResult r = AppendEntries(m_list, m_baza->table());
        QVERIFY(r.done);
        QCOMPARE(r.count, 2);
        QCOMPARE(testdata::readAll(m_list), ListBytes({QStringLiteral("stary wpis"), entryOf(kHigh), entryOf(kLow)}));
        QCOMPARE(m_baza->table().row(), 0);
        QCOMPARE(m_baza->table().text(baza::Gmina), kHigh.gmina);
    }

    void appendsInTheCurrentSortOrder()
    {
        BuildRegister(*m_baza, {kHigh, kUnmarked, kLow});
        m_baza->SortBy(QStringLiteral("GMINA"), true); // Cde, Bez, Abc
        const AppendResult r = AppendEntries(m_list, m_baza->table());
        QCOMPARE(r.count, 2);
        QCOMPARE(testdata::readAll(m_list), ListBytes({entryOf(kLow), entryOf(kHigh)}));
        QCOMPARE(m_baza->table().text(baza::Gmina), kLow.gmina); // first in that order
    }

    void publishesOnlyKod1To3_data()
    {
        QTest::addColumn<int>("kod");
        QTest::addColumn<bool>("published");
        for (int kod = 0; kod <= 5; ++kod)
            QTest::addRow("kod %d", kod) << kod << (kod >= 1 && kod <= 3);
    }
    void publishesOnlyKod1To3()
    {
        QFETCH(int, kod);
        QFETCH(bool, published);
        RecordValues r = kHigh;
        r.kod = kod;
        BuildRegister(*m_baza, {r});
        const AppendResult result = AppendEntries(m_list, m_baza->table());
        QCOMPARE(result.count, published ? 1 : 0);
        QCOMPARE(testdata::readAll(m_list), published ? ListBytes({entryOf(r)}) : QByteArray());
    }

    // A page that shows no date keeps Aktualizacja empty: its entry is dated
    // by the check that saw the change.
    void pageWithoutADateIsPublishedWithItsCheckDay()
    {
        RecordValues undated = kHigh;
        undated.aktualizacja = QDate();
        BuildRegister(*m_baza, {undated, kLow});
        m_baza->table().first();
        m_baza->table().edit();
        m_baza->table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 12, 9)));
        m_baza->table().post();
        m_baza->table().next();
        m_baza->table().edit();
        m_baza->table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 12, 9)));
        m_baza->table().post();
        QCOMPARE(AppendEntries(m_list, m_baza->table()).count, 2);
        const QStringList lines = QString::fromLatin1(testdata::readAll(m_list)).split(u"\r\n"_qs);
        QVERIFY2(lines.value(0).startsWith(u"Dnia 9 grudnia 2026 wprowadzono zmiany na stronie gminy"_qs),
                 qPrintable(lines.value(0)));
        QVERIFY2(lines.value(1).startsWith(u"Dnia 1 stycznia 2009 "_qs), qPrintable(lines.value(1))); // its own date
        QCOMPARE(EntryDate(0, 46365), 46365.0);
        QCOMPARE(EntryDate(39813, 46365), 39813.0);
    }

    void appendCreatesTheFileAndKeepsItsLines()
    {
        BuildRegister(*m_baza, {kLow});
        writeListBytes("  wpis z odst\xeapem  \n\r\nbez ko\xf1" "ca");
        AppendEntries(m_list, m_baza->table());
        QCOMPARE(testdata::readAll(m_list),
                 "  wpis z odst\xeapem  \r\n\r\nbez ko\xf1" "ca\r\n" + ListBytes({entryOf(kLow)}));
    }

    void removeEntriesOf_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("gmina");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QStringList>("left");
        const QString abcXyz = entryOf(kHigh);
        RecordValues other = kHigh;
        other.natura2000 = QStringLiteral("Inny");
        const QString abcOther = entryOf(other);
        RecordValues longer = kHigh;
        longer.gmina = QStringLiteral("Abcdef");
        const QString abcdefXyz = entryOf(longer);
        QTest::newRow("same municipality and area")
            << QStringList{abcXyz, abcOther, abcXyz} << "Abc" << "Xyz" << QStringList{abcOther};
        QTest::newRow("substring of a longer name too")
            << QStringList{abcdefXyz, abcOther} << "Abc" << "Xyz" << QStringList{abcOther};
        QTest::newRow("case matters") << QStringList{abcXyz} << "ABC" << "Xyz" << QStringList{abcXyz};
        QTest::newRow("empty name removes nothing") << QStringList{abcXyz} << "" << "Xyz" << QStringList{abcXyz};
        QTest::newRow("empty area removes nothing") << QStringList{abcXyz} << "Abc" << "" << QStringList{abcXyz};
        QTest::newRow("any line holding both")
            << QStringList{QStringLiteral("Abc i Xyz"), QStringLiteral("Abc")} << "Abc" << "Xyz"
            << QStringList{QStringLiteral("Abc")};
        QTest::newRow("escaped and raw forms of a name with & and <")
            << QStringList{QStringLiteral("<b>Kowale &amp; Synowie &lt;Dolne&gt;</b> Natura 2000: Ostoja"),
                           QStringLiteral("<b>Kowale & Synowie <Dolne></b> Natura 2000: Ostoja"),
                           QStringLiteral("<b>Kowale</b> Natura 2000: Ostoja")}
            << "Kowale & Synowie <Dolne>" << "Ostoja"
            << QStringList{QStringLiteral("<b>Kowale</b> Natura 2000: Ostoja")};
    }
    void removeEntriesOf()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, gmina);
        QFETCH(QString, area);
        QFETCH(QStringList, left);
        writeList(lines);
        RemoveEntriesOf(m_list, gmina, area);
        QCOMPARE(testdata::readAll(m_list), ListBytes(left));
    }

    void removeOlderEntries_data()
    {
        QTest::addColumn<bool>("option");
        QTest::newRow("ticked") << true;
        QTest::newRow("not ticked") << false;
    }
    void removeOlderEntries()
    {
        QFETCH(bool, option);
        RecordValues padded = kHigh;
        padded.gmina = QStringLiteral(" Abc\t");
        padded.natura2000 = QStringLiteral("Xyz ");
        BuildRegister(*m_baza, {padded, kUnmarked});
        RecordValues older = kHigh;
        older.aktualizacja = QDate(2007, 1, 1);
        RecordValues otherArea = kHigh;
        otherArea.natura2000 = QStringLiteral("Inny");
        RecordValues unmarkedOlder = kUnmarked;
        const QStringList before{entryOf(older), entryOf(otherArea), entryOf(unmarkedOlder)};
        writeList(before);
        Settings s;
        s.removeOlderEntries = option;
        m_baza->table().last();
        RemoveOlderEntries(m_list, m_baza->table(), s);
        QCOMPARE(testdata::readAll(m_list),
                 ListBytes(option ? QStringList{entryOf(otherArea), entryOf(unmarkedOlder)} : before));
        QCOMPARE(m_baza->table().row(), option ? 0 : int(1));
    }

    void removeOlderEntriesWithoutFileDoesNothing()
    {
        BuildRegister(*m_baza, {kHigh});
        Settings s;
        s.removeOlderEntries = true;
        RemoveOlderEntries(m_list, m_baza->table(), s);
        QVERIFY(!QFile::exists(m_list));
    }

    void shortenList_data()
    {
        QTest::addColumn<bool>("limit");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray four("a1\r\na2\r\na3\r\nnowy\r\n");
        QTest::newRow("N = 3 keeps the three oldest") << true << "3" << four << QByteArray("a1\r\na2\r\na3\r\n");
        QTest::newRow("N = 5 keeps all four") << true << "5" << four << four;
        QTest::newRow("blank lines dropped, lines trimmed")
            << true << "3" << QByteArray("  a1 \t\r\n\r\n \r\n\ta2\nx\r\ny\r\n") << QByteArray("a1\r\na2\r\nx\r\n");
        QTest::newRow("not ticked: as it was") << false << "1" << QByteArray("  a1 \r\n\r\na2\n")
                                               << QByteArray("  a1 \r\n\r\na2\n");
        QTest::newRow("grouped count is no number") << true << QString::fromUtf8("1\u00a0000") << four << four;
        QTest::newRow("zero is no limit") << true << "0" << four << four;
    }
    void shortenList()
    {
        QFETCH(bool, limit);
        QFETCH(QString, count);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        writeListBytes(before);
        Settings s;
        s.limitEntries = limit;
        s.entryCountText = count;
        ShortenList(m_list, s);
        QCOMPARE(testdata::readAll(m_list), after);
    }

    void shortenListWithoutFileCreatesNothing()
    {
        Settings s;
        s.limitEntries = true;
        s.entryCountText = QStringLiteral("3");
        ShortenList(m_list, s);
        QVERIFY(!QFile::exists(m_list));
    }

    void unreadableFileThrows()
    {
        QVERIFY(QDir().mkpath(m_list)); // a directory where the file should be
        QVERIFY_THROWS_EXCEPTION(FileError, RemoveEntriesOf(m_list, QStringLiteral("a"), QStringLiteral("b")));
    }
};

QTEST_GUILESS_MAIN(TestUpdateList)
#include "tst_updatelist.moc"
