// Which links of a page a check follows: the links of its visible text by
// line, those of the new lines and the line after them, resolved against
// the page, each once, within the limit; and the notice of a list row
// completed from its document.
#include "dokumenty/documentlinks.h"
#include "historia/visibletext.h"
#include "ogloszenia/documentnotice.h"
#include "ogloszenia/noticereader.h"

#include <QtTest>

using dokumenty::DocumentLink;
using historia::LineLink;

namespace {

const QUrl kPage(QStringLiteral("http://bip.gmina.test/ogloszenia/index.php?kat=7"));

// A list of notices in the shapes BIP pages give them: a title row with its
// attachment on a line of its own, a table row with "pobierz" in a cell,
// a title that links a sub-page, links elsewhere.
const QByteArray kList =
    "<html><body><nav><a href=\"/\">Strona główna</a> <a href=\"/kontakt\">Kontakt</a></nav>\n"
    "<ul class=\"wykaz\">\n"
    "<li><h3>Obwieszczenie Wójta Gminy o wszczęciu postępowania (farma fotowoltaiczna)</h3>\n"
    "<p><a href=\"../pliki/obw-12.pdf\">obw-12.pdf</a> (PDF, 245 KB)</p></li>\n"
    "<li><h3>Zawiadomienie o wydaniu decyzji</h3>\n"
    "<p>Załącznik: <a href=\"download.php?id=881\">pobierz (DOCX, 31 KB)</a></p></li>\n"
    "</ul>\n"
    "<table><tr><td>2026-12-03</td><td>Informacja o konsultacjach</td><td><a href=\"/bip/informacja-41.html\">"
    "więcej</a> <a href=\"#top\">do góry</a> <a href=\"mailto:urzad@gmina.test\">napisz</a></td></tr>\n"
    "<tr><td>2026-12-04</td><td><a href=\"http://rdos.test/obwieszczenie.pdf\">Obwieszczenie RDOŚ</a> "
    "<a href=\"http://mapy.test/plan\">mapa</a> <a href=\"/pliki/plan.jpg\">zdjęcie</a></td></tr></table>\n"
    "<p><img src=\"x.png\" alt=\"\"><a href=\"index.php?kat=7\">odśwież</a></p>\n"
    "</body></html>";

QStringList visibleLines(QList<LineLink>* links)
{
    return QString::fromUtf8(historia::VisibleTextUtf8(kList, "utf-8", QStringLiteral("text/html"),
                                                       historia::HtmlParser::BySize, links))
        .split(QLatin1Char('\n'));
}

int lineOf(const QStringList& lines, const QString& start)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(start))
            return i;
    return -1;
}

} // namespace

class TestDocumentLinks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linksStandOnTheLineOfTheirText()
    {
        for (const historia::HtmlParser parser : {historia::HtmlParser::Tree, historia::HtmlParser::Stream}) {
            QList<LineLink> links;
            const QStringList lines = QString::fromUtf8(historia::VisibleTextUtf8(kList, "utf-8",
                                                                                 QStringLiteral("text/html"), parser,
                                                                                 &links))
                                          .split(QLatin1Char('\n'));
            QCOMPARE(links.size(), 11);
            QCOMPARE(links[2].href, QStringLiteral("../pliki/obw-12.pdf"));
            QCOMPARE(links[2].text, QStringLiteral("obw-12.pdf"));
            QCOMPARE(lines.value(links[2].line), QStringLiteral("obw-12.pdf (PDF, 245 KB)"));
            QCOMPARE(links[3].text, QStringLiteral("pobierz (DOCX, 31 KB)"));
            QCOMPARE(lines.value(links[3].line), QStringLiteral("Załącznik: pobierz (DOCX, 31 KB)"));
            QCOMPARE(lines.value(links[7].line), QStringLiteral("2026-12-04 Obwieszczenie RDOŚ mapa zdjęcie"));
            // A link after an image without text belongs to the text's line.
            QCOMPARE(lines.value(links[10].line), QStringLiteral("odśwież"));
            // The text is the same with and without the links asked for.
            QCOMPARE(lines.join(QLatin1Char('\n')),
                     historia::VisibleText(kList, "utf-8", QStringLiteral("text/html")));
        }
    }

    void theNewLinesAndTheLineAfterThemAreFollowed_data()
    {
        QTest::addColumn<QStringList>("added"); // starts of the added lines
        QTest::addColumn<int>("most");
        QTest::addColumn<QStringList>("followed");
        QTest::newRow("title: its attachment on the next line")
            << QStringList{QStringLiteral("Obwieszczenie Wójta")} << 10
            << QStringList{QStringLiteral("http://bip.gmina.test/pliki/obw-12.pdf")};
        QTest::newRow("the attachment line itself")
            << QStringList{QStringLiteral("Załącznik")} << 10
            << QStringList{QStringLiteral("http://bip.gmina.test/ogloszenia/download.php?id=881"),
                           QStringLiteral("http://bip.gmina.test/bip/informacja-41.html")};
        QTest::newRow("table row: sub-page, not the anchor, mail or page itself")
            << QStringList{QStringLiteral("2026-12-03")} << 10
            << QStringList{QStringLiteral("http://bip.gmina.test/bip/informacja-41.html"),
                           QStringLiteral("http://rdos.test/obwieszczenie.pdf")};
        QTest::newRow("another host only for a document, no pictures")
            << QStringList{QStringLiteral("2026-12-04")} << 10
            << QStringList{QStringLiteral("http://rdos.test/obwieszczenie.pdf")};
        QTest::newRow("at most N, in page order")
            << QStringList{QStringLiteral("Obwieszczenie Wójta"), QStringLiteral("Zawiadomienie"),
                           QStringLiteral("2026-12-03")}
            << 2
            << QStringList{QStringLiteral("http://bip.gmina.test/pliki/obw-12.pdf"),
                           QStringLiteral("http://bip.gmina.test/ogloszenia/download.php?id=881")};
        QTest::newRow("nothing added, nothing followed") << QStringList{} << 10 << QStringList{};
        QTest::newRow("a link to the page itself") << QStringList{QStringLiteral("odśwież")} << 10 << QStringList{};
    }

    void theNewLinesAndTheLineAfterThemAreFollowed()
    {
        QFETCH(QStringList, added);
        QFETCH(int, most);
        QFETCH(QStringList, followed);
        QList<LineLink> links;
        const QStringList lines = visibleLines(&links);
        QList<int> addedAt;
        for (const QString& start : added) {
            const int at = lineOf(lines, start);
            QVERIFY2(at >= 0, qPrintable(start));
            addedAt << at;
        }
        QStringList got;
        for (const DocumentLink& d : dokumenty::LinksOfNewLines(links, addedAt, kPage, most))
            got << d.address.toString();
        QCOMPARE(got, followed);
    }

    void aPdfsPrintedLinesBecomeParagraphs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("paragraphs");
        QTest::newRow("a date over two lines")
            << QStringLiteral("Uwagi można składać od dnia 4 grudnia 2026 r. do dnia 31 grudnia\n2026 r. w Urzędzie.")
            << QStringList{QStringLiteral("Uwagi można składać od dnia 4 grudnia 2026 r. do dnia 31 grudnia 2026 r. w "
                                          "Urzędzie.")};
        QTest::newRow("place, reference and heading stay apart")
            << QStringLiteral("Sułów, dnia 3 grudnia 2026 r.\nRGK.6220.7.2026\nOBWIESZCZENIE\nWójt Gminy Sułów "
                              "zawiadamia, że zostało\nwszczęte postępowanie.\nWójt Gminy Sułów")
            << QStringList{QStringLiteral("Sułów, dnia 3 grudnia 2026 r."), QStringLiteral("RGK.6220.7.2026"),
                           QStringLiteral("OBWIESZCZENIE"),
                           QStringLiteral("Wójt Gminy Sułów zawiadamia, że zostało wszczęte postępowanie."),
                           QStringLiteral("Wójt Gminy Sułów")};
        QTest::newRow("a word broken with a hyphen, a list after a colon")
            << QStringLiteral("dla przed-\nsięwzięcia polegającego na:\n1) budowie drogi;\n2) budowie mostu\n\n  "
                              "koniec  ")
            << QStringList{QStringLiteral("dla przedsięwzięcia polegającego na:"), QStringLiteral("1) budowie drogi;"),
                           QStringLiteral("2) budowie mostu"), QStringLiteral("koniec")};
    }

    void aPdfsPrintedLinesBecomeParagraphs()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, paragraphs);
        QCOMPARE(ogloszenia::ParagraphsOf(text), paragraphs);
    }

    void aTitleIsCompletedFromItsDocument()
    {
        // The row says kind and date; the document the rest.
        const QStringList page = {QStringLiteral("Ogłoszenia"),
                                  QStringLiteral("Obwieszczenie Wójta Gminy Sułów z dnia 3 grudnia 2026 r."),
                                  QStringLiteral("obwieszczenie.pdf (PDF, 245 KB)"),
                                  QStringLiteral("Informacja o zebraniu wiejskim")};
        ogloszenia::ReadOptions options;
        options.today = QDate(2026, 12, 10);
        const QList<ogloszenia::Notice> titles = ogloszenia::ReadNotices(page, options);
        QVERIFY(!titles.isEmpty());
        const ogloszenia::Notice title = titles.first();
        QVERIFY(title.reference.isEmpty());

        const QStringList document = {
            QStringLiteral("Sułów, dnia 3 grudnia 2026 r."), QStringLiteral("RGK.6220.7.2026"),
            QStringLiteral("OBWIESZCZENIE"),
            QStringLiteral("Wójt Gminy Sułów zawiadamia, że zostało wszczęte postępowanie w sprawie wydania decyzji o "
                           "środowiskowych uwarunkowaniach dla przedsięwzięcia polegającego na budowie farmy "
                           "fotowoltaicznej w Sułowie. Uwagi i wnioski można składać od dnia 4 grudnia 2026 r. do "
                           "dnia 28 grudnia 2026 r."),
            QStringLiteral("Wójt Gminy Sułów")};
        const QList<ogloszenia::Notice> read = ogloszenia::ReadNotices(document, options);
        QCOMPARE(read.size(), 1);
        const QString address = QStringLiteral("http://bip.gmina.test/pliki/obwieszczenie.pdf");
        const QList<ogloszenia::Notice> joined =
            ogloszenia::JoinDocumentNotices(titles, page, {{address, 2, read}}, options.today);
        QCOMPARE(joined.size(), titles.size());
        const ogloszenia::Notice& n = joined.first();
        QCOMPARE(n.kind, title.kind);
        QCOMPARE(n.date, QDate(2026, 12, 3));
        QCOMPARE(n.reference, QStringLiteral("RGK.6220.7.2026"));
        QCOMPARE(n.procedure, QStringLiteral("DŚU"));
        QCOMPARE(n.stage, read.first().stage);
        QCOMPARE(n.commentsUntil, QDate(2026, 12, 28));
        QCOMPARE(n.document, address);

        // What the title says stays; a document without a notice adds none.
        ogloszenia::Notice dated = title;
        dated.procedure = QStringLiteral("MPZP");
        QCOMPARE(ogloszenia::CompletedWith(dated, read.first(), address).procedure, QStringLiteral("MPZP"));
        QCOMPARE(ogloszenia::JoinDocumentNotices(titles, page, {{address, 2, {}}}, options.today), titles);
        // A document whose link stands outside every notice is a notice of its own.
        const QList<ogloszenia::Notice> alone =
            ogloszenia::JoinDocumentNotices({}, {QStringLiteral("pliki do pobrania")}, {{address, 0, read}},
                                            options.today);
        QCOMPARE(alone.size(), 1);
        QCOMPARE(alone.first().reference, QStringLiteral("RGK.6220.7.2026"));
        QCOMPARE(alone.first().document, address);
    }
};

QTEST_GUILESS_MAIN(TestDocumentLinks)
#include "tst_documentlinks.moc"
