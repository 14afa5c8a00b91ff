// The text of linked documents through the real reader program, on
// documents that makedocs.py writes at the start: the notice in each format,
// a scan, and hostile files that must end within their limits.
#include "dokumenty/documentreader.h"
#include "dokumenty/readerprotocol.h"
#include "support/testdata.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <csignal>
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
        QTest::addColumn<QStringList>("more"); // what the format adds after the notice
        QTest::newRow("PDF") << "obwieszczenie.pdf" << DocumentType::Pdf << QStringList();
        // Runs joined, a tab kept, deleted text and tab stops left out, a
        // text box read once (not again from its fallback copy).
        QTest::newRow("DOCX") << "obwieszczenie.docx" << DocumentType::Docx
                              << QStringList({"Kampinos\tdnia 2 grudnia 2026 r.", "Ramka z tekstem"});
        // Markup white space collapsed, <text:s> kept, deletions and
        // comments left out.
        QTest::newRow("ODT") << "obwieszczenie.odt" << DocumentType::Odt
                             << QStringList({"Kampinos,\tdnia   2 grudnia 2026 r."});
        // Both escapes, a field's result without its code, no picture, no
        // font table; the WordPad kind by the code page of its font.
        const QStringList signature({"Kampinos,\tdnia 2 grudnia 2026 r."});
        QTest::newRow("RTF") << "obwieszczenie.rtf" << DocumentType::Rtf << signature;
        QTest::newRow("RTF from WordPad") << "wordpad.rtf" << DocumentType::Rtf << signature;
        // UTF-16 and 8-bit pieces, the text in sectors, the piece table in
        // the mini stream; no field code, no footnote.
        QTest::newRow("DOC") << "obwieszczenie.doc" << DocumentType::Doc << signature;
    }
    void readsNotice()
    {
        QFETCH(QString, file);
        QFETCH(DocumentType, type);
        QFETCH(QStringList, more);
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
                        }) + more);
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
        QTest::newRow("garbage as DOCX") << "smieci.bin" << DocumentType::Docx << DocumentText::Outcome::Failed
                                         << "uszkodzony plik DOCX";
        QTest::newRow("PDF as ODT") << "obwieszczenie.pdf" << DocumentType::Odt << DocumentText::Outcome::Failed
                                    << "uszkodzony plik ODT";
        QTest::newRow("DOCX cut short") << "urwany.docx" << DocumentType::Docx << DocumentText::Outcome::Failed
                                        << "uszkodzony plik DOCX";
        QTest::newRow("ODT without content") << "obwieszczenie.docx" << DocumentType::Odt
                                             << DocumentText::Outcome::Failed
                                             << "plik ODT bez treści dokumentu (brak content.xml)";
        QTest::newRow("DOCX with entities (DTD)") << "dtd.docx" << DocumentType::Docx << DocumentText::Outcome::Failed
                                                  << "dokument DOCX z deklaracją DTD (odrzucony)";
        QTest::newRow("garbage as RTF") << "smieci.bin" << DocumentType::Rtf << DocumentText::Outcome::Failed
                                        << "uszkodzony plik RTF";
        QTest::newRow("RTF nested without end") << "zagniezdzony.rtf" << DocumentType::Rtf
                                                << DocumentText::Outcome::Failed
                                                << "uszkodzony plik RTF (zbyt głębokie zagnieżdżenie grup)";
        QTest::newRow("garbage as DOC") << "smieci.bin" << DocumentType::Doc << DocumentText::Outcome::Failed
                                        << "uszkodzony plik DOC";
        QTest::newRow("DOC cut short") << "urwany.doc" << DocumentType::Doc << DocumentText::Outcome::Failed
                                       << "uszkodzony plik DOC";
        QTest::newRow("DOC whose directory loops") << "petla.doc" << DocumentType::Doc
                                                   << DocumentText::Outcome::Failed << "uszkodzony plik DOC";
        QTest::newRow("DOCX as DOC") << "obwieszczenie.docx" << DocumentType::Doc << DocumentText::Outcome::Failed
                                     << "uszkodzony plik DOC";
        // The headers claim 1 KB; what inflates is counted.
        QTest::newRow("DOCX zip bomb") << "bomba.docx" << DocumentType::Docx << DocumentText::Outcome::Failed
                                       << "dokument zbyt duży po rozpakowaniu (ponad 64 MB)";
        QTest::newRow("ODT zip bomb") << "bomba.odt" << DocumentType::Odt << DocumentText::Outcome::Failed
                                      << "dokument zbyt duży po rozpakowaniu (ponad 64 MB)";
    }
    void refuses()
    {
        QFETCH(QString, file);
        QFETCH(DocumentType, type);
        QFETCH(DocumentText::Outcome, outcome);
        QFETCH(QString, reason);
        const QByteArray bytes = document(file);
        QVERIFY(!bytes.isEmpty());
        // Time enough for a loaded machine: what counts here is the reason.
        ReadLimits limits;
        limits.time = std::chrono::seconds(60);
        const DocumentText read = ReadDocument(bytes, type, limits);
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

    // Standard input without end: the reader stops at its input cap when
    // bytes keep coming, at its own alarm when they do not; either way it
    // is gone and says why.
    void endlessInput()
    {
        QProcess reader;
        reader.start(dokumenty::ReaderProgramPath(),
                     {"--type", "pdf", "--seconds", "20"});
        QVERIFY(reader.waitForStarted());
        const QByteArray chunk(1 << 20, 'x');
        for (int i = 0; i < 500 && reader.state() == QProcess::Running; ++i) {
            reader.write(chunk);
            reader.waitForBytesWritten(5000);
        }
        // (waitForFinished answers false for a process that has already ended)
        QVERIFY(reader.state() == QProcess::NotRunning || reader.waitForFinished(20000));
        QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
        QCOMPARE(reader.exitCode(), int(dokumenty::protocol::kTooLarge));
        QCOMPARE(reader.readAllStandardError(), QByteArray("powod: dokument większy niż 50 MB\n"));
    }
    void stalledInput()
    {
        QProcess reader;
        reader.start(dokumenty::ReaderProgramPath(), {"--type", "docx", "--seconds", "1"});
        QVERIFY(reader.waitForStarted());
        reader.write("PK\x03\x04");
        // The write end stays open: nothing more comes, nothing ends.
        QVERIFY(reader.waitForFinished(15000));
        QCOMPARE(reader.exitStatus(), QProcess::CrashExit);
        QCOMPARE(reader.exitCode(), SIGALRM);
        QVERIFY(reader.readAllStandardOutput().isEmpty());
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
