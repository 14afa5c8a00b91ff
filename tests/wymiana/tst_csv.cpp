// The CSV reader and writer: what spreadsheets write comes back as written.
#include "wymiana/csvreader.h"
#include "wymiana/csvwriter.h"
#include "wymiana/registerimport.h"

#include <QtTest>

using wymiana::CsvParse;
using wymiana::CsvRecord;

class TestCsv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decoding_data();
    void decoding();
    void utf16IsRefusedWithAReason();
    void separatorOfTheFirstRecord_data();
    void separatorOfTheFirstRecord();
    void parsing_data();
    void parsing();
    void lineNumbersCountBreaksInsideQuotes();
    void unterminatedQuoteIsReportedWhereItOpens();
    void writerQuotesOnlyWhereNeeded_data();
    void writerQuotesOnlyWhereNeeded();
    void writtenRecordsReadBack();
    void spreadsheetUtf8FileWithGminaFirstImports();
};

void TestCsv::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF\xC5\x81\xC3\xB3\x64\xC5\xBA") << QStringLiteral("Łódź");
    QTest::newRow("UTF-8 without BOM")
        << QByteArray("\xC5\x81\xC3\xB3\x64\xC5\xBA") << QStringLiteral("Łódź");
    QTest::newRow("Windows-1250") << QByteArray("\xA3\xF3\x64\x9F;\x8C\x6C\xB9skie")
                                  << QStringLiteral("Łódź;Śląskie");
    QTest::newRow("ASCII") << QByteArray("Gmina,Natura2000") << QStringLiteral("Gmina,Natura2000");
    // A BOM says UTF-8 even when a stray byte follows.
    QTest::newRow("BOM wins") << QByteArray("\xEF\xBB\xBF"
                                            "a")
                              << QStringLiteral("a");
}

void TestCsv::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const wymiana::CsvText decoded = wymiana::DecodeCsvBytes(bytes);
    QVERIFY(decoded.error.isEmpty());
    QCOMPARE(decoded.text, text);
}

void TestCsv::utf16IsRefusedWithAReason()
{
    const wymiana::CsvText decoded = wymiana::DecodeCsvBytes(QByteArray("\xFF\xFEG\0m\0", 6));
    QVERIFY(decoded.text.isEmpty());
    QVERIFY(decoded.error.contains(QStringLiteral("UTF-16")));
}

void TestCsv::separatorOfTheFirstRecord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::newRow("semicolons") << QStringLiteral("Gmina;Natura2000;Wojewodztwo\r\na,b;c;d")
                                << QChar(';');
    QTest::newRow("commas") << QStringLiteral("Gmina,Natura2000,Wojewodztwo\na;b,c,d")
                            << QChar(',');
    QTest::newRow("quoted separators do not count")
        << QStringLiteral("\"a;b;c\",Gmina,x") << QChar(',');
    QTest::newRow("one column") << QStringLiteral("Gmina") << QChar(',');
}

void TestCsv::separatorOfTheFirstRecord()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QCOMPARE(wymiana::DetectSeparator(text), separator);
}

void TestCsv::parsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QStringList>>("records");
    QTest::newRow("plain, CR LF") << QStringLiteral("a;b\r\nc;d\r\n")
                                  << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("LF, no final break")
        << QStringLiteral("a;b\nc;d") << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("CR alone") << QStringLiteral("a;b\rc;d\r")
                              << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("empty fields") << QStringLiteral(";;x;")
                                  << QList<QStringList>{{"", "", "x", ""}};
    QTest::newRow("doubled quotes") << QStringLiteral("\"Gmina \"\"Nowa\"\"\";b")
                                    << QList<QStringList>{{"Gmina \"Nowa\"", "b"}};
    QTest::newRow("separator inside quotes")
        << QStringLiteral("\"a;b\";c") << QList<QStringList>{{"a;b", "c"}};
    QTest::newRow("line break inside quotes")
        << QStringLiteral("\"a\r\nb\";c\r\nd;e") << QList<QStringList>{{"a\r\nb", "c"}, {"d", "e"}};
    QTest::newRow("quote inside unquoted text is text")
        << QStringLiteral("a\"b;c") << QList<QStringList>{{"a\"b", "c"}};
    QTest::newRow("text after a closing quote is kept")
        << QStringLiteral("\"ab\"cd;e") << QList<QStringList>{{"abcd", "e"}};
    QTest::newRow("empty lines give no record")
        << QStringLiteral("a;b\r\n\r\n\nc;d\r\n\r\n") << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("blanks are kept")
        << QStringLiteral(" a ; b") << QList<QStringList>{{" a ", " b"}};
}

void TestCsv::parsing()
{
    QFETCH(QString, text);
    QFETCH(QList<QStringList>, records);
    const CsvParse parsed = wymiana::ParseCsv(text, QLatin1Char(';'));
    QCOMPARE(parsed.unterminatedQuoteLine, 0);
    QList<QStringList> fields;
    for (const CsvRecord& r : parsed.records)
        fields << r.fields;
    QCOMPARE(fields, records);
}

void TestCsv::lineNumbersCountBreaksInsideQuotes()
{
    const CsvParse parsed = wymiana::ParseCsv(
        QStringLiteral("h1,h2\r\n\"two\r\nlines\",x\r\n\r\nlast,y\n\"a\nb\nc\",z\r\nend,0"),
        QLatin1Char(','));
    QList<int> lines;
    for (const CsvRecord& r : parsed.records)
        lines << r.line;
    QCOMPARE(lines, (QList<int>{1, 2, 5, 6, 9}));
}

void TestCsv::unterminatedQuoteIsReportedWhereItOpens()
{
    const CsvParse parsed =
        wymiana::ParseCsv(QStringLiteral("a,b\nc,d\ne,\"never\nclosed,x\n"), QLatin1Char(','));
    QCOMPARE(parsed.unterminatedQuoteLine, 3);
    QCOMPARE(parsed.records.size(), 2); // the complete ones before it
}

void TestCsv::writerQuotesOnlyWhereNeeded_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << QStringList{"Łódź", "", "12"} << QStringLiteral("Łódź;;12");
    QTest::newRow("separator") << QStringList{"a;b", "c"} << QStringLiteral("\"a;b\";c");
    QTest::newRow("comma is no separator here") << QStringList{"a,b"} << QStringLiteral("a,b");
    QTest::newRow("quote") << QStringList{"Gmina \"Nowa\""}
                           << QStringLiteral("\"Gmina \"\"Nowa\"\"\"");
    QTest::newRow("line break") << QStringList{"a\r\nb"} << QStringLiteral("\"a\r\nb\"");
    QTest::newRow("leading blank") << QStringList{" a"} << QStringLiteral("\" a\"");
}

void TestCsv::writerQuotesOnlyWhereNeeded()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, line);
    QCOMPARE(wymiana::CsvLine(fields, QLatin1Char(';')), line);
}

void TestCsv::writtenRecordsReadBack()
{
    const QList<QStringList> records = {
        {"LP", "Gmina", "uwagi"},
        {"1", "Gmina \"Nowa\"; wieś", " text/html "},
        {"2", "dwa\r\nwiersze", ""},
        {"3", "", "ostatni"},
    };
    for (QChar separator : {QLatin1Char(';'), QLatin1Char(',')}) {
        QString text;
        for (const QStringList& r : records)
            text += wymiana::CsvLine(r, separator) + QStringLiteral("\r\n");
        QCOMPARE(wymiana::DetectSeparator(text), separator);
        const CsvParse parsed = wymiana::ParseCsv(text, separator);
        QList<QStringList> back;
        for (const CsvRecord& r : parsed.records)
            back << r.fields;
        QCOMPARE(back, records);
    }
}

void TestCsv::spreadsheetUtf8FileWithGminaFirstImports()
{
    // Byte for byte what a spreadsheet saves as "CSV UTF-8" in a Polish
    // setting: the byte order mark, Gmina as the first column, semicolons,
    // CR LF, empty cells left empty. The mark belongs to no field: neither
    // the header's name nor the first value may carry it.
    const QByteArray bytes(
        "\xEF\xBB\xBFGmina;Natura2000;Wojewodztwo;dom;info;bip\r\n"
        "Abc;Ostoja Xyz;mazowieckie;http://abc.pl;http://abc.pl/info;\r\n"
        "Kampinos;Puszcza "
        "Kampinoska;mazowieckie;;http://kampinos.pl/ogloszenia;bip.kampinos.pl\r\n");
    const wymiana::CsvText decoded = wymiana::DecodeCsvBytes(bytes);
    QVERIFY(decoded.error.isEmpty());
    QVERIFY(decoded.text.startsWith(QStringLiteral("Gmina;")));
    const wymiana::ImportPlan plan = wymiana::PlanImport(bytes);
    QStringList problems;
    for (const auto& p : plan.problems)
        problems << QString::number(p.line) + QLatin1Char(' ') + p.reason;
    QVERIFY2(plan.ok(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(plan.records.size(), 2);
    QCOMPARE(plan.records[0].gmina, QStringLiteral("Abc"));
    QCOMPARE(plan.records[0].info, QStringLiteral("http://abc.pl/info"));
    QCOMPARE(plan.records[1].gmina, QStringLiteral("Kampinos"));
    QCOMPARE(plan.records[1].bip, QStringLiteral("bip.kampinos.pl"));
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
