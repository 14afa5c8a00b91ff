// ekowarta-cli schedule and run --scheduled, run as the user and the timer
// run them: the unit files in $XDG_CONFIG_HOME, config.ini, and the
// scheduled run that waits for a busy register or is skipped.
#include "baza/baza.h"
#include "baza/fields.h"
#include "harmonogram/lastrun.h"
#include "harmonogram/userunits.h"
#include "support/foreignlock.h"
#include "support/testdata.h"
#include "text/cp1250.h"
#include "unitfile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class TestCliSchedule : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_data;
    QString m_config;

    // No user session manager here: an empty runtime folder.
    testdata::ProcessResult cli(const QStringList& args, int timeoutMs = 60000)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_data} + args, timeoutMs,
                             {QStringLiteral("XDG_CONFIG_HOME=") + m_config,
                              QStringLiteral("XDG_RUNTIME_DIR=") + m_dir.filePath(QStringLiteral("run"))});
    }
    QString unitDir() const { return m_config + QStringLiteral("/systemd/user"); }
    QString base() const { return harmonogram::UnitBaseName(m_data); }
    QByteArray ini() const { return testdata::readAll(m_data + QStringLiteral("/config.ini")); }

private Q_SLOTS:
    void init()
    {
        const QString name = QString::fromLatin1(QTest::currentTestFunction());
        m_data = m_dir.filePath(QStringLiteral("dane ") + name);
        m_config = m_dir.filePath(QStringLiteral("config-") + name);
        QDir().mkpath(m_data);
        QDir().mkpath(m_dir.filePath(QStringLiteral("run")));
    }

    void scheduleWritesTheTimerAndTheSettings()
    {
        const auto r = cli({QStringLiteral("schedule"), QStringLiteral("6:30"), QStringLiteral("--days"), QStringLiteral("pn,śr")});
        QCOMPARE(r.exitCode, 0);
        const QString out = QString::fromUtf8(r.out);
        QVERIFY2(out.contains(QStringLiteral("Systemd nie zarządza")), r.out.constData());
        QVERIFY(out.contains(QStringLiteral("Najbliższa kontrola: ")));

        const auto service = unitfile::Parse(QString::fromUtf8(testdata::readAll(unitDir() + QLatin1Char('/') + base() + QStringLiteral(".service"))));
        const QStringList words = unitfile::ExecWords(service[QStringLiteral("Service")][QStringLiteral("ExecStart")]);
        QCOMPARE(words, (QStringList{QFileInfo(testdata::program(QStringLiteral("ekowarta-cli"))).absoluteFilePath(),
                                     QStringLiteral("--dir"), QFileInfo(m_data).canonicalFilePath(), QStringLiteral("run"),
                                     QStringLiteral("--scheduled")}));
        const auto timer = unitfile::Parse(QString::fromUtf8(testdata::readAll(unitDir() + QLatin1Char('/') + base() + QStringLiteral(".timer"))));
        QCOMPARE(timer[QStringLiteral("Timer")][QStringLiteral("OnCalendar")], QStringLiteral("Mon,Wed *-*-* 06:30:00"));
        QVERIFY(QFileInfo(unitDir() + QStringLiteral("/timers.target.wants/") + base() + QStringLiteral(".timer")).isSymLink());
        // systemd's own check of both files: settings it understands, a
        // program it can start.
        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (!analyze.isEmpty()) {
            QProcess verify;
            verify.setProcessChannelMode(QProcess::MergedChannels);
            verify.start(analyze, {QStringLiteral("verify"), unitDir() + QLatin1Char('/') + base() + QStringLiteral(".timer"),
                                   unitDir() + QLatin1Char('/') + base() + QStringLiteral(".service")});
            QVERIFY(verify.waitForFinished(20000));
            const QByteArray said = verify.readAll();
            QVERIFY2(verify.exitCode() == 0 && said.isEmpty(), said.constData());
        }

        QVERIFY(ini().contains("harmonogram=1\r\n"));
        QVERIFY(ini().contains("godzina=06:30\r\n"));
        QVERIFY(ini().contains("dni=pn," + cp1250::fromUnicode(QStringLiteral("śr")) + "\r\n"));

        const auto shown = cli({QStringLiteral("schedule"), QStringLiteral("--show")});
        QCOMPARE(shown.exitCode, 0);
        QVERIFY2(QString::fromUtf8(shown.out).contains(QStringLiteral("Zaplanowana kontrola: pn, śr o 06:30")), shown.out.constData());
        QVERIFY(QString::fromUtf8(shown.out).contains(QStringLiteral("(włączony)")));

        const auto off = cli({QStringLiteral("schedule"), QStringLiteral("--off")});
        QCOMPARE(off.exitCode, 0);
        QCOMPARE(QString::fromUtf8(off.out).trimmed(), QStringLiteral("Zaplanowana kontrola wyłączona."));
        QVERIFY(QDir(unitDir()).entryList(QDir::Files).isEmpty());
        QVERIFY(ini().contains("harmonogram=0\r\n"));
        QVERIFY(QString::fromUtf8(cli({QStringLiteral("schedule"), QStringLiteral("--show")}).out)
                    .startsWith(QStringLiteral("Kontrola nie jest zaplanowana.")));
    }

    void badArgumentsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("hour 25") << QStringList{QStringLiteral("25:00")};
        QTest::newRow("dot") << QStringList{QStringLiteral("6.30")};
        QTest::newRow("no time") << QStringList{};
        QTest::newRow("bad day") << QStringList{QStringLiteral("06:00"), QStringLiteral("--days"), QStringLiteral("pn,xx")};
        QTest::newRow("show and off") << QStringList{QStringLiteral("--show"), QStringLiteral("--off")};
        QTest::newRow("off with days") << QStringList{QStringLiteral("--off"), QStringLiteral("--days"), QStringLiteral("pn")};
        QTest::newRow("two times") << QStringList{QStringLiteral("06:00"), QStringLiteral("07:00")};
    }
    void badArgumentsChangeNothing()
    {
        QFETCH(QStringList, args);
        const auto r = cli(QStringList{QStringLiteral("schedule")} + args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(!QFileInfo::exists(unitDir()));
        QVERIFY(!QFileInfo::exists(m_data + QStringLiteral("/config.ini")));
    }

    // The timer's run finds the register held by another program: it waits,
    // then gives up with a line the window will show.
    void scheduledRunWaitsForABusyRegister()
    {
        {
            baza::Baza b(m_data);
            b.OpenTable();
            b.table().close();
        }
        QCOMPARE(cli({QStringLiteral("schedule"), QStringLiteral("00:00")}).exitCode, 0);
        {
            testdata::ForeignLock lock(QStringLiteral("lockf"), m_data + QStringLiteral("/baza.dbf"));
            QVERIFY2(lock.held(), qPrintable(lock.error()));
            const auto r = cli({QStringLiteral("run"), QStringLiteral("--scheduled"), QStringLiteral("--wait"), QStringLiteral("1")});
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("zajęty przez inny program")), r.err.constData());
        }
        auto last = harmonogram::ReadLastRun(m_data);
        QVERIFY(last);
        QVERIFY(!last->ran);
        QCOMPARE(last->due, QDateTime(QDate::currentDate(), QTime(0, 0)));
        QVERIFY2(last->summary.startsWith(QStringLiteral("pominięta: rejestr był cały czas zajęty")), qPrintable(last->summary));

        // Free again: the run happens (an empty register has nothing to
        // check), and a second start for the same time does nothing.
        const auto r = cli({QStringLiteral("run"), QStringLiteral("--scheduled"), QStringLiteral("--wait"), QStringLiteral("1")});
        QCOMPARE(r.exitCode, 0);
        last = harmonogram::ReadLastRun(m_data);
        QVERIFY(last && last->ran);
        QVERIFY2(last->summary.contains(QStringLiteral("rejestr jest pusty")), qPrintable(last->summary));
        const auto again = cli({QStringLiteral("run"), QStringLiteral("--scheduled")});
        QCOMPARE(again.exitCode, 0);
        QVERIFY2(QString::fromUtf8(again.err).contains(QStringLiteral("już się odbyła")), again.err.constData());
        QVERIFY(QString::fromUtf8(cli({QStringLiteral("schedule"), QStringLiteral("--show")}).out)
                    .contains(QStringLiteral("Ostatnia: Zaplanowana kontrola ")));

        const auto misuse = cli({QStringLiteral("run"), QStringLiteral("--wait"), QStringLiteral("5")});
        QCOMPARE(misuse.exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestCliSchedule)
#include "tst_cli_schedule.moc"
