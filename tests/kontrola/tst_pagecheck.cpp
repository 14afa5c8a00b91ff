// The verdict of a page check: a date newer than the page showed before is
// news, the check's own day is never the page's date, and the first look at
// a page nobody knew anything about marks nothing.
#include "kontrola/pagecheck.h"
#include "text/datevalue.h"

#include <QtTest>

namespace {

double day(int m, int d)
{
    return datevalue::fromDate(QDate(2026, m, d));
}

} // namespace

class TestPageCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classify_data()
    {
        QTest::addColumn<double>("storedDate");      // Aktualizacja
        QTest::addColumn<double>("storedCheckDate"); // DataKontroli
        QTest::addColumn<bool>("hasHistory");
        QTest::addColumn<double>("previousPageDate"); // newest date of the previous version
        QTest::addColumn<double>("found");            // 0: the page shows no date
        QTest::addColumn<int>("storedRow");
        QTest::addColumn<int>("kod");
        QTest::addColumn<double>("pageDate"); // what Aktualizacja becomes
        const double none = 0;
        // No history: the stored date, as the register always did.
        QTest::newRow("newer than the stored date") << day(3, 1) << day(3, 2) << false << none << day(12, 5) << 5 << 3
                                                    << day(12, 5);
        QTest::newRow("same as the stored date") << day(12, 5) << day(12, 6) << false << none << day(12, 5) << 9 << 0
                                                 << day(12, 5);
        QTest::newRow("older: the line count decides") << day(12, 5) << day(12, 6) << false << none << day(12, 1) << 9
                                                       << 2 << day(12, 1);
        QTest::newRow("no date: lines decide, the date stays") << day(11, 2) << day(12, 6) << false << none << none
                                                               << 9 << 2 << day(11, 2);
        QTest::newRow("user's date at the first check") << day(11, 2) << none << false << none << day(12, 5) << 0
                                                        << 3 << day(12, 5);
        // With a history: the previous version's newest date.
        QTest::newRow("notice dated before the last check")
            << day(12, 9) << day(12, 9) << true << none << day(12, 5) << 9 << 3 << day(12, 5);
        QTest::newRow("newer than the previous version") << day(12, 1) << day(12, 9) << true << day(12, 1)
                                                         << day(12, 5) << 9 << 3 << day(12, 5);
        QTest::newRow("as the previous version") << day(12, 9) << day(12, 9) << true << day(12, 5) << day(12, 5)
                                                 << 10 << 0 << day(12, 5);
        QTest::newRow("history outweighs a newer stored date")
            << day(12, 9) << day(12, 9) << true << day(12, 1) << day(12, 5) << 9 << 3 << day(12, 5);
        QTest::newRow("history without a check or a date") << none << none << true << day(12, 1) << day(12, 1) << 9
                                                            << 0 << day(12, 1);
        // Nothing known: a baseline.
        QTest::newRow("baseline with a date") << none << none << false << none << day(12, 5) << 0 << 0 << day(12, 5);
        QTest::newRow("baseline without a date") << none << none << false << none << none << -1 << 0 << none;
    }
    void classify()
    {
        QFETCH(double, storedDate);
        QFETCH(double, storedCheckDate);
        QFETCH(bool, hasHistory);
        QFETCH(double, previousPageDate);
        QFETCH(double, found);
        QFETCH(int, storedRow);
        QFETCH(int, kod);
        QFETCH(double, pageDate);
        PageCheck c;
        c.storedDate = storedDate;
        c.storedCheckDate = storedCheckDate;
        c.storedRow = storedRow;
        c.storedSize = 500;
        c.hasHistory = hasHistory;
        c.previousPageDate = previousPageDate;
        c.dateFound = found > 0;
        c.pageDate = found;
        c.lineCount = 10;
        c.size = 500;
        c.Classify();
        QCOMPARE(c.code, kod);
        QCOMPARE(c.pageDate, pageDate);
    }

    // A baseline still tells a page that cannot be read.
    void baselineOfAnUnreadablePageStaysUndecided()
    {
        PageCheck c;
        c.lineCount = 0;
        c.size = 0;
        QVERIFY(c.IsBaseline());
        c.Classify();
        QCOMPARE(c.code, PageCheck::kUndecided);
    }
};

QTEST_GUILESS_MAIN(TestPageCheck)
#include "tst_pagecheck.moc"
