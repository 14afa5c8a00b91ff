// ekowarta-cli find-date through the built program.
#include "support/testdata.h"
#include "text/cp1250.h"

#include <QTemporaryDir>
#include <QtTest>

class TestFindDateCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void output_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QByteArray>("output");
        const QByteArray cp = cp1250::fromUnicode(u"<p>Ogłoszenie z dnia 15 marca 2026 r.</p>\r\n<p>3 września 2026</p>");
        QTest::newRow("found") << cp << "2026-10-01" << QByteArray("found=1\ndate=2026-09-03\n");
        // Nothing found: no date at all, not the floor of the year searched last.
        QTest::newRow("not found: no date") << cp << "2026-03-15" << QByteArray("found=0\ndate=\n");
        // Read as a check reads it: a UTF-8 page's Polish month names count,
        // so find-date and check-page give the same date.
        QTest::newRow("UTF-8 page: read as a check reads it")
            << QStringLiteral("3 września 2026\n1 marca 2026").toUtf8() << "2026-10-01"
            << QByteArray("found=1\ndate=2026-09-03\n");
        QTest::newRow("empty file") << QByteArray() << "2026-10-01" << QByteArray("found=0\ndate=\n");
    }
    void output()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, today);
        QFETCH(QByteArray, output);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("strona.html"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(page);
        f.close();
        const testdata::ProcessResult r = testdata::run(
            QStringLiteral("ekowarta-cli"), {QStringLiteral("find-date"), path, QStringLiteral("--today"), today});
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        QCOMPARE(r.out, output);
        QCOMPARE(r.exitCode, 0);
    }

    void missingFile()
    {
        QTemporaryDir dir;
        const testdata::ProcessResult r = testdata::run(
            QStringLiteral("ekowarta-cli"), {QStringLiteral("find-date"), dir.filePath(QStringLiteral("brak.html"))});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("brak.html"));
    }

    void badToday()
    {
        const testdata::ProcessResult r = testdata::run(
            QStringLiteral("ekowarta-cli"),
            {QStringLiteral("find-date"), QStringLiteral("x.html"), QStringLiteral("--today"), QStringLiteral("jutro")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFindDateCli)
#include "tst_finddatecli.moc"
