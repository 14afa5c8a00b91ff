// The small helpers of a page check: address, status text, file size,
// page lines and their text length, and the page's charset.
#include "internet/httpstatustext.h"
#include "kontrola/filesizeof.h"
#include "internet/normalizeaddress.h"
#include "kontrola/pagecharset.h"
#include "kontrola/pagelines.h"
#include "platform/fileerror.h"
#include "text/cp1250.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

using Lines = QList<QByteArray>;

class TestPageText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normalizeAddress_data();
    void normalizeAddress();
    void hostAsWritten_data();
    void hostAsWritten();
    void httpStatusText_data();
    void httpStatusText();
    void fileSizeOf();
    void pageLines_data();
    void pageLines();
    void readPageLines();
    void charsetFromContentType_data();
    void charsetFromContentType();
    void charsetFromMeta_data();
    void charsetFromMeta();
    void pageCharset_data();
    void pageCharset();
    void linesAsCp1250_data();
    void linesAsCp1250();
    void iso88592TableMatchesIcu();
};

void TestPageText::normalizeAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("no scheme, blanks") << " \thost/natura/index.html\r\n" << "http://host/natura/index.html";
    QTest::newRow("http") << "http://host" << "http://host";
    QTest::newRow("https") << "https://host/a" << "https://host/a";
    QTest::newRow("HTTP in capitals") << "HTTP://host/a" << "HTTP://host/a";
    QTest::newRow("Https mixed") << "Https://host" << "Https://host";
    QTest::newRow("port") << "host:8080/a" << "http://host:8080/a";
    QTest::newRow("other scheme gets a prefix") << "ftp://host" << "http://ftp://host";
    QTest::newRow("controls at both ends") << QStringLiteral("\x01\x1f host \x7f") << QStringLiteral("http://host \x7f");
    QTest::newRow("empty") << "" << "http://";
}

void TestPageText::normalizeAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, normalized);
    QCOMPARE(NormalizeAddress(address), normalized);
}

void TestPageText::hostAsWritten_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("host");
    QTest::newRow("path") << " www.gmina.pl/natura/index.html" << "www.gmina.pl";
    QTest::newRow("no path") << "http://www.gmina.pl" << "www.gmina.pl";
    QTest::newRow("port stays") << "https://www.gmina.pl:8443/a" << "www.gmina.pl:8443";
    QTest::newRow("query") << "HTTP://Gmina.PL?id=1" << "Gmina.PL";
    QTest::newRow("fragment") << "gmina.pl#top" << "gmina.pl";
}

void TestPageText::hostAsWritten()
{
    QFETCH(QString, address);
    QFETCH(QString, host);
    QCOMPARE(HostAsWritten(address), host);
}

void TestPageText::httpStatusText_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    const QList<std::pair<int, const char*>> table = {
        {100, "Continue"},
        {101, "Switching Protocols"},
        {200, "OK"},
        {201, "Created"},
        {202, "Accepted"},
        {203, "Non-Authoritative Information"},
        {204, "No Content"},
        {205, "Reset Content"},
        {206, "Partial Content"},
        {300, "Multiple Choices"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {305, "Use Proxy"},
        {307, "Temporary Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {402, "Payment Required"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method not allowed"},
        {406, "Not acceptable"},
        {407, "Proxy Authentication Required"},
        {408, "Request Time-Out"},
        {409, "Conflict"},
        {410, "Gone"},
        {411, "Length Required"},
        {412, "Precondition Failed"},
        {413, "Request Entity Too Large"},
        {414, "Request URI Too Large"},
        {415, "Unsupported Media Type"},
        {416, "Requested range not satisfiable"},
        {417, "Expectation Failed"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Time-Out"},
        {505, "HTTP Version Not Supported"},
    };
    for (const auto& [code, text] : table)
        QTest::newRow(QByteArray::number(code).constData()) << QString::number(code) << QString::fromLatin1(text);
    for (const char* unknown : {"0", "306", "999", "308", "600", "-1", "abc", "", "200x"})
        QTest::newRow(QByteArray("unknown ").append(unknown).constData())
            << QString::fromLatin1(unknown) << QStringLiteral("Unknown error");
}

void TestPageText::httpStatusText()
{
    QFETCH(QString, code);
    QFETCH(QString, text);
    QCOMPARE(HttpStatusText(code), text);
}

void TestPageText::fileSizeOf()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("plik_7.tmp"));
    QCOMPARE(FileSizeOf(path), -1);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(FileSizeOf(path), 0);
    f.write(QByteArray(1234, 'a'));
    f.close();
    QCOMPARE(FileSizeOf(path), 1234);
    QVERIFY(f.setPermissions(QFileDevice::WriteOwner));
    if (!f.open(QIODevice::ReadOnly)) // root reads anything, and then so does FileSizeOf
        QCOMPARE(FileSizeOf(path), -1);
}

void TestPageText::pageLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Lines>("lines");
    QTest::newRow("empty") << QByteArray() << Lines{};
    QTest::newRow("starts with NUL") << QByteArray("\0abc\r\n", 6) << Lines{};
    QTest::newRow("CR LF") << QByteArray("a\r\nbb\r\nccc") << Lines{"a", "bb", "ccc"};
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << Lines{"a", "b"};
    QTest::newRow("lone CR") << QByteArray("a\rb") << Lines{"a", "b"};
    QTest::newRow("break at the end adds no line") << QByteArray("a\r\n") << Lines{"a"};
    QTest::newRow("CR CR LF gives one empty line") << QByteArray("a\r\r\nb") << Lines{"a", "", "b"};
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << Lines{"a", "", "b"};
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << Lines{"", ""};
    QTest::newRow("rest after NUL ignored") << QByteArray("a\r\nb\0c\r\nd", 9) << Lines{"a", "b"};
    QTest::newRow("bytes kept") << QByteArray("\xb9\x9c\xe6 \t x") << Lines{"\xb9\x9c\xe6 \t x"};
}

void TestPageText::pageLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Lines, lines);
    QCOMPARE(PageLines(bytes), lines);
    qint64 expectedLength = 0;
    for (const QByteArray& l : lines)
        expectedLength += l.size() + 2;
    QCOMPARE(PageTextLength(PageLines(bytes)), expectedLength);
}

void TestPageText::readPageLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plik_1.tmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<html>\r\n<body>\nx</body>\r</html>\r\n");
    f.close();
    const Lines lines = ReadPageLines(path);
    QCOMPARE(lines, (Lines{"<html>", "<body>", "x</body>", "</html>"}));
    QCOMPARE(PageTextLength(lines), 6 + 6 + 8 + 7 + 4 * 2);
    QVERIFY_THROWS_EXCEPTION(FileError, ReadPageLines(dir.filePath(QStringLiteral("missing.tmp"))));
}

void TestPageText::charsetFromContentType_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("charset");
    QTest::newRow("none") << QByteArray("text/html") << QByteArray();
    QTest::newRow("plain") << QByteArray("text/html; charset=iso-8859-2") << QByteArray("iso-8859-2");
    QTest::newRow("upper case, quoted") << QByteArray("text/html;CHARSET=\"UTF-8\"") << QByteArray("utf-8");
    QTest::newRow("blanks around =") << QByteArray("text/html; charset = windows-1250 ; x=y")
                                     << QByteArray("windows-1250");
    QTest::newRow("empty value") << QByteArray("text/html; charset=") << QByteArray();
}

void TestPageText::charsetFromContentType()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, charset);
    QCOMPARE(CharsetFromContentType(contentType), charset);
}

void TestPageText::charsetFromMeta_data()
{
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("charset");
    QTest::newRow("none") << Lines{"<html><head><title>x</title>", "</head>"} << QByteArray();
    QTest::newRow("html5") << Lines{"<head>", "<meta charset=\"utf-8\">"} << QByteArray("utf-8");
    QTest::newRow("http-equiv") << Lines{"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-2\">"}
                                << QByteArray("iso-8859-2");
    QTest::newRow("over lines") << Lines{"<meta http-equiv=\"Content-Type\"", "  content=\"text/html;",
                                         " charset=windows-1250\" />"}
                                << QByteArray("windows-1250");
    QTest::newRow("first meta without, second with")
        << Lines{"<meta name=\"author\" content=\"x\"><meta charset='iso-8859-2'>"} << QByteArray("iso-8859-2");
    QTest::newRow("charset outside a meta tag") << Lines{"<p>charset=utf-8</p>"} << QByteArray();
}

void TestPageText::charsetFromMeta()
{
    QFETCH(Lines, lines);
    QFETCH(QByteArray, charset);
    QCOMPARE(CharsetFromMeta(lines), charset);
}

void TestPageText::pageCharset_data()
{
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("charset");
    const QByteArray utf8 = QStringLiteral("z dnia 3 września").toUtf8();
    QTest::newRow("header wins over meta") << "text/html; charset=iso-8859-2" << Lines{"<meta charset=utf-8>"}
                                           << QByteArray("iso-8859-2");
    QTest::newRow("meta when the header says nothing") << "text/html" << Lines{"<meta charset=utf-8>", "x"}
                                                       << QByteArray("utf-8");
    QTest::newRow("valid UTF-8 with Polish letters") << "text/html" << Lines{"a", utf8} << QByteArray("utf-8");
    QTest::newRow("ASCII only tells nothing") << "text/html" << Lines{"15 marca 2026"} << QByteArray();
    QTest::newRow("Windows-1250 bytes are no UTF-8") << "text/html" << Lines{"wrze\x9cnia"} << QByteArray();
}

void TestPageText::pageCharset()
{
    QFETCH(QString, contentType);
    QFETCH(Lines, lines);
    QFETCH(QByteArray, charset);
    QCOMPARE(PageCharset(contentType, lines), charset);
}

void TestPageText::linesAsCp1250_data()
{
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<Lines>("converted");
    const QString polish = QStringLiteral("Łódź, 3 września, październik, Źródło, żółć");
    const QByteArray cp = cp1250::fromUnicode(polish);
    QTest::newRow("utf-8 by header") << "text/html; charset=utf-8" << Lines{polish.toUtf8(), "x"} << Lines{cp, "x"};
    QTest::newRow("utf-8 detected") << "text/html" << Lines{polish.toUtf8()} << Lines{cp};
    QTest::newRow("iso-8859-2 by header") << "text/html; charset=ISO-8859-2"
                                          << Lines{QByteArray("\xa3\xf3\x64\xbc, 3 wrze\xb6nia")}
                                          << Lines{cp1250::fromUnicode(u"Łódź, 3 września")};
    QTest::newRow("latin2 by meta") << "text/html" << Lines{"<meta charset=latin2>", "\xb1\xa1\xb6\xa6\xbc\xac"}
                                    << Lines{"<meta charset=latin2>", cp1250::fromUnicode(u"ąĄśŚźŹ")};
    QTest::newRow("windows-1250 as is") << "text/html; charset=windows-1250" << Lines{cp} << Lines{cp};
    QTest::newRow("nothing declared, not UTF-8") << "text/html" << Lines{cp} << Lines{cp};
    QTest::newRow("unknown charset as is") << "text/html; charset=x-no-such-thing" << Lines{"\xb6"}
                                           << Lines{"\xb6"};
    QTest::newRow("characters the code page lacks") << "text/html; charset=utf-8"
                                                    << Lines{QStringLiteral("€ ✓ ą").toUtf8()} << Lines{"\x80 ? \xb9"};
    QTest::newRow("line structure kept") << "text/html; charset=utf-8" << Lines{"", "ż", ""}
                                         << Lines{"", "\xbf", ""};
}

void TestPageText::linesAsCp1250()
{
    QFETCH(QString, contentType);
    QFETCH(Lines, lines);
    QFETCH(Lines, converted);
    QCOMPARE(LinesAsCp1250(lines, contentType), converted);
}

void TestPageText::iso88592TableMatchesIcu()
{
    QStringDecoder icu("ISO-8859-2");
    if (!icu.isValid())
        QSKIP("this Qt has no ISO-8859-2 decoder to compare with");
    QByteArray all;
    for (int b = 0xA0; b < 0x100; ++b)
        all.append(static_cast<char>(b));
    const QByteArray ours = ConvertLinesToCp1250({all}, "iso-8859-2").first();
    QCOMPARE(ours, cp1250::fromUnicode(QString(icu.decode(all))));
}

QTEST_GUILESS_MAIN(TestPageText)
#include "tst_pagetext.moc"
