// What a downloaded document is: the first bytes win over the names.
#include "dokumenty/documenttype.h"

#include <QtTest>

using dokumenty::DocumentType;
using dokumenty::DocumentTypeOf;
using Maybe = std::optional<DocumentType>;

Q_DECLARE_METATYPE(Maybe)

namespace {

// The first bytes of a ZIP whose first entry is `name` holding `content`,
// stored, as an ODT keeps its "mimetype".
QByteArray ZipStart(const QByteArray& name, const QByteArray& content)
{
    QByteArray head("PK\x03\x04", 4);
    head += QByteArray(22, '\0'); // version, flags, method, time, CRC, sizes
    head += char(name.size());
    head += '\0';
    head += QByteArray(2, '\0'); // extra length
    return head + name + content;
}

} // namespace

class TestDocumentType : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typeOf_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("firstBytes");
        QTest::addColumn<Maybe>("expected");
        const QByteArray pdf("%PDF-1.7\n%\xe2\xe3\xcf\xd3\n1 0 obj");
        const QByteArray cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12);
        const QByteArray docx = ZipStart("[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>") + "word/document.xml";
        const QByteArray odt = ZipStart("mimetype", "application/vnd.oasis.opendocument.text");
        const QByteArray ods = ZipStart("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
        const QByteArray plainZip = ZipStart("word/document.xml", "<w:document/>");
        const QByteArray html("<!DOCTYPE html><html><body>Nie znaleziono</body></html>");

        QTest::newRow("PDF by its bytes behind a script") << "https://bip.gmina.pl/plik.php?id=7" << QByteArray("application/octet-stream") << pdf << Maybe(DocumentType::Pdf);
        QTest::newRow("PDF after a BOM") << "https://a.pl/x" << QByteArray() << QByteArray("\xEF\xBB\xBF") + pdf << Maybe(DocumentType::Pdf);
        QTest::newRow("HTML behind .pdf is not a PDF") << "https://a.pl/obwieszczenie.pdf" << QByteArray("text/html; charset=utf-8") << html << Maybe();
        QTest::newRow("HTML served as application/pdf") << "https://a.pl/x" << QByteArray("application/pdf") << html << Maybe();
        QTest::newRow("RTF") << "https://a.pl/pismo" << QByteArray() << QByteArray("{\\rtf1\\ansi\\ansicpg1250") << Maybe(DocumentType::Rtf);
        QTest::newRow("DOCX by content types") << "https://a.pl/get?f=1" << QByteArray() << docx << Maybe(DocumentType::Docx);
        QTest::newRow("ODT by mimetype") << "https://a.pl/get?f=2" << QByteArray() << odt << Maybe(DocumentType::Odt);
        QTest::newRow("ODT mimetype wins over .docx") << "https://a.pl/x.docx" << QByteArray() << odt << Maybe(DocumentType::Odt);
        QTest::newRow("a spreadsheet is none of ours") << "https://a.pl/x.odt" << QByteArray() << ods << Maybe();
        QTest::newRow("ZIP named .docx") << "https://a.pl/Uchwala.DOCX" << QByteArray() << plainZip << Maybe(DocumentType::Docx);
        QTest::newRow("ZIP with the DOCX type") << "https://a.pl/x" << QByteArray("application/vnd.openxmlformats-officedocument.wordprocessingml.document") << plainZip << Maybe(DocumentType::Docx);
        QTest::newRow("ZIP without a name") << "https://a.pl/paczka.zip" << QByteArray("application/zip") << plainZip << Maybe();
        QTest::newRow("CFB named .doc") << "https://a.pl/pismo.doc?v=2#s" << QByteArray() << cfb << Maybe(DocumentType::Doc);
        QTest::newRow("CFB typed msword") << "https://a.pl/x" << QByteArray("application/msword") << cfb << Maybe(DocumentType::Doc);
        QTest::newRow("CFB named .xls") << "https://a.pl/tabela.xls" << QByteArray("application/vnd.ms-excel") << cfb << Maybe();
        QTest::newRow("no bytes: the type decides") << "https://a.pl/x" << QByteArray("application/PDF") << QByteArray() << Maybe(DocumentType::Pdf);
        QTest::newRow("no bytes: the extension decides") << "https://a.pl/a.b/uchwala.odt" << QByteArray() << QByteArray() << Maybe(DocumentType::Odt);
        QTest::newRow("a dot in a folder is no extension") << "https://a.pl/a.pdf/plik" << QByteArray() << QByteArray() << Maybe();
        QTest::newRow("a page") << "https://a.pl/index.html" << QByteArray("text/html") << html << Maybe();
    }
    void typeOf()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, firstBytes);
        QFETCH(Maybe, expected);
        QCOMPARE(DocumentTypeOf(address, contentType, firstBytes), expected);
    }

    void names()
    {
        QCOMPARE(dokumenty::DocumentTypeName(DocumentType::Pdf), QStringLiteral("PDF"));
        QCOMPARE(dokumenty::DocumentTypeName(DocumentType::Docx), QStringLiteral("DOCX"));
        QCOMPARE(dokumenty::DocumentTypeName(DocumentType::Rtf), QStringLiteral("RTF"));
        for (DocumentType type : {DocumentType::Pdf, DocumentType::Doc, DocumentType::Docx, DocumentType::Odt, DocumentType::Rtf})
            QCOMPARE(dokumenty::DocumentTypeFromKey(dokumenty::DocumentTypeKey(type)), Maybe(type));
        QCOMPARE(dokumenty::DocumentTypeFromKey("exe"), Maybe());
    }
};

QTEST_GUILESS_MAIN(TestDocumentType)
#include "tst_documenttype.moc"
