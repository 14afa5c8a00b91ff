// Case references and document numbers as offices print them, and the date
// finder that never reads a date out of one.
#include "SzukajDaty/casereference.h"
#include "SzukajDaty/szukajdaty.h"
#include "support/seams.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QtTest>

class TestCaseReference : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void found_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("references"); // "S:" case sign, "N:" document number
        QTest::newRow("environmental decision") << "Znak sprawy: OŚ.6220.5.2026" << QStringList{"S:OŚ.6220.5.2026"};
        QTest::newRow("reference before a date") << "OŚ.6220.7.2026 z dnia 5 marca 2026 r."
                                                 << QStringList{"S:OŚ.6220.7.2026"};
        QTest::newRow("clerk's initials") << "znak: WOOŚ.4220.12.2021.AB, Gdańsk"
                                          << QStringList{"S:WOOŚ.4220.12.2021.AB"};
        QTest::newRow("regional directorate")
            << "RDOŚ-Gd-WOO.420.5.2026.AM.1 z dnia 2 lutego 2026" << QStringList{"S:RDOŚ-Gd-WOO.420.5.2026.AM.1"};
        QTest::newRow("office with a small i") << "GKiOŚ.6220.3.2026" << QStringList{"S:GKiOŚ.6220.3.2026"};
        QTest::newRow("blank after the office") << "Nasz znak: OŚ. 6220.14.2026" << QStringList{"S:OŚ. 6220.14.2026"};
        QTest::newRow("two in a line") << "GKR.6220.14.2026 (poprzednio GKR.6220.9.2025)"
                                       << QStringList{"S:GKR.6220.14.2026", "S:GKR.6220.9.2025"};
        QTest::newRow("ends before a word") << "IR.6733.2.2026Obwieszczenie" << QStringList{"S:IR.6733.2.2026"};
        QTest::newRow("order number") << "Zarządzenie Nr 120.5.2026 Wójta Gminy" << QStringList{"N:120.5.2026"};
        QTest::newRow("resolution") << "Uchwała nr XII/123/2026 Rady Gminy" << QStringList{"N:XII/123/2026"};
        QTest::newRow("nr with a period") << "Obwieszczenie Nr. 13/2026" << QStringList{"N:13/2026"};
        QTest::newRow("case sign after Nr") << "decyzja nr RI.6220.2.2026.MK" << QStringList{"S:RI.6220.2.2026.MK"};
        // Not references: dates, law gazettes, plots, words in capitals.
        QTest::newRow("date") << "Gdańsk, 15.03.2026 r." << QStringList{};
        QTest::newRow("law gazette") << "(Dz.U. z 2024 r. poz. 1112, Dz.U.2023.1094)" << QStringList{};
        QTest::newRow("plot") << "działka nr 324/24 obręb Laskowiec" << QStringList{};
        QTest::newRow("Nr is no office") << "Nr.6220.5.2026" << QStringList{"N:6220.5.2026"};
        QTest::newRow("glued to a word") << "abcOŚ.6220.5.2026" << QStringList{};
        QTest::newRow("no year") << "OŚ.6220.5.26 i ZP.271.5" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void found()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, references);
        QStringList got;
        for (const CaseReference& r : FindCaseReferences(text)) {
            QVERIFY(r.position >= 0 && r.position + r.length <= text.size());
            got << (r.kind == CaseReference::Kind::CaseSign ? u"S:"_qs : u"N:"_qs) + text.sliced(r.position, r.length);
        }
        QCOMPARE(got, references);
        QStringList texts;
        for (const QString& r : references)
            texts << r.mid(2);
        QCOMPARE(CaseReferenceTexts(text), texts);
    }

    // Whatever the recogniser calls a reference, the date finder never
    // reads as a date, alone or beside a real one.
    void noReferenceIsADate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date"); // the real date beside it; null when none
        QTest::newRow("OŚ.6220.5.2026") << "OŚ.6220.5.2026" << QDate();
        QTest::newRow("Nr 120.5.2026") << "Zarządzenie Nr 120.5.2026" << QDate();
        QTest::newRow("with a real date") << "OŚ.6220.7.2026 z dnia 5 marca 2026 r." << QDate(2026, 3, 5);
        QTest::newRow("initials") << "WOOŚ.4220.12.2026.AB" << QDate();
        QTest::newRow("office and a short number") << "RI.5.3.2026" << QDate();
        QTest::newRow("sub-number after the year") << "GKR.6220.14.2026.1" << QDate();
        QTest::newRow("slashes") << "Uchwała nr XII/12/5/2026" << QDate();
        QTest::newRow("reference then a numeric date") << "GKR.6220.14.2026 z 02.03.2026" << QDate(2026, 3, 2);
    }
    void noReferenceIsADate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QVERIFY(!FindCaseReferences(text).isEmpty());
        PinnedClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
        double found = 0;
        const bool any = FindNewestDate({cp1250::fromUnicode(text)}, 1, found);
        QCOMPARE(any, date.isValid());
        if (any)
            QCOMPARE(datevalue::toDate(found), date);
    }
};

QTEST_GUILESS_MAIN(TestCaseReference)
#include "tst_casereference.moc"
