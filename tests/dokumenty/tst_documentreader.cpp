// The text of linked documents through the real reader program, on
// documents that makedocs.py writes at the start: the notice in each format,
// a scan, and hostile files that must end within their limits.
#include "dokumenty/documentreader.h"
#include "support/testdata.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <thread>

#include <unistd.h>

using dokumenty::DocumentText;
using dokumenty::DocumentType;
using dokumenty::ReadDocument;
using dokumenty::ReadLimits;

Q_DECLARE_METATYPE(DocumentType)
Q_DECLARE_METATYPE(DocumentText::Outcome)

namespace {

// Children of this process that run the reader program, zombies included.
int ReaderChildren()
{
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // pid (comm) state ppid ...: comm may hold spaces, so from the last ')'.
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == getpid() &&
            line.mid(line.indexOf('(') + 1, close - line.indexOf('(') - 1).startsWith("ekowarta-dokum"))
            ++count;
    }
    return count;
}

} // namespace

class TestDocumentReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QByteArray document(const QString& name) { return testdata::readAll(dir_.filePath(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QProcess maker;
        maker.start(QStringLiteral("/usr/bin/python3"),
                    {testdata::sourcePath(QStringLiteral("tests/dokumenty/makedocs.py")), dir_.path()});
        QVERIFY(maker.waitForFinished(120000));
        QVERIFY2(maker.exitCode() == 0, maker.readAllStandardError().constData());
        QVERIFY(!dokumenty::ReaderProgramPath().isEmpty());
    }

    // The notice in each format: every line of it, Polish letters intact,
    // one paragraph a line.
    void readsNotice_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<DocumentType>("type");
        QTest::newRow("PDF") << "obwieszczenie.pdf" << DocumentType::Pdf;
    }
    void readsNotice()
    {
        QFETCH(QString, file);
        QFETCH(DocumentType, type);
        const DocumentText read = ReadDocument(document(file), type);
        QCOMPARE(read.outcome, DocumentText::Outcome::Text);
        QVERIFY(read.reason.isEmpty());
        const QStringList lines = read.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines, QStringList({
                            "Obwieszczenie Wójta Gminy Kampinos",
                            "znak OŚ.6220.3.2026",
                            "o wszczęciu postępowania w sprawie wydania decyzji o środowiskowych uwarunkowaniach",
                            "Zażółć gęślą jaźń. ZAŻÓŁĆ GĘŚLĄ JAŹŃ.",
                            "Strony mogą składać uwagi w terminie do 15 stycznia 2027 r.",
                        }));
        if (type == DocumentType::Pdf)
            QCOMPARE(read.pages, 1);
        QCOMPARE(ReaderChildren(), 0);
    }

    // What cannot be read says why, in Polish, and no reader is left behind.
    void refuses_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<DocumentType>("type");
        QTest::addColumn<DocumentText::Outcome>("outcome");
        QTest::addColumn<QString>("reason");
        QTest::newRow("scanned PDF") << "skan.pdf" << DocumentType::Pdf << DocumentText::Outcome::NoTextLayer
                                     << "dokument bez warstwy tekstowej";
        QTest::newRow("PDF of 2000 pages") << "strony.pdf" << DocumentType::Pdf << DocumentText::Outcome::Failed
                                           << "dokument PDF ma 2000 stron, czytamy najwyżej 500";
        QTest::newRow("PDF with a deflate bomb")
            << "bomba.pdf" << DocumentType::Pdf << DocumentText::Outcome::Failed
            << "przekroczony limit pamięci odczytu dokumentu (200 MB)";
        QTest::newRow("garbage as PDF") << "smieci.bin" << DocumentType::Pdf << DocumentText::Outcome::Failed
                                        << "uszkodzony plik PDF";
    }
    void refuses()
    {
        QFETCH(QString, file);
        QFETCH(DocumentType, type);
        QFETCH(DocumentText::Outcome, outcome);
        QFETCH(QString, reason);
        const QByteArray bytes = document(file);
        QVERIFY(!bytes.isEmpty());
        const DocumentText read = ReadDocument(bytes, type);
        QCOMPARE(read.outcome, outcome);
        QCOMPARE(read.reason, reason);
        QVERIFY(read.text.isEmpty());
        QCOMPARE(ReaderChildren(), 0);
    }

    // A document that keeps the reader busy is stopped at the time limit and
    // the reader is gone, however much work the file still holds.
    void stopsAtTimeLimit()
    {
        ReadLimits limits;
        limits.time = std::chrono::milliseconds(1500);
        QElapsedTimer clock;
        clock.start();
        const DocumentText read = ReadDocument(document(QStringLiteral("wolny.pdf")), DocumentType::Pdf, limits);
        QCOMPARE(read.outcome, DocumentText::Outcome::Failed);
        QCOMPARE(read.reason, QStringLiteral("przekroczony limit czasu odczytu dokumentu (1,5 s)"));
        // Generous: the point is "not the minutes the file would take".
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ReaderChildren(), 0);
    }

    // Several workers of a run read at once.
    void readsOnSeveralThreads()
    {
        const QByteArray pdf = document(QStringLiteral("obwieszczenie.pdf"));
        std::vector<std::thread> threads;
        std::atomic<int> good{0};
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                const DocumentText read = ReadDocument(pdf, DocumentType::Pdf);
                if (read.outcome == DocumentText::Outcome::Text && read.text.contains(QStringLiteral("OŚ.6220.3.2026")))
                    ++good;
            });
        }
        for (std::thread& t : threads)
            t.join();
        QCOMPARE(good.load(), 4);
        QCOMPARE(ReaderChildren(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDocumentReader)
#include "tst_documentreader.moc"
