// The date finder with a pinned clock: candidates, line normalisation, the
// scans, and whole pages searched year by year.
#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagecharset.h"
#include "support/seams.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QtTest>

using Lines = QList<QByteArray>;

namespace {

double day(int y, int m, int d)
{
    return datevalue::fromDate(QDate(y, m, d));
}

QDateTime noonOf(const QDate& date)
{
    return QDateTime(date, QTime(12, 0));
}

// Page text as Windows-1250 bytes, one line per string.
Lines cp1250Lines(const QStringList& lines)
{
    Lines out;
    for (const QString& l : lines)
        out << cp1250::fromUnicode(l);
    return out;
}

} // namespace

class TestSzukajDaty : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseDateCandidate_data();
    void parseDateCandidate();
    void normalizeDateLine_data();
    void normalizeDateLine();
    void normalizeMatchesPlainReplacements();
    void prepareDateLine_data();
    void prepareDateLine();
    void scans_data();
    void scans();
    void findNewestDate_data();
    void findNewestDate();
    void yearsBack_data();
    void yearsBack();
    void otherEncodingsAfterConversion_data();
    void otherEncodingsAfterConversion();
    void formsReadSinceTheyAppearOnPages_data();
    void formsReadSinceTheyAppearOnPages();
};

void TestSzukajDaty::parseDateCandidate_data()
{
    QTest::addColumn<QByteArray>("candidate");
    QTest::addColumn<QDate>("date"); // invalid: no date (0)
    QTest::newRow("year first") << QByteArray("2026-03-15") << QDate(2026, 3, 15);
    QTest::newRow("year last") << QByteArray("15-03-2026") << QDate(2026, 3, 15);
    QTest::newRow("short date after letters") << QByteArray("ia5.3.2026") << QDate(2026, 3, 5);
    QTest::newRow("short date before a tag") << QByteArray("2026.3.5</") << QDate(2026, 3, 5);
    QTest::newRow("slashes") << QByteArray("2026/11/30") << QDate(2026, 11, 30);
    QTest::newRow("leading zero day") << QByteArray("07-03-2026") << QDate(2026, 3, 7);
    QTest::newRow("two-digit day before a tag") << QByteArray("2026-3-15<") << QDate(2026, 3, 15);
    QTest::newRow("one letter before a two-digit day") << QByteArray("x15-3-2026") << QDate(2026, 3, 15);
    QTest::newRow("day and a letter after it") << QByteArray("2026-03-5a") << QDate(2026, 3, 5);
    QTest::newRow("leap day") << QByteArray("2024-02-29") << QDate(2024, 2, 29);
    QTest::newRow("31 February") << QByteArray("31.02.2026") << QDate();
    QTest::newRow("29 February of a common year") << QByteArray("2026-02-29") << QDate();
    QTest::newRow("month 13") << QByteArray("2026-13-01") << QDate();
    QTest::newRow("month 0") << QByteArray("2026-00-10") << QDate();
    QTest::newRow("day 0") << QByteArray("00.03.2026") << QDate();
    // Read as the year 26; only the search for four-digit years keeps it out.
    QTest::newRow("two-digit year") << QByteArray("15.03.26") << QDate(26, 3, 15);
    QTest::newRow("abbreviation with a period") << QByteArray("5-01-.2026") << QDate();
    QTest::newRow("month without a day") << QByteArray("-03-2026") << QDate();
    QTest::newRow("year alone") << QByteArray("2026") << QDate();
    QTest::newRow("empty") << QByteArray() << QDate();
    QTest::newRow("letters for a month") << QByteArray("2026-ab-10") << QDate();
    QTest::newRow("year with a letter") << QByteArray("15-03-2026r") << QDate();
}

void TestSzukajDaty::parseDateCandidate()
{
    QFETCH(QByteArray, candidate);
    QFETCH(QDate, date);
    QCOMPARE(ParseDateCandidate(candidate), date.isValid() ? datevalue::fromDate(date) : 0.0);
}

void TestSzukajDaty::normalizeDateLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("genitive") << "Dnia 15 Marca 2026 r." << "dnia15-03-2026r.";
    QTest::newRow("Polish capitals lowered") << "ŚRODA, 3 WRZEŚNIA 2026" << "środa,3-09-2026";
    QTest::newRow("nominative") << "Październik 2026" << "-10-2026";
    QTest::newRow("month and year only") << "marzec 2026" << "-03-2026";
    QTest::newRow("abbreviation with a period") << "15 sty. 2026" << "15-01-.2026";
    QTest::newRow("genitive before abbreviation") << "1 marca, 2 mar" << "1-03-,2-03-";
    QTest::newRow("maj in two columns") << "1 maja i 2 maj" << "1-05-i2-05-";
    QTest::newRow("nominative luty") << "luty 2026, 3 lutego" << "-02-2026,3-02-";
    QTest::newRow("inside a word") << "instytucja" << "in-01-tucja";
    QTest::newRow("every abbreviation")
        << "sty lut mar kwi maj cze lip sie wrz paź lis gru"
        << "-01--02--03--04--05--06--07--08--09--10--11--12-";
    QTest::newRow("tabs stay") << "15\tgrudnia\t2026" << "15\t-12-\t2026";
    QTest::newRow("without Polish letters") << "3 wrzesnia, 1 Pazdziernika, wrzesien, paz 2026"
                                            << "3-09-,1-10-,-09-,-10-2026";
    QTest::newRow("blank line") << "   " << "";
}

void TestSzukajDaty::normalizeDateLine()
{
    QFETCH(QString, line);
    QFETCH(QString, normalized);
    QCOMPARE(NormalizeDateLine(cp1250::fromUnicode(line)), cp1250::fromUnicode(normalized));
}

// The replacements done the plain way, one after another over the whole
// line, against the normalisation that skips months not present.
void TestSzukajDaty::normalizeMatchesPlainReplacements()
{
    const QStringList names = {
        "stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca", "lipca", "sierpnia", "września",
        "października", "listopada", "grudnia", "styczeń", "luty", "marzec", "kwiecień", "maj", "czerwiec",
        "lipiec", "sierpień", "wrzesień", "październik", "listopad", "grudzień", "sty", "lut", "mar", "kwi",
        "maj", "cze", "lip", "sie", "wrz", "paź", "lis", "gru"};
    // The names without Polish letters go after each column's own names.
    const QList<std::pair<QString, int>> plainNames = {
        {"stycznia", 1}, {"lutego", 2}, {"marca", 3}, {"kwietnia", 4}, {"maja", 5}, {"czerwca", 6},
        {"lipca", 7}, {"sierpnia", 8}, {"września", 9}, {"października", 10}, {"listopada", 11},
        {"grudnia", 12}, {"wrzesnia", 9}, {"pazdziernika", 10}, {"styczeń", 1}, {"luty", 2}, {"marzec", 3},
        {"kwiecień", 4}, {"maj", 5}, {"czerwiec", 6}, {"lipiec", 7}, {"sierpień", 8}, {"wrzesień", 9},
        {"październik", 10}, {"listopad", 11}, {"grudzień", 12}, {"styczen", 1}, {"kwiecien", 4},
        {"sierpien", 8}, {"wrzesien", 9}, {"pazdziernik", 10}, {"grudzien", 12}, {"sty", 1}, {"lut", 2},
        {"mar", 3}, {"kwi", 4}, {"maj", 5}, {"cze", 6}, {"lip", 7}, {"sie", 8}, {"wrz", 9}, {"paź", 10},
        {"lis", 11}, {"gru", 12}, {"paz", 10}};
    const QStringList fragments =
        names + QStringList{"li", "ma", "s", "ty", "r", "ca", " ", "15", "2026", "-", ".", "PAŹDZIERNIKA", "Stycz",
                            "eń", "ą", "\t", "ia", "wrzes", "nia", "paz", "dziernik", "a", "en", "WRZESIEN"};
    auto plain = [&](const QByteArray& line) {
        QByteArray text = line;
        text.replace(" ", "");
        text = cp1250::toLower(text);
        for (const auto& [name, month] : plainNames)
            text.replace(cp1250::fromUnicode(name), "-" + QByteArray::number(month).rightJustified(2, '0') + "-");
        return text;
    };
    quint32 seed = 2026;
    for (int n = 0; n < 5000; ++n) {
        QString line;
        for (int k = 0; k < 6; ++k) {
            seed = seed * 1664525u + 1013904223u;
            line += fragments[(seed >> 8) % fragments.size()];
        }
        const QByteArray bytes = cp1250::fromUnicode(line);
        QCOMPARE(NormalizeDateLine(bytes), plain(bytes));
    }
}

void TestSzukajDaty::scans_data()
{
    QTest::addColumn<QByteArray>("line"); // already normalised
    QTest::addColumn<char>("separator");
    QTest::addColumn<bool>("yearFirst");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("found");
    const QDate june(2026, 6, 1);
    const QDate floor(2026, 1, 1);
    QTest::newRow("1: year first with -") << QByteArray("2026-03-15") << '-' << true << june << QDate(2026, 3, 15)
                                          << true;
    QTest::newRow("2: year last with -") << QByteArray("dnia15-03-2026r.") << '-' << false << june
                                         << QDate(2026, 3, 15) << true;
    QTest::newRow("4: year last with .") << QByteArray("dnia5.3.2026") << '.' << false << june << QDate(2026, 3, 5)
                                         << true;
    QTest::newRow("3: year first with .") << QByteArray("2026.3.5</td>") << '.' << true << june
                                          << QDate(2026, 3, 5) << true;
    QTest::newRow("5: year first with /") << QByteArray("w2026/11/30") << '/' << true << QDate(2026, 12, 9)
                                          << QDate(2026, 11, 30) << true;
    QTest::newRow("6: year last with /") << QByteArray("<td>30/11/2026</td>") << '/' << false << QDate(2026, 12, 9)
                                         << QDate(2026, 11, 30) << true;
    QTest::newRow("greatest of two") << QByteArray("od2026-01-10do2026-02-20") << '-' << true << june
                                     << QDate(2026, 2, 20) << true;
    QTest::newRow("a later future date does not unmark the line")
        << QByteArray("od2026-01-10do2026-12-31") << '-' << true << june << QDate(2026, 1, 10) << true;
    QTest::newRow("future only") << QByteArray("2026-12-31") << '-' << true << june << floor << false;
    QTest::newRow("other separator not taken") << QByteArray("2026.03.15") << '-' << true << june << floor << false;
    QTest::newRow("short date at the start of a line") << QByteArray("5.3.2026r.ogłoszenie") << '.' << false
                                                       << june << QDate(2026, 3, 5) << true;
    QTest::newRow("short date right after an earlier one")
        << QByteArray("1.2.2026,5.3.2026r.") << '.' << false << june << QDate(2026, 3, 5) << true;
    QTest::newRow("other year not taken") << QByteArray("15-03-2025") << '-' << false << june << floor << false;
}

void TestSzukajDaty::scans()
{
    QFETCH(QByteArray, line);
    QFETCH(char, separator);
    QFETCH(bool, yearFirst);
    QFETCH(QDate, today);
    QFETCH(QDate, date);
    QFETCH(bool, found);
    PinnedClock clock(noonOf(today));
    const double floor = day(2026, 1, 1);
    const DateScan scan = yearFirst ? ScanYearFirst(line, separator, floor) : ScanYearLast(line, separator, floor);
    QCOMPARE(scan.found, found);
    QCOMPARE(datevalue::toDate(scan.date), date);
}

void TestSzukajDaty::findNewestDate_data()
{
    QTest::addColumn<QStringList>("page");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QDate>("date");
    const QDate june(2026, 6, 1);
    QTest::newRow("genitive month name") << QStringList{"<p>Ogłoszenie z dnia 15 marca 2026 r.</p>"}
                                         << QDate(2026, 3, 16) << true << QDate(2026, 3, 15);
    QTest::newRow("today is never found") << QStringList{"Ogłoszenie z dnia 15 marca 2026 r."}
                                          << QDate(2026, 3, 15) << false << QDate(2025, 1, 1);
    QTest::newRow("yesterday is found") << QStringList{"2026-03-14"} << QDate(2026, 3, 15) << true
                                        << QDate(2026, 3, 14);
    QTest::newRow("January looks back a year") << QStringList{"<td>30.11.2026</td>", "<td>2027-01-20</td>"}
                                               << QDate(2027, 1, 15) << true << QDate(2026, 11, 30);
    QTest::newRow("two years back is not found") << QStringList{"<td>30.11.2025</td>"} << QDate(2027, 1, 15)
                                                 << false << QDate(2026, 1, 1);
    QTest::newRow("future dates only") << QStringList{"2026-12-24", "24.12.2026", "24/12/2026"} << june << false
                                       << QDate(2025, 1, 1);
    QTest::newRow("31.02 and a two-digit year ignored") << QStringList{"31.02.2026", "15.03.26"} << june << false
                                                        << QDate(2025, 1, 1);
    QTest::newRow("month and year without a day") << QStringList{"marzec 2026"} << june << false
                                                  << QDate(2025, 1, 1);
    QTest::newRow("abbreviation with a period") << QStringList{"15 sty. 2026"} << june << true
                                                << QDate(2026, 1, 15);
    QTest::newRow("two dates on one line") << QStringList{"od 2026-01-10 do 2026-02-20"} << june << true
                                           << QDate(2026, 2, 20);
    QTest::newRow("a past and a future date on one line") << QStringList{"od 2026-01-10 do 2026-12-31"} << june
                                                          << true << QDate(2026, 1, 10);
    QTest::newRow("empty page") << QStringList{} << june << false << QDate(2025, 1, 1);
    QTest::newRow("blank lines") << QStringList{"", "   ", "\t"} << june << false << QDate(2025, 1, 1);
    QTest::newRow("newest across lines and forms")
        << QStringList{"2026-03-01", "<b>15.04.2026</b>", "w 2026/02/10", "3 maja 2026", "dnia 5.3.2026"} << june
        << true << QDate(2026, 5, 3);
    QTest::newRow("previous year when this one has only future dates")
        << QStringList{"2026-12-24", "30 czerwca 2025"} << QDate(2026, 3, 1) << true << QDate(2025, 6, 30);
    QTest::newRow("this year wins over a later day of last year")
        << QStringList{"2025-12-31", "2026-01-02"} << QDate(2026, 3, 1) << true << QDate(2026, 1, 2);
    QTest::newRow("nominative and abbreviation") << QStringList{"1 wrzesień 2026", "3 paź 2026"}
                                                 << QDate(2026, 12, 9) << true << QDate(2026, 10, 3);
    QTest::newRow("short date at the start of a line") << QStringList{"5.3.2026 r. – zarządzenie wójta"} << june
                                                       << true << QDate(2026, 3, 5);
    QTest::newRow("capital letters") << QStringList{"DNIA 3 WRZEŚNIA 2026 R."} << QDate(2026, 12, 9) << true
                                     << QDate(2026, 9, 3);
}

void TestSzukajDaty::findNewestDate()
{
    QFETCH(QStringList, page);
    QFETCH(QDate, today);
    QFETCH(bool, found);
    QFETCH(QDate, date);
    PinnedClock clock(noonOf(today));
    double result = -1;
    QCOMPARE(FindNewestDate(cp1250Lines(page), 1, result), found);
    QCOMPARE(datevalue::toDate(result), date);
    QCOMPARE(result, datevalue::dayOf(result)); // found dates carry no time of day
}

void TestSzukajDaty::yearsBack_data()
{
    QTest::addColumn<int>("yearsBack");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("date");
    QTest::newRow("negative searches nothing") << -1 << false << 0.0;
    QTest::newRow("this year only") << 0 << false << day(2026, 1, 1);
    QTest::newRow("one back") << 1 << false << day(2025, 1, 1);
    QTest::newRow("two back") << 2 << true << day(2024, 7, 1);
}

void TestSzukajDaty::yearsBack()
{
    QFETCH(int, yearsBack);
    QFETCH(bool, found);
    QFETCH(double, date);
    PinnedClock clock(noonOf(QDate(2026, 6, 1)));
    double result = -1;
    QCOMPARE(FindNewestDate({"2024-07-01", "2026-12-01"}, yearsBack, result), found);
    QCOMPARE(result, date);
}

void TestSzukajDaty::otherEncodingsAfterConversion_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("contentType");
    const QString line = QStringLiteral("<p>Obwieszczenie z dnia 3 września 2026 r.</p>");
    QTest::newRow("UTF-8 declared") << line.toUtf8() << "text/html; charset=utf-8";
    QTest::newRow("UTF-8 undeclared") << line.toUtf8() << "text/html";
    QByteArray iso = line.toLatin1();
    iso.replace('?', '\xb6'); // "ś" of ISO-8859-2 where Latin-1 has none
    QTest::newRow("ISO-8859-2") << iso << "text/html; charset=iso-8859-2";
}

void TestSzukajDaty::otherEncodingsAfterConversion()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, contentType);
    PinnedClock clock(noonOf(QDate(2026, 10, 1)));
    double date = 0;
    // As bytes the name with a Polish letter is no month...
    QVERIFY(!FindNewestDate({bytes}, 1, date));
    // ...in Windows-1250 it is.
    QVERIFY(FindNewestDate(LinesAsCp1250({bytes}, contentType), 1, date));
    QCOMPARE(datevalue::toDate(date), QDate(2026, 9, 3));
}

void TestSzukajDaty::prepareDateLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("prepared");
    QTest::newRow("nothing to do") << "<td>15.03.2026</td>" << "<td>15.03.2026</td>";
    QTest::newRow("entities") << "3&nbsp;wrze&#347;nia&#160;2026 &amp; 4&#x20;maja" << "3 września 2026 & 4 maja";
    QTest::newRow("nbsp without its semicolon") << "3&nbspmaja 2026" << "3 maja 2026";
    QTest::newRow("unknown entity stays") << "&bogus; &#; &" << "&bogus; &#; &";
    QTest::newRow("no-break spaces and tabs") << u"3\u00A0maja\t2026"_qs << "3 maja 2026";
    QTest::newRow("Roman month") << "12 XII 2025, 3.III.2026 r., 7-IX-2026" << "12.12.2025, 3.3.2026 r., 7.9.2026";
    QTest::newRow("not a Roman month") << "Rozdział XII 2026, 3 XIII 2026, 3 XIIa 2026"
                                       << "Rozdział XII 2026, 3 XIII 2026, 3 XIIa 2026";
    QTest::newRow("abbreviation with a period") << "3 sty. 2026, 4 Paź. 2026, 5 gru.2026" << "3 sty 2026, 4 Paź 2026, 5 gru2026";
    QTest::newRow("period of another word") << "ul. Mar. 2026, sty. 2026" << "ul. Mar. 2026, sty. 2026";
    QTest::newRow("case reference") << "OŚ.6220.5.2026" << "OŚ.6220.5.####";
    QTest::newRow("longer number") << "Nr 120.5.2026, 1.5.20265" << "Nr 120.5.####, 1.5.#####";
    QTest::newRow("office before a short date") << "RI.5.3.2026" << "RI.5.3.####";
    QTest::newRow("initials after the year") << "WOOŚ.4220.12.2021.AB, 5.3.2026.AB" << "WOOŚ.4220.12.####.AB, 5.3.####.AB";
    QTest::newRow("a word before a short date") << "z dn.5.03.2026, Dn.6.03.2026" << "z dn.5.03.2026, Dn.6.03.2026";
    QTest::newRow("range") << "01.03.2026-15.03.2026, 2026-03-01/2026-03-15" << "01.03.2026-15.03.2026, 2026-03-01/2026-03-15";
    QTest::newRow("year first glued") << "6220.2026.03.15, 2026.03.150" << "6220.####.03.15, ####.03.150";
    QTest::newRow("sentence after the year") << "dnia 5.03.2026. Wójt" << "dnia 5.03.2026. Wójt";
}

void TestSzukajDaty::prepareDateLine()
{
    QFETCH(QString, line);
    QFETCH(QString, prepared);
    QCOMPARE(cp1250::toUnicode(PrepareDateLine(cp1250::fromUnicode(line))), prepared);
}

// Forms that real pages write and that the finder reads besides the
// described ones, and references it must not read, each with the date a
// reader takes from the line.
void TestSzukajDaty::formsReadSinceTheyAppearOnPages_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QDate>("date"); // null: nothing found
    auto cp = [](const QString& s) { return cp1250::fromUnicode(s); };
    QTest::newRow("case reference") << cp(u"OŚ.6220.5.2026"_qs) << QDate();
    QTest::newRow("order number") << cp(u"Zarządzenie Nr 120.5.2026"_qs) << QDate();
    QTest::newRow("the real date wins over the reference")
        << cp(u"OŚ.6220.7.2026 z dnia 5 marca 2026 r."_qs) << QDate(2026, 3, 5);
    QTest::newRow("reference after the date") << cp(u"z dnia 2.11.2026 r., znak GKR.6220.14.2026"_qs)
                                              << QDate(2026, 11, 2);
    QTest::newRow("genitive without Polish letters") << QByteArray("3 wrzesnia 2026") << QDate(2026, 9, 3);
    QTest::newRow("pazdziernika") << QByteArray("Dnia 14 pazdziernika 2026 r.") << QDate(2026, 10, 14);
    QTest::newRow("abbreviation with a period") << QByteArray("3 sty. 2026") << QDate(2026, 1, 3);
    QTest::newRow("Roman month") << QByteArray("12 XII 2025") << QDate(2025, 12, 12);
    QTest::newRow("Roman month with dots") << QByteArray("3.III.2026 r.") << QDate(2026, 3, 3);
    QTest::newRow("entity nbsp") << QByteArray("5&nbsp;marca&nbsp;2026") << QDate(2026, 3, 5);
    QTest::newRow("no-break space, Windows-1250") << QByteArray("5\xA0" "marca\xA0" "2026") << QDate(2026, 3, 5);
    QTest::newRow("no-break space, UTF-8 bytes") << QByteArray("5\xC2\xA0" "marca\xC2\xA0" "2026") << QDate(2026, 3, 5);
    QTest::newRow("tab") << QByteArray("5\tmarca\t2026") << QDate(2026, 3, 5);
    QTest::newRow("entity inside the month") << QByteArray("3 wrze&#347;nia 2026") << QDate(2026, 9, 3);
    QTest::newRow("named entity inside the month") << QByteArray("3 wrze&sacute;nia 2026") << QDate(2026, 9, 3);
    QTest::newRow("date range") << QByteArray("01.03.2026-15.03.2026") << QDate(2026, 3, 15);
    QTest::newRow("longer number") << QByteArray("tel. 5.3.20261") << QDate();
    QTest::newRow("a word glued by a dot") << QByteArray("z dn.15.03.2026") << QDate(2026, 3, 15);
}

void TestSzukajDaty::formsReadSinceTheyAppearOnPages()
{
    QFETCH(QByteArray, line);
    QFETCH(QDate, date);
    PinnedClock clock(noonOf(QDate(2026, 12, 9)));
    double found = 0;
    QCOMPARE(FindNewestDate({line}, 1, found), date.isValid());
    if (date.isValid())
        QCOMPARE(datevalue::toDate(found), date);
}

QTEST_GUILESS_MAIN(TestSzukajDaty)
#include "tst_szukajdaty.moc"
