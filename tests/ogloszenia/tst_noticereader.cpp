// The parts of reading a notice: the working-day rule of periods, dates in
// the forms notices write them (and references that are no dates), what is
// a comment window and what only looks like one, notices read only where a
// check brought new lines, the record's own area, and the JSON form.
#include "ogloszenia/noticereader.h"
#include "ogloszenia/textdates.h"
#include "ogloszenia/workdays.h"

#include <QJsonDocument>
#include <QtTest>

using namespace ogloszenia;

namespace {

const QDate kToday(2026, 12, 10);

QList<Notice> read(const QStringList& lines, const QStringList& context = {})
{
    ReadOptions o;
    o.today = kToday;
    o.context = context;
    return ReadNotices(lines, o);
}

// A notice of a wójt with one sentence of its own in the middle.
QStringList noticeWith(const QString& sentence)
{
    return {QStringLiteral("Cieszków, dnia 2 grudnia 2026 r."), QStringLiteral("RIR.6220.3.2026"),
            QStringLiteral("O B W I E S Z C Z E N I E"),
            QStringLiteral("Wójt Gminy Cieszków zawiadamia, że na wniosek inwestora zostało wszczęte postępowanie w sprawie "
                           "wydania decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia polegającego na budowie "
                           "stawu retencyjnego w Pakosławsku."),
            sentence, QStringLiteral("Wójt Gminy Cieszków")};
}

} // namespace

class TestNoticeReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void easter_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("easter");
        QTest::newRow("2024") << 2024 << QDate(2024, 3, 31);
        QTest::newRow("2025") << 2025 << QDate(2025, 4, 20);
        QTest::newRow("2026") << 2026 << QDate(2026, 4, 5);
        QTest::newRow("2027") << 2027 << QDate(2027, 3, 28);
        QTest::newRow("2038") << 2038 << QDate(2038, 4, 25);
    }
    void easter()
    {
        QFETCH(int, year);
        QFETCH(QDate, easter);
        QCOMPARE(EasterSunday(year), easter);
    }

    void holidays_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("holiday");
        QTest::newRow("Easter Monday") << QDate(2026, 4, 6) << true;
        QTest::newRow("Tuesday after") << QDate(2026, 4, 7) << false;
        QTest::newRow("Pentecost") << QDate(2026, 5, 24) << true;
        QTest::newRow("Corpus Christi") << QDate(2026, 6, 4) << true;
        QTest::newRow("3 May") << QDate(2026, 5, 3) << true;
        QTest::newRow("Epiphany") << QDate(2027, 1, 6) << true;
        QTest::newRow("11 November") << QDate(2026, 11, 11) << true;
        QTest::newRow("Christmas Eve 2024") << QDate(2024, 12, 24) << false;
        QTest::newRow("Christmas Eve 2025") << QDate(2025, 12, 24) << true;
        QTest::newRow("ordinary day") << QDate(2026, 11, 12) << false;
    }
    void holidays()
    {
        QFETCH(QDate, day);
        QFETCH(bool, holiday);
        QCOMPARE(IsPublicHoliday(day), holiday);
    }

    void periodEnd_data()
    {
        QTest::addColumn<QDate>("event");
        QTest::addColumn<int>("days");
        QTest::addColumn<QDate>("end");
        QTest::newRow("plain Tuesday") << QDate(2026, 11, 24) << 21 << QDate(2026, 12, 15);
        QTest::newRow("Sunday to Monday") << QDate(2026, 11, 6) << 30 << QDate(2026, 12, 7);
        QTest::newRow("Saturday to Monday") << QDate(2026, 10, 22) << 30 << QDate(2026, 11, 23);
        QTest::newRow("Christmas to 28 December") << QDate(2026, 12, 3) << 21 << QDate(2026, 12, 28);
        QTest::newRow("Easter Monday") << QDate(2026, 3, 16) << 21 << QDate(2026, 4, 7);
        QTest::newRow("All Saints on a Sunday") << QDate(2026, 10, 20) << 12 << QDate(2026, 11, 2);
        QTest::newRow("15 August on a Saturday") << QDate(2026, 7, 31) << 15 << QDate(2026, 8, 17);
    }
    void periodEnd()
    {
        QFETCH(QDate, event);
        QFETCH(int, days);
        QFETCH(QDate, end);
        QCOMPARE(PeriodEnd(event, days), end);
        QVERIFY(!PeriodEnd(QDate(), days).isValid());
    }

    void periodInMonths()
    {
        // 31 January + 1 month is 28 February 2026, a Saturday.
        QCOMPARE(PeriodEndMonths(QDate(2026, 1, 31), 1), QDate(2026, 3, 2));
        QCOMPARE(PeriodEndMonths(QDate(2026, 3, 10), 1), QDate(2026, 4, 10));
    }

    void datesInText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QDate>>("dates");
        using D = QList<QDate>;
        QTest::newRow("genitive") << "Milicz, dnia 5 grudnia 2026 r." << D{QDate(2026, 12, 5)};
        QTest::newRow("without Polish letters") << "Twardogora, 3 wrzesnia 2026 r." << D{QDate(2026, 9, 3)};
        QTest::newRow("Polish capitals") << "DNIA 12 PAŹDZIERNIKA 2026" << D{QDate(2026, 10, 12)};
        QTest::newRow("abbreviation with a period") << "dnia 12 paź. 2026 r." << D{QDate(2026, 10, 12)};
        QTest::newRow("Roman month") << "Bierutów, 12 XI 2026 r." << D{QDate(2026, 11, 12)};
        QTest::newRow("Roman month with periods") << "Data: 3.III.2026 r." << D{QDate(2026, 3, 3)};
        QTest::newRow("glued r.") << "Leszno, dnia 17.11.2026r." << D{QDate(2026, 11, 17)};
        QTest::newRow("year first") << "Zawonia, 2026-09-08" << D{QDate(2026, 9, 8)};
        QTest::newRow("slashes") << "z dnia 05/03/2026" << D{QDate(2026, 3, 5)};
        QTest::newRow("no-break space") << QStringLiteral("dnia\u00A05\u00A0marca\u00A02026") << D{QDate(2026, 3, 5)};
        QTest::newRow("two in a range") << "od 14.04.2022 r. do 13.05.2022 r." << D{QDate(2022, 4, 14), QDate(2022, 5, 13)};
        QTest::newRow("reference") << "OŚ.6220.5.2026" << D{};
        QTest::newRow("order number") << "Zarządzenie Nr 120.5.2026" << D{};
        QTest::newRow("reference before a date") << "OŚ.6220.7.2026 z dnia 5 marca 2026 r." << D{QDate(2026, 3, 5)};
        QTest::newRow("date glued to a suffix") << "GKR.14.12.2026.AB" << D{};
        QTest::newRow("no such day") << "31.02.2026" << D{};
        QTest::newRow("two-digit year") << "15.03.26" << D{};
    }
    void datesInText()
    {
        QFETCH(QString, text);
        QFETCH(QList<QDate>, dates);
        QList<QDate> found;
        for (const TextDate& d : DatesIn(Fold(text)))
            found << d.date;
        QCOMPARE(found, dates);
    }

    void commentWindows_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("until");
        QTest::addColumn<bool>("computed");
        QTest::newRow("explicit range") << "Uwagi i wnioski można składać w terminie od dnia 7 grudnia 2026 r. do dnia "
                                           "5 stycznia 2027 r."
                                        << QDate(2026, 12, 7) << QDate(2027, 1, 5) << false;
        QTest::newRow("range with a dash") << "Uwagi można wnosić w dniach 8.12.2026 – 29.12.2026."
                                           << QDate(2026, 12, 8) << QDate(2026, 12, 29) << false;
        // From the publication date the page gives.
        QTest::newRow("only an end") << "Wnioski należy składać w terminie do dnia 30 grudnia 2026 r."
                                     << QDate(2026, 12, 3) << QDate(2026, 12, 30) << false;
        QTest::newRow("days from a given day") << "Uwagi i wnioski można składać w terminie 30 dni od dnia 22 października "
                                                  "2026 r."
                                               << QDate(2026, 10, 22) << QDate(2026, 11, 23) << true;
        QTest::newRow("days from publication") << "Uwagi i wnioski można składać w terminie 21 dni od dnia publikacji "
                                                  "niniejszego obwieszczenia."
                                               << QDate(2026, 12, 3) << QDate(2026, 12, 28) << true;
        QTest::newRow("days in words too") << "Uwagi można składać w terminie 14 (czternastu) dni od dnia podania do "
                                              "publicznej wiadomości."
                                           << QDate(2026, 12, 3) << QDate(2026, 12, 17) << true;
        QTest::newRow("appeal") << "Od decyzji służy odwołanie w terminie 14 dni od dnia jej doręczenia." << QDate()
                                << QDate() << false;
        QTest::newRow("delivery") << "Zawiadomienie uważa się za dokonane po upływie 14 dni od dnia publicznego "
                                     "obwieszczenia, a uwagi rozpatrzy organ."
                                  << QDate() << QDate() << false;
        QTest::newRow("posting") << "Obwieszczenie wywiesza się na okres 14 dni, tj. do dnia 17 grudnia 2026 r., "
                                    "uwagi nie są zbierane."
                                 << QDate() << QDate() << false;
        QTest::newRow("new settlement date") << "Nowy termin załatwienia sprawy wyznacza się do dnia 31 stycznia 2027 r. "
                                                "po rozpatrzeniu uwag."
                                             << QDate() << QDate() << false;
        QTest::newRow("parties and evidence") << "Strony mogą w terminie 7 dni wypowiedzieć się co do zebranych dowodów."
                                              << QDate() << QDate() << false;
        QTest::newRow("a period from an unknown day") << "Uwagi można składać w terminie 21 dni od dnia otrzymania "
                                                         "pisma."
                                                      << QDate() << QDate() << false;
    }
    void commentWindows()
    {
        QFETCH(QString, sentence);
        QFETCH(QDate, from);
        QFETCH(QDate, until);
        QFETCH(bool, computed);
        // The page's publication date stands elsewhere on the page.
        const QList<Notice> notices = read(noticeWith(sentence), {QStringLiteral("Data publikacji: 03.12.2026")});
        QCOMPARE(notices.size(), 1);
        const Notice& n = notices.first();
        QCOMPARE(n.commentsFrom, from);
        QCOMPARE(n.commentsUntil, until);
        QCOMPARE(n.commentsComputed, computed);
        QCOMPARE(n.reference, QStringLiteral("RIR.6220.3.2026"));
        QCOMPARE(n.date, QDate(2026, 12, 2));
        QCOMPARE(n.authority, QStringLiteral("Wójt Gminy Cieszków"));
    }

    void aDecisionOpensNoWindow()
    {
        QStringList lines = noticeWith(QStringLiteral("W postępowaniu zapewniono udział społeczeństwa, uwagi można było "
                                                      "składać od dnia 2 lipca 2026 r. do dnia 31 lipca 2026 r."));
        lines[3] = QStringLiteral("Wójt Gminy Cieszków podaje do publicznej wiadomości, że w dniu 1 grudnia 2026 r. "
                                  "została wydana decyzja o środowiskowych uwarunkowaniach dla przedsięwzięcia "
                                  "polegającego na budowie stawu retencyjnego.");
        const Notice n = read(lines).value(0);
        QCOMPARE(n.stage, QStringLiteral("decyzja"));
        QVERIFY(!n.commentsUntil.isValid());
    }

    // List rows that put their date first are notices of their own: what
    // they say (a decision) is not taken into the notice above them.
    void listRowsWithTheirDateFirst_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QDate>("date");
        QTest::newRow("month name, dash") << QStringLiteral("1 listopada 2026 – Obwieszczenie o wydaniu decyzji o "
                                                            "środowiskowych uwarunkowaniach dla budowy drogi")
                                          << QDate(2026, 11, 1);
        QTest::newRow("ISO, space") << QStringLiteral("2026-11-03 Informacja o wydaniu decyzji o środowiskowych "
                                                      "uwarunkowaniach")
                                    << QDate(2026, 11, 3);
        QTest::newRow("dots, r., hyphen") << QStringLiteral("04.11.2026 r. - Zawiadomienie o wydaniu decyzji")
                                          << QDate(2026, 11, 4);
    }
    void listRowsWithTheirDateFirst()
    {
        QFETCH(QString, row);
        QFETCH(QDate, date);
        QStringList lines = noticeWith(QStringLiteral("Uwagi i wnioski można składać od dnia 3 grudnia 2026 r. do "
                                                      "dnia 23 grudnia 2026 r."));
        lines << row;
        const QList<Notice> notices = read(lines);
        QCOMPARE(notices.size(), 2);
        QCOMPARE(notices[0].stage, QStringLiteral("konsultacje"));
        QCOMPARE(notices[0].commentsUntil, QDate(2026, 12, 23));
        QCOMPARE(notices[1].date, date);
        QCOMPARE(notices[1].stage, QStringLiteral("decyzja"));
        // A line that only begins with a date is no heading.
        lines.last() = QStringLiteral("3 grudnia 2026 r. odbyła się rozprawa administracyjna");
        QCOMPARE(read(lines).size(), 1);
    }

    void onlyTheNoticesOfNewLinesAreRead()
    {
        QStringList page = noticeWith(QStringLiteral("Z dokumentacją można zapoznać się w urzędzie."));
        QStringList second = noticeWith(QStringLiteral("Uwagi można składać do dnia 30 grudnia 2026 r."));
        second[1] = QStringLiteral("RIR.6220.4.2026");
        page << QStringLiteral("Wójt Gminy Cieszków informuje") << second;
        ReadOptions o;
        o.today = kToday;
        QCOMPARE(ReadNotices(page, o).size(), 2);
        // Only the second notice's reference line and deadline are new; its
        // heading and signature are like the first one's.
        o.touched = {int(page.size()) - 5, int(page.size()) - 2};
        const QList<Notice> news = ReadNotices(page, o);
        QCOMPARE(news.size(), 1);
        QCOMPARE(news[0].reference, QStringLiteral("RIR.6220.4.2026"));
        QCOMPARE(news[0].authority, QStringLiteral("Wójt Gminy Cieszków"));
        QCOMPARE(news[0].kind, QStringLiteral("obwieszczenie"));
        o.touched = {int(page.size()) - 7}; // the line under the first one's signature
        const QList<Notice> first = ReadNotices(page, o);
        QCOMPARE(first.size(), 1);
        QCOMPARE(first[0].reference, QStringLiteral("RIR.6220.3.2026"));
        o.touched = {int(page.size()) + 5};
        QCOMPARE(ReadNotices(page, o).size(), 0);
    }

    void naturaAndTheRecordsOwnArea_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("ownArea");
        QTest::addColumn<bool>("natura");
        QTest::addColumn<QString>("area");
        QTest::addColumn<bool>("own");
        QTest::newRow("code, own by name") << "Teren leży w obszarze Natura 2000 Dolina Baryczy PLB020001."
                                           << "Dolina Baryczy" << true << "PLB020001" << true;
        QTest::newRow("name only") << "Staw leży w obszarze Natura 2000 „Ostoja nad Baryczą”." << "Dolina Baryczy"
                                   << true << "Ostoja nad Baryczą" << false;
        QTest::newRow("other area by code") << "Inwestycja graniczy z obszarem PLH020041." << "Dolina Baryczy" << true
                                            << "PLH020041" << false;
        QTest::newRow("denied") << "Przedsięwzięcie nie jest położone na obszarze Natura 2000." << "Dolina Baryczy"
                                << false << "" << false;
        QTest::newRow("outside") << "Teren leży poza obszarami Natura 2000." << "" << false << "" << false;
        QTest::newRow("not named at all") << "Z dokumentacją można zapoznać się w urzędzie." << "" << false << ""
                                          << false;
    }
    void naturaAndTheRecordsOwnArea()
    {
        QFETCH(QString, sentence);
        QFETCH(QString, ownArea);
        QFETCH(bool, natura);
        QFETCH(QString, area);
        QFETCH(bool, own);
        ReadOptions o;
        o.today = kToday;
        o.ownArea = ownArea;
        const Notice n = ReadNotices(noticeWith(sentence), o).value(0);
        QCOMPARE(n.natura2000, natura);
        QCOMPARE(n.area, area);
        QCOMPARE(n.ownArea, own);
    }

    void sameArea_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("same");
        QTest::newRow("code in the record") << "PLB020001" << "Dolina Baryczy PLB020001" << true;
        QTest::newRow("letter case") << "Dolina Baryczy" << "dolina baryczy" << true;
        QTest::newRow("with the words") << "obszar Natura 2000 Dolina Baryczy" << "Dolina Baryczy" << true;
        QTest::newRow("another area") << "Ostoja nad Baryczą" << "Dolina Baryczy" << false;
        QTest::newRow("nothing named") << "" << "Dolina Baryczy" << false;
    }
    void sameArea()
    {
        QFETCH(QString, named);
        QFETCH(QString, record);
        QFETCH(bool, same);
        QCOMPARE(SameArea(named, record), same);
    }

    void jsonHasEveryKeyAndNulls()
    {
        Notice n;
        n.kind = QStringLiteral("ogłoszenie");
        n.procedure = QStringLiteral("SOOŚ");
        n.commentsUntil = QDate(2026, 12, 28);
        const QJsonObject o = ToJson(n);
        QCOMPARE(o.keys().size(), 11);
        QVERIFY(o.value(QStringLiteral("znak")).isNull());
        QVERIFY(o.value(QStringLiteral("uwagi_od")).isNull());
        QCOMPARE(o.value(QStringLiteral("uwagi_do")).toString(), QStringLiteral("2026-12-28"));
        QCOMPARE(o.value(QStringLiteral("natura2000")), QJsonValue(false));
        QCOMPARE(FromJson(o), n);
        QVERIFY(!n.isOpen(QDate(2026, 12, 29)));
        QVERIFY(n.isOpen(QDate(2026, 12, 28)));
    }

    void sectionsAndMenusAreNoNotices()
    {
        const QStringList page = {QStringLiteral("Ogłoszenia i obwieszczenia"), QStringLiteral("Obwieszczenia i zawiadomienia – ochrona środowiska"),
                                  QStringLiteral("Informacja o przetwarzaniu danych osobowych"),
                                  QStringLiteral("Obwieszczenie wywiesza się na tablicy ogłoszeń na okres 14 dni."),
                                  QStringLiteral("Decyzje środowiskowe")};
        QVERIFY(read(page).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNoticeReader)
#include "tst_noticereader.moc"
