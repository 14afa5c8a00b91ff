#include "publikacja/entry.h"
#include "text/datevalue.h"

#include <QtTest>

using namespace publikacja;

class TestEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void monthGenitive_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("text");
        const char* names[] = {"stycznia", "lutego",   "marca",     "kwietnia",     "maja",      "czerwca",
                               "lipca",    "sierpnia", "września", "października", "listopada", "grudnia"};
        for (int m = 1; m <= 12; ++m)
            QTest::addRow("%d", m) << m << QString::fromUtf8(names[m - 1]);
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("13") << 13 << QString();
        QTest::newRow("-1") << -1 << QString();
    }
    void monthGenitive()
    {
        QFETCH(int, month);
        QFETCH(QString, text);
        QCOMPARE(MonthGenitive(month), text);
    }

    void entry_data()
    {
        QTest::addColumn<QString>("gmina");
        QTest::addColumn<QString>("natura");
        QTest::addColumn<QString>("url");
        QTest::addColumn<double>("date");
        QTest::addColumn<QString>("line");
        QTest::newRow("5 March 2008")
            << "Abc" << "Xyz" << "U" << datevalue::fromDate(QDate(2008, 3, 5))
            << "Dnia 5 marca 2008 wprowadzono zmiany na stronie gminy <a href=\"U\" target=_blank><b>Abc</b></a> "
               "(obszar Natura 2000: Xyz). <hr>";
        QTest::newRow("31 December 2008")
            << QString::fromUtf8("Łódź") << QString::fromUtf8("Dolina Środkowej Wisły")
            << "http://bip.lodz.pl/ogloszenia.html" << datevalue::fromDate(QDate(2008, 12, 31))
            << QString::fromUtf8("Dnia 31 grudnia 2008 wprowadzono zmiany na stronie gminy "
                                 "<a href=\"http://bip.lodz.pl/ogloszenia.html\" target=_blank><b>Łódź</b></a> "
                                 "(obszar Natura 2000: Dolina Środkowej Wisły). <hr>");
        QTest::newRow("1 January 2009, time of day ignored")
            << "Gmina" << "Obszar" << "u" << datevalue::fromDateTime(QDateTime(QDate(2009, 1, 1), QTime(23, 59)))
            << "Dnia 1 stycznia 2009 wprowadzono zmiany na stronie gminy <a href=\"u\" target=_blank><b>Gmina</b></a> "
               "(obszar Natura 2000: Obszar). <hr>";
        QTest::newRow("zero date")
            << "G" << "N" << "u" << datevalue::kZeroDate
            << "Dnia 30 grudnia 1899 wprowadzono zmiany na stronie gminy <a href=\"u\" target=_blank><b>G</b></a> "
               "(obszar Natura 2000: N). <hr>";
        QTest::newRow("values not trimmed")
            << " G " << "N  " << " u" << datevalue::fromDate(QDate(2010, 9, 9))
            << QString::fromUtf8("Dnia 9 września 2010 wprowadzono zmiany na stronie gminy <a href=\" u\" "
                                 "target=_blank><b> G </b></a> (obszar Natura 2000: N  ). <hr>");
        QTest::newRow("HTML characters escaped")
            << "Kowale & Synowie <Dolne>" << "\"Ostoja\"" << "http://k.pl/?a=1&b=2"
            << datevalue::fromDate(QDate(2011, 10, 2))
            << QString::fromUtf8("Dnia 2 października 2011 wprowadzono zmiany na stronie gminy "
                                 "<a href=\"http://k.pl/?a=1&amp;b=2\" target=_blank><b>Kowale &amp; Synowie "
                                 "&lt;Dolne&gt;</b></a> (obszar Natura 2000: &quot;Ostoja&quot;). <hr>");
    }
    void entry()
    {
        QFETCH(QString, gmina);
        QFETCH(QString, natura);
        QFETCH(QString, url);
        QFETCH(double, date);
        QFETCH(QString, line);
        QCOMPARE(MakeEntry(gmina, natura, url, date), line);
    }
};

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
