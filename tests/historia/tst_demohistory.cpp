// Three runs of ekowarta-cli over the demo (its own server and register, as
// `make demo` starts them), the demo pages changing at every check: the
// notices page shows exactly its new notice in `ekowarta-cli diff` and in the
// history window; the page that only counts its visitors shows no added
// line, and with "pomijaj zmiany bez nowej treści" on gets kod 0.
#include "baza/baza.h"
#include "baza/fields.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "historia/historystore.h"
#include "historywindow.h"
#include "support/testdata.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString kDemo = testdata::sourcePath(QStringLiteral("demo"));
const QString kPython = QStringLiteral("/usr/bin/python3");

const char* const kMonths[] = {"stycznia", "lutego", "marca",    "kwietnia", "maja",        "czerwca",
                               "lipca",    "sierpnia", "września", "października", "listopada", "grudnia"};

// The demo's notice number k, as its server writes it today.
QString demoNotice(int k)
{
    const QDate today = QDate::currentDate();
    const QDate day = today.addDays(-qMax(1, 15 - k));
    return QStringLiteral("%1 %2 %3 – Obwieszczenie nr %4/%5 o wydaniu decyzji o środowiskowych uwarunkowaniach")
        .arg(day.day())
        .arg(QString::fromUtf8(kMonths[day.month() - 1]))
        .arg(day.year())
        .arg(k)
        .arg(today.year());
}

// A port with its neighbour (the demo's FTP) free on 127.0.0.1.
quint16 freePortPair()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTcpServer http;
        QTcpServer ftp;
        if (http.listen(QHostAddress::LocalHost, 0) && http.serverPort() < 65535 &&
            ftp.listen(QHostAddress::LocalHost, http.serverPort() + 1))
            return http.serverPort();
    }
    return 0;
}

} // namespace

class TestDemoHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;
    int m_noticesRecord = 0;
    int m_counterRecord = 0;
    QString m_noticesPage, m_counterPage;

    testdata::ProcessResult cli(const QStringList& args, int timeoutMs = 60000)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_dir.path()} + args,
                             timeoutMs);
    }

    void setContentFilter(bool on)
    {
        const QString ini = m_dir.filePath(QStringLiteral("config.ini"));
        Settings s;
        konfig::LoadSettings(s, ini);
        s.skipWithoutNewContent = on;
        konfig::SaveSettings(s, ini);
    }

    // The kod column of `history N`, oldest check first.
    QStringList kods(int record)
    {
        const auto r = cli({QStringLiteral("history"), QString::number(record)});
        QStringList out;
        for (const QString& line : QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts))
            out << line.section(u' ', 1, 1);
        return out;
    }

    // The SHA-256 column of `history N` (the runs may share a second, so
    // versions are picked by their hash).
    QStringList shas(int record)
    {
        const auto r = cli({QStringLiteral("history"), QString::number(record)});
        QStringList out;
        for (const QString& line : QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts))
            out << line.section(u' ', -1);
        return out;
    }

    static QStringList detailLines(const HistoryWindow& window)
    {
        return window.findChild<QTextEdit*>(QStringLiteral("Roznice"))->toPlainText().split(u'\n');
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,localhost,127.0.0.0/8");
        QVERIFY2(QFile::exists(kPython), "the demo server needs Debian's /usr/bin/python3");
        const quint16 port = freePortPair();
        QVERIFY(port > 0);
        const QString script = QDir(kDemo).filePath(QStringLiteral("serwer_pokazowy.py"));
        QCOMPARE(QProcess::execute(kPython, {script, QStringLiteral("prepare"), QStringLiteral("--dir"), m_dir.path(),
                                             QStringLiteral("--port"), QString::number(port)}),
                 0);
        const auto imported = cli({QStringLiteral("import"), m_dir.filePath(QStringLiteral("rejestr.csv"))});
        QVERIFY2(imported.exitCode == 0, imported.err.constData());

        // The slow page answers within the demo's 30 s limit here.
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start(kPython, {script, QStringLiteral("serve"), QStringLiteral("--dir"), m_dir.path(),
                                 QStringLiteral("--port"), QString::number(port), QStringLiteral("--slow"),
                                 QStringLiteral("0.2")});
        QVERIFY(m_server.waitForStarted());
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += m_server.readAllStandardOutput()).contains("PORT"),
                                  m_server.readAllStandardError().constData(), 10000);

        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            dbf::DbfTable& t = b.table();
            for (int row = 0; row < t.recordCount(); ++row) {
                t.setRow(row);
                if (t.text(baza::Gmina) == QStringLiteral("Smołdzino")) {
                    m_noticesRecord = t.recNo();
                    m_noticesPage = t.text(baza::Info).trimmed();
                } else if (t.text(baza::Gmina) == QStringLiteral("Suwałki")) {
                    m_counterRecord = t.recNo();
                    m_counterPage = t.text(baza::Info).trimmed();
                }
            }
        }
        QVERIFY(m_noticesRecord > 0 && m_counterRecord > 0);

        // First run as described, the second with the content filter, the
        // third without it again.
        for (const bool filter : {false, true, false}) {
            setContentFilter(filter);
            const auto r = cli({QStringLiteral("run")}, 180000);
            QVERIFY2(r.exitCode == 0, r.err.constData());
        }
    }
    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    void diffShowsExactlyTheNewNotice()
    {
        auto r = cli({QStringLiteral("diff"), QString::number(m_noticesRecord)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("+ ") + demoNotice(2) + QLatin1Char('\n'));
        // Between the first two runs: the first notice.
        const QStringList versions = shas(m_noticesRecord);
        QCOMPARE(versions.size(), 3);
        r = cli({QStringLiteral("diff"), QString::number(m_noticesRecord), QStringLiteral("--from"), versions[0],
                 QStringLiteral("--to"), versions[1]});
        QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("+ ") + demoNotice(1) + QLatin1Char('\n'));
        // A new notice is new content also with the filter on.
        const QStringList k = kods(m_noticesRecord);
        QCOMPARE(k.size(), 3);
        QVERIFY2(k[1] != QStringLiteral("0"), qPrintable(k.join(u' ')));
    }

    // The register is imported without dates: the first run is every
    // page's baseline and marks none of them (read errors and time-outs
    // aside); the second marks what changed in between.
    void firstRunMarksNothing()
    {
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        baza::Baza b(m_dir.path());
        b.OpenTable();
        dbf::DbfTable& t = b.table();
        QSet<QString> pages;
        for (int row = 0; row < t.recordCount(); ++row)
            pages.insert(t.textAt(row, baza::Info).trimmed());
        QVERIFY(pages.size() > 20);
        int markedLater = 0;
        for (const QString& page : pages) {
            const QList<historia::StoredCheck> checks = store.Checks(page);
            QCOMPARE(checks.size(), 3);
            QVERIFY2(!baza::IsMarked(checks[0].kod), qPrintable(page));
            markedLater += baza::IsMarked(checks[1].kod) || baza::IsMarked(checks[2].kod) ? 1 : 0;
        }
        QVERIFY(markedLater > 0);
    }

    void counterOnlyPageHasNoNewContent()
    {
        const QStringList versions = shas(m_counterRecord);
        QCOMPARE(versions.size(), 3);
        for (const auto& [from, to] : {std::pair{0, 1}, std::pair{1, 2}}) {
            const auto r = cli({QStringLiteral("diff"), QString::number(m_counterRecord), QStringLiteral("--from"),
                                versions[from], QStringLiteral("--to"), versions[to]});
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.out, QByteArray());
        }
        // With the filter on the counter is no change; without it, as
        // described, the changed size and lines still count.
        const QStringList k = kods(m_counterRecord);
        QCOMPARE(k.size(), 3);
        QCOMPARE(k[1], QStringLiteral("0"));
        QVERIFY2(k[2] == QStringLiteral("1") || k[2] == QStringLiteral("2"), qPrintable(k.join(u' ')));
    }

    void historyWindowShowsTheSame()
    {
        HistoryWindow notices(m_dir.path(), m_noticesPage, QStringLiteral("Smołdzino"));
        notices.show();
        // The newest check is chosen: its one added line, nothing removed.
        QStringList lines = detailLines(notices);
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^[+-] "))),
                 QStringList{QStringLiteral("+ ") + demoNotice(2)});
        notices.selectCheck(1);
        lines = detailLines(notices);
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^[+-] "))),
                 QStringList{QStringLiteral("+ ") + demoNotice(1)});

        HistoryWindow counter(m_dir.path(), m_counterPage, QStringLiteral("Suwałki"));
        counter.show();
        for (int row = 0; row < 2; ++row) {
            counter.selectCheck(row);
            QVERIFY(detailLines(counter).filter(QRegularExpression(QStringLiteral("^[+-] "))).isEmpty());
        }
    }
};

QTEST_MAIN(TestDemoHistory)
#include "tst_demohistory.moc"
