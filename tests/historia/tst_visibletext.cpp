// The visible text of real pages (scripts, styles and markup gone, entities
// decoded, every charset to UTF-8) and the noise rules that the comparison
// goes through.
#include "historia/noiserules.h"
#include "historia/versiondiff.h"
#include "historia/visibletext.h"
#include "text/cp1250.h"

#include <QtTest>

using namespace historia;

class TestVisibleText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markupScriptsAndStylesAreNotText()
    {
        const QByteArray page =
            "<!DOCTYPE html><html><head><title>Gmina</title><style>p{color:red}</style>"
            "<script>var licznik = 5; document.write('<p>x</p>');</script></head>"
            "<body><h1>Ochrona&nbsp;środowiska</h1><!-- komentarz -->"
            "<p>Obwieszczenie &bdquo;Wójta&rdquo; &amp; Rady<br>z dnia 8 grudnia 2026 r.</p>"
            "<ul><li>pierwszy   <b>punkt</b></li><li>drugi</li></ul>"
            "<table><tr><td>2026-12-08</td><td>Decyzja</td></tr></table>"
            "<div hidden>ukryte</div><div style=\"display: none\">też ukryte</div>"
            "<noscript>Włącz JavaScript</noscript><p>koniec";
        QCOMPARE(VisibleText(page, "utf-8", QStringLiteral("text/html; charset=utf-8")),
                 QStringLiteral("Ochrona środowiska\n"
                                "Obwieszczenie „Wójta” & Rady\n"
                                "z dnia 8 grudnia 2026 r.\n"
                                "pierwszy punkt\n"
                                "drugi\n"
                                "2026-12-08 Decyzja\n"
                                "koniec"));
    }

    void charsetsBecomeTheSameText()
    {
        const QString text = QStringLiteral("Zażółć gęślą jaźń");
        const QByteArray html = "<p>" + cp1250::fromUnicode(text) + "</p>";
        QCOMPARE(VisibleText(html, "windows-1250", QStringLiteral("text/html")), text);
        QCOMPARE(VisibleText("<p>" + text.toUtf8() + "</p>", "", QStringLiteral("text/html")), text);
        // No charset and not UTF-8: the Polish code page.
        QCOMPARE(VisibleText(html, "", QStringLiteral("text/html")), text);
        QByteArray latin2 = html;
        // ą, ś and ź differ between the two code pages.
        latin2.replace(char(0xB9), char(0xB1)).replace(char(0x9C), char(0xB6)).replace(char(0x9F), char(0xBC));
        QCOMPARE(VisibleText(latin2, "iso-8859-2", QStringLiteral("text/html")), text);
    }

    // Pages in the forms municipalities write: the tree parser and the one
    // for very large pages read the same text.
    void bothParsersReadTheSameText_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("markup, scripts, hidden parts")
            << QByteArray("<!DOCTYPE html><html><head><title>Gmina</title><style>p{color:red}</style>"
                          "<script>var licznik = 5; document.write('<p>x</p>');</script></head>"
                          "<body><h1>Ochrona&nbsp;środowiska</h1><!-- komentarz -->"
                          "<p>Obwieszczenie &bdquo;Wójta&rdquo; &amp; Rady<br>z dnia 8 grudnia 2026 r.</p>"
                          "<ul><li>pierwszy   <b>punkt</b></li><li>drugi</li></ul>"
                          "<div hidden>ukryte</div><div style=\"display: none\">też ukryte</div>"
                          "<noscript>Włącz JavaScript</noscript><p>koniec")
            << QByteArray("utf-8");
        QTest::newRow("BIP table, upper-case tags, unquoted attributes")
            << QByteArray("<HTML><BODY><TABLE border=1 class=wykaz><TR><TH>Lp.</TH><TH>Data</TH><TH>Dokument</TH></TR>\n"
                          "<TR><TD>1</TD><TD>2026-12-08</TD><TD><A HREF=decyzja.pdf>Decyzja o środowiskowych "
                          "uwarunkowaniach</A></TD></TR>\n<TR><TD>2</TD><TD>01.12.2026</TD><TD>Obwieszczenie RDOŚ"
                          "</TD></TR></TABLE></BODY></HTML>")
            << QByteArray("utf-8");
        QTest::newRow("unclosed paragraphs and items")
            << QByteArray("<body><p>Zawiadomienie o wszczęciu postępowania<p>znak: OŚ.6220.1.2026"
                          "<ul><li>wniosek<li>karta informacyjna przedsięwzięcia</ul><p>Wójt Gminy</body>")
            << QByteArray("utf-8");
        QTest::newRow("preformatted and a form")
            << QByteArray("<body><pre>Wykaz:\n  1. decyzja\n\n  2. postanowienie</pre>"
                          "<form><textarea>uwagi\nmieszkańców</textarea><select><option>2025<option>2026</select>"
                          "</form><img src=herb.png alt=\"Herb gminy\"> stopka</body>")
            << QByteArray("utf-8");
        QTest::newRow("entities") << QByteArray("<p>Gmina &#346;roda &#x15A;l&#261;ska &oacute; &lt;ul.&gt; 5&nbsp;km</p>")
                                  << QByteArray("utf-8");
        QTest::newRow("Windows-1250") << cp1250::fromUnicode(QStringLiteral("<p>Zażółć gęślą jaźń</p><p>Łódź</p>"))
                                      << QByteArray("windows-1250");
        QTest::newRow("no charset, not UTF-8")
            << cp1250::fromUnicode(QStringLiteral("<p>Obwieszczenie Starosty Śląskiego</p>")) << QByteArray();
        QTest::newRow("no charset, UTF-8") << QByteArray("<p>Obwieszczenie Starosty Śląskiego</p>") << QByteArray();
        // Pieces of the large page's reading end inside a two-byte letter.
        QByteArray long_ = "<html><body><table>\n";
        for (int i = 0; long_.size() < 700 * 1024; ++i)
            long_ += "<tr><td>Obwieszczenie nr " + QByteArray::number(i) + " — zażółć</td><td>ś</td></tr>\n";
        QTest::newRow("several hundred kilobytes") << long_ + "</table></body></html>" << QByteArray("utf-8");
    }
    void bothParsersReadTheSameText()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, charset);
        const QString type = QStringLiteral("text/html");
        const QByteArray tree = VisibleTextUtf8(page, charset, type, HtmlParser::Tree);
        QVERIFY(!tree.isEmpty());
        QCOMPARE(VisibleTextUtf8(page, charset, type, HtmlParser::Stream), tree);
        QCOMPARE(VisibleText(page, charset, type), QString::fromUtf8(tree)); // small: the tree
    }

    void largePageIsReadWithoutATree()
    {
        QByteArray page = "<html><head><script>var x = '<td>skrypt</td>';</script></head><body><h1>Wykaz</h1><table>\n";
        for (int i = 0; page.size() <= kTreeParseLimit; ++i)
            page += "<tr><td>" + QByteArray::number(i) + "</td><td>Decyzja środowiskowa</td></tr>\n";
        page += "</table><p>koniec</p></body></html>";
        const QByteArray text = VisibleTextUtf8(page, "utf-8", QStringLiteral("text/html"));
        QVERIFY(text.startsWith("Wykaz\n0 Decyzja środowiskowa\n1 Decyzja środowiskowa\n"));
        QVERIFY(text.endsWith(" Decyzja środowiskowa\nkoniec"));
        QVERIFY(!text.contains("skrypt"));
        QCOMPARE(text, VisibleTextUtf8(page, "utf-8", QStringLiteral("text/html"), HtmlParser::Tree));
    }

    void deeplyNestedPageDoesNotEndTheProgram()
    {
        QByteArray page;
        for (int i = 0; i < 3000; ++i)
            page += "<span>";
        page += "dno";
        QCOMPARE(VisibleText(page, "utf-8", QStringLiteral("text/html")), QStringLiteral("dno"));
        QCOMPARE(VisibleTextUtf8(page, "utf-8", QStringLiteral("text/html"), HtmlParser::Stream), QByteArray("dno"));
    }

    void noiseLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("compared");
        QTest::newRow("licznik") << "licznik odwiedzin: 16807967" << "";
        QTest::newRow("wyświetleń") << "Ilość wyświetleń: 312" << "";
        QTest::newRow("odsłon") << "Odsłon: 1 204" << "";
        QTest::newRow("liczba po") << "312 odsłon" << "";
        QTest::newRow("razy") << "Ta strona była oglądana 4711 razy" << "Ta strona była";
        QTest::newRow("wygenerowano") << "Wygenerowano: 2026-12-09 12:00:01" << "";
        QTest::newRow("data wygenerowania") << "Data wygenerowania strony: 09.12.2026 11:59" << "";
        QTest::newRow("zegar") << "Dziś jest środa, 9 grudnia 2026" << "";
        QTest::newRow("data z godziną") << "09.12.2026, godz. 11:58" << "";
        QTest::newRow("czas z sekundami") << "Aktualny czas 11:58:07" << "Aktualny czas";
        QTest::newRow("sesja") << "Wersja do druku index.php?PHPSESSID=abc123f&id=4" << "Wersja do druku index.php&id=4";
        // Any letter case, Polish capitals too.
        QTest::newRow("wielkie litery") << "LICZNIK ODWIEDZIN: 16807967" << "";
        QTest::newRow("ILOŚĆ WYŚWIETLEŃ") << "ILOŚĆ WYŚWIETLEŃ: 312" << "";
        QTest::newRow("STRONA WYGENEROWANA") << "Stopka. STRONA WYGENEROWANA W 0,12 S" << "Stopka.";
        QTest::newRow("DZIŚ") << "DZIŚ JEST 9 GRUDNIA 2026" << "";
        QTest::newRow("w treści wpisu") << "Ogłoszenie (odsłon: 12) o przetargu" << "Ogłoszenie () o przetargu";
        // Real news stays as it is: a notice dated today, words that only
        // look like counters.
        QTest::newRow("dzisiejsze ogłoszenie") << "Obwieszczenie z dnia 09.12.2026 r." << "Obwieszczenie z dnia 09.12.2026 r.";
        QTest::newRow("odsłonięcie") << "Odsłonięcie tablicy 12 grudnia" << "Odsłonięcie tablicy 12 grudnia";
        QTest::newRow("wczorajszy zegar") << "Dziś jest 8 grudnia 2026" << "Dziś jest 8 grudnia 2026";
        QTest::newRow("godzina sesji") << "Sesja Rady o godz. 10:00" << "Sesja Rady o godz. 10:00";
    }
    void noiseLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, compared);
        QCOMPARE(NoiseRules().ComparedLine(line, QDate(2026, 12, 9)), compared);
    }

    void userRulesIgnoreLinesAndOnlyThose()
    {
        const NoiseRules rules({QStringLiteral("  Pogoda  "), QStringLiteral("kurs euro")});
        QCOMPARE(rules.ComparedLine(QStringLiteral("POGODA: -3°C"), QDate(2026, 12, 9)), QString());
        QCOMPARE(rules.ComparedLine(QStringLiteral("Kurs EURO 4,31"), QDate(2026, 12, 9)), QString());
        QCOMPARE(rules.ComparedLine(QStringLiteral("Przetarg na odśnieżanie"), QDate(2026, 12, 9)),
                 QStringLiteral("Przetarg na odśnieżanie"));
    }

    void counterOnlyChangeIsNoDifference()
    {
        const QString before = QStringLiteral("Ochrona środowiska\nObwieszczenie A\nlicznik odwiedzin: 16807967\n"
                                              "Dziś jest 8 grudnia 2026, 23:59");
        const QString after = QStringLiteral("Ochrona środowiska\nObwieszczenie A\nlicznik odwiedzin: 16807968\n"
                                             "Dziś jest 9 grudnia 2026, 00:01");
        const QDate d8(2026, 12, 8);
        const QDate d9(2026, 12, 9);
        QVERIFY(DiffTexts(before, d8, after, d9, NoiseRules()).isEmpty());
        QVERIFY(SameContent(before, d8, after, d9, NoiseRules()));

        const QString published = QStringLiteral("Ochrona środowiska\nObwieszczenie B z dnia 9 grudnia 2026 r.\n"
                                                 "Obwieszczenie A\nlicznik odwiedzin: 16807970");
        const VersionDiff diff = DiffTexts(after, d9, published, d9, NoiseRules());
        QCOMPARE(diff.added, QStringList{"Obwieszczenie B z dnia 9 grudnia 2026 r."});
        QVERIFY(diff.removed.isEmpty()); // the clock line is noise, not a removal
        QVERIFY(!SameContent(after, d9, published, d9, NoiseRules()));
    }
};

QTEST_APPLESS_MAIN(TestVisibleText)
#include "tst_visibletext.moc"
