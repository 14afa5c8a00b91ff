// The user's manual as the build makes it: a real PDF beside the programs,
// with pages, pictures and every heading of docs/instrukcja.md; and the
// tool that makes it refuses a manual whose picture is missing.
#include "pdftext.h"
#include "support/testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Without blanks, and with typographic ligatures ("ﬁ") spelt out.
QString withoutBlanks(QString s)
{
    s = s.normalized(QString::NormalizationForm_KC);
    s.remove(QRegularExpression(QStringLiteral("\\s")));
    return s;
}

// The headings of the Markdown source as they read in print: without the
// hashes and the inline marks.
QStringList markdownHeadings(const QString& markdown)
{
    QStringList headings;
    bool inCode = false;
    for (const QString& line : markdown.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```")))
            inCode = !inCode;
        if (inCode || !line.startsWith(QLatin1Char('#')))
            continue;
        QString h = line.section(QLatin1Char(' '), 1).trimmed();
        h.remove(QLatin1Char('`')).remove(QLatin1Char('*'));
        headings << h;
    }
    return headings;
}

QStringList markdownImages(const QString& markdown)
{
    QStringList images;
    static const QRegularExpression image(QStringLiteral("!\\[[^\\]]*\\]\\(([^)]+)\\)"));
    QRegularExpressionMatchIterator it = image.globalMatch(markdown);
    while (it.hasNext())
        images << it.next().captured(1);
    images.removeDuplicates();
    return images;
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

    QByteArray m_pdf;
    QString m_markdown;
    PdfSummary m_summary;

private Q_SLOTS:
    void initTestCase()
    {
        m_pdf = testdata::readAll(
            QDir(testdata::binDir()).filePath(QStringLiteral("instrukcja.pdf")));
        m_markdown = QString::fromUtf8(testdata::readAll(QStringLiteral(EKOWARTA_MANUAL_SOURCE)));
        QVERIFY(!m_pdf.isEmpty());
        QVERIFY(!m_markdown.isEmpty());
        m_summary = ReadPdf(m_pdf);
    }

    void isAPdf()
    {
        QVERIFY(m_pdf.startsWith("%PDF-1."));
        QVERIFY(m_pdf.trimmed().endsWith("%%EOF"));
        QCOMPARE(m_summary.title, QStringLiteral("Ekowarta – instrukcja obsługi"));
    }

    void hasTheWholeManual()
    {
        // The manual runs to many pages; a truncated build would not.
        QVERIFY2(m_summary.pages >= 10, qPrintable(QString::number(m_summary.pages)));
        const QStringList headings = markdownHeadings(m_markdown);
        QVERIFY(headings.size() >= 10);
        const QString text = withoutBlanks(m_summary.text);
        for (const QString& heading : headings)
            QVERIFY2(text.contains(withoutBlanks(heading)), qPrintable(heading));
    }

    void speaksPolishAndShowsTheCommands()
    {
        const QString text = withoutBlanks(m_summary.text);
        QVERIFY(text.contains(QStringLiteral("Priorytet")));
        QVERIFY(text.contains(QStringLiteral("ekowarta-cli--help")));
        QVERIFY(text.contains(QStringLiteral("Problemzodczytemstrony(przekroczonyczas)")));
        QVERIFY(text.contains(QStringLiteral("Błądodczytustronyinternetowej")));
    }

    void carriesEveryPicture()
    {
        const QStringList images = markdownImages(m_markdown);
        QVERIFY(images.size() >= 4);
        for (const QString& image : images)
            QVERIFY2(
                QFileInfo(QFileInfo(QStringLiteral(EKOWARTA_MANUAL_SOURCE)).dir().filePath(image))
                    .isFile(),
                qPrintable(image));
        QVERIFY(m_summary.images >= images.size());
    }

    void toolRefusesAMissingPicture()
    {
        QTemporaryDir dir;
        QFile md(dir.filePath(QStringLiteral("x.md")));
        QVERIFY(md.open(QIODevice::WriteOnly));
        md.write("# Tytuł\n\n![obraz](img/brak.png)\n");
        md.close();
        QProcess tool;
        tool.start(QStringLiteral(EKOWARTA_MANUAL_TOOL),
                   {md.fileName(), dir.filePath(QStringLiteral("x.pdf"))});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardError().contains("img/brak.png"));
    }

    void toolWritesASmallManual()
    {
        QTemporaryDir dir;
        QFile md(dir.filePath(QStringLiteral("x.md")));
        QVERIFY(md.open(QIODevice::WriteOnly));
        md.write("# Zażółć gęślą jaźń\n\nTekst **pogrubiony**.\n\n## Drugi rozdział\n\n- punkt\n");
        md.close();
        QProcess tool;
        tool.start(QStringLiteral(EKOWARTA_MANUAL_TOOL),
                   {md.fileName(), dir.filePath(QStringLiteral("x.pdf"))});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        const PdfSummary s = ReadPdf(testdata::readAll(dir.filePath(QStringLiteral("x.pdf"))));
        QCOMPARE(s.pages, 1);
        QCOMPARE(s.images, 0);
        QVERIFY(withoutBlanks(s.text).contains(QStringLiteral("Zażółćgęśląjaźń")));
        QVERIFY(withoutBlanks(s.text).contains(QStringLiteral("Drugirozdział")));
    }
};

QTEST_GUILESS_MAIN(TestManual)
#include "tst_manual.moc"
