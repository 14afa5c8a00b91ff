// Scheduled checks: the times and days, the user timer and service as
// systemd reads them, writing and removing them through the session
// manager's seam, the record of the last scheduled run and its settings.
#include "harmonogram/lastrun.h"
#include "harmonogram/schedule.h"
#include "harmonogram/userunits.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/fileerror.h"
#include "support/testdata.h"
#include "text/cp1250.h"
#include "unitfile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>


using namespace harmonogram;

namespace {

Schedule at(int h, int m, Days days = kEveryDay)
{
    Schedule s;
    s.on = true;
    s.time = QTime(h, m);
    s.days = days;
    return s;
}

constexpr Days Mon = 1, Wed = 4, Fri = 16, Sun = 64;

// The session manager as the tests see it: what was asked, and answers.
struct RecordingSystemctl
{
    bool runs = true;
    int exitCode = 0;
    QList<QStringList> calls;
    Systemctl seam()
    {
        return {[this] { return runs; },
                [this](const QStringList& a) {
                    calls << a;
                    return Systemctl::Result{exitCode, {}};
                }};
    }
};

} // namespace

class TestHarmonogram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_config;
    QString m_data;

private Q_SLOTS:
    void init()
    {
        m_config = m_dir.filePath(QStringLiteral("config-%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
        m_data = m_dir.filePath(QStringLiteral("dane %1").arg(QString::fromLatin1(QTest::currentTestFunction())));
        QDir().mkpath(m_data);
        qputenv("XDG_CONFIG_HOME", m_config.toUtf8());
    }

    void timesAndDaysAreRead_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("time"); // empty: refused
        QTest::newRow("morning") << QStringLiteral("06:30") << QStringLiteral("06:30");
        QTest::newRow("one-digit hour") << QStringLiteral("6:05") << QStringLiteral("06:05");
        QTest::newRow("midnight") << QStringLiteral("00:00") << QStringLiteral("00:00");
        QTest::newRow("last minute") << QStringLiteral("23:59") << QStringLiteral("23:59");
        QTest::newRow("hour 24") << QStringLiteral("24:00") << QStringLiteral("");
        QTest::newRow("minute 60") << QStringLiteral("12:60") << QStringLiteral("");
        QTest::newRow("one-digit minute") << QStringLiteral("12:5") << QStringLiteral("");
        QTest::newRow("dot") << QStringLiteral("6.30") << QStringLiteral("");
        QTest::newRow("sign") << QStringLiteral("+6:30") << QStringLiteral("");
        QTest::newRow("seconds") << QStringLiteral("06:30:00") << QStringLiteral("");
        QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("");
    }
    void timesAndDaysAreRead()
    {
        QFETCH(QString, text);
        QFETCH(QString, time);
        const auto parsed = ParseTime(text);
        QCOMPARE(parsed ? TimeText(*parsed) : QString(), time);
    }

    void daysAreRead()
    {
        QCOMPARE(ParseDays(QStringLiteral("pn,wt,śr,czw,pt,sob,nd")), std::optional<Days>(kEveryDay));
        QCOMPARE(ParseDays(QStringLiteral(" ŚR, pn ")), std::optional<Days>(Mon | Wed));
        QCOMPARE(DaysText(Mon | Wed | Sun), QStringLiteral("pn,śr,nd"));
        for (const char* bad : {"", "pn,", "pon", "mon", "pn;wt"})
            QVERIFY2(!ParseDays(QString::fromUtf8(bad)), bad);
        QCOMPARE(Describe(at(6, 30)), QStringLiteral("codziennie o 06:30"));
        QCOMPARE(Describe(at(7, 0, 0x1f)), QStringLiteral("w dni robocze o 07:00"));
        QCOMPARE(Describe(at(7, 0, Mon | Fri)), QStringLiteral("pn, pt o 07:00"));
    }

    void dueMomentsFollowTheDays()
    {
        const Schedule s = at(6, 30, Mon | Wed);
        const QDateTime tuesday(QDate(2025, 3, 4), QTime(10, 0));
        QCOMPARE(LastDue(s, tuesday), QDateTime(QDate(2025, 3, 3), QTime(6, 30)));
        QCOMPARE(NextDue(s, tuesday), QDateTime(QDate(2025, 3, 5), QTime(6, 30)));
        const QDateTime wednesdayAtTime(QDate(2025, 3, 5), QTime(6, 30));
        QCOMPARE(LastDue(s, wednesdayAtTime), wednesdayAtTime);
        QCOMPARE(NextDue(s, wednesdayAtTime), QDateTime(QDate(2025, 3, 10), QTime(6, 30)));
        const QDateTime mondayBefore(QDate(2025, 3, 10), QTime(6, 29));
        QCOMPARE(LastDue(s, mondayBefore), QDateTime(QDate(2025, 3, 5), QTime(6, 30)));
        Schedule off = s;
        off.on = false;
        QVERIFY(!LastDue(off, tuesday).isValid());
        QVERIFY(!NextDue(at(6, 30, 0), tuesday).isValid());
    }

    // systemd's own reading of the calendar expression gives the moments
    // the window and the command line compute.
    void calendarAgreesWithSystemd_data()
    {
        QTest::addColumn<int>("days");
        QTest::newRow("every day") << int(kEveryDay);
        QTest::newRow("weekdays") << 0x1f;
        QTest::newRow("monday and friday") << int(Mon | Fri);
        QTest::newRow("sunday") << int(Sun);
    }
    void calendarAgreesWithSystemd()
    {
        QFETCH(int, days);
        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is not installed");
        const Schedule s = at(5, 45, Days(days));
        QProcess p;
        p.start(analyze, {QStringLiteral("calendar"), QStringLiteral("--iterations=4"), OnCalendar(s)});
        QVERIFY(p.waitForFinished(10000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), 0);
        QList<QDateTime> theirs;
        static const QRegularExpression moment(QStringLiteral("(?:Next elapse|Iter\\. #\\d+): \\w+ (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)"));
        for (auto it = moment.globalMatch(out); it.hasNext();)
            theirs << QDateTime::fromString(it.next().captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(theirs.size(), 4);
        QDateTime from = QDateTime::currentDateTime();
        for (const QDateTime& next : theirs) {
            from = NextDue(s, from);
            QCOMPARE(from, next);
        }
    }

    // Paths with blanks, quotes, backslashes, % and $ reach the command
    // line of the service unchanged.
    void unitsReadBackAsWritten()
    {
        const QString cli = m_dir.filePath(QStringLiteral("bin z \"cudzysłowem\"/ekowarta-cli"));
        const QString data = m_dir.filePath(QStringLiteral("dane 100% $HOME \\ łąka"));
        QDir().mkpath(data);
        const UnitTexts units = MakeUnits(at(6, 30, Mon | Wed), cli, data);

        const unitfile::Sections service = unitfile::Parse(units.service);
        QCOMPARE(service[QStringLiteral("Service")][QStringLiteral("Type")], QStringLiteral("oneshot"));
        QCOMPARE(unitfile::ExecWords(service[QStringLiteral("Service")][QStringLiteral("ExecStart")]),
                 (QStringList{cli, QStringLiteral("--dir"), QFileInfo(data).canonicalFilePath(), QStringLiteral("run"),
                              QStringLiteral("--scheduled")}));
        QVERIFY(!service[QStringLiteral("Unit")][QStringLiteral("Description")].contains(QStringLiteral("100% ")));

        const unitfile::Sections timer = unitfile::Parse(units.timer);
        QCOMPARE(timer[QStringLiteral("Timer")][QStringLiteral("OnCalendar")], QStringLiteral("Mon,Wed *-*-* 06:30:00"));
        QCOMPARE(timer[QStringLiteral("Timer")][QStringLiteral("Persistent")], QStringLiteral("true"));
        QCOMPARE(timer[QStringLiteral("Timer")][QStringLiteral("Unit")], UnitBaseName(data) + QStringLiteral(".service"));
        QCOMPARE(timer[QStringLiteral("Install")][QStringLiteral("WantedBy")], QStringLiteral("timers.target"));

        // One name per folder, however the folder is written.
        QCOMPARE(UnitBaseName(data + QStringLiteral("/")), UnitBaseName(data));
        QVERIFY(UnitBaseName(m_data) != UnitBaseName(data));
        QVERIFY(UnitBaseName(data).startsWith(QStringLiteral("ekowarta-kontrola-")));
    }

    void installEnablesStartsAndRemoves()
    {
        QCOMPARE(UserUnitDirectory(), m_config + QStringLiteral("/systemd/user"));
        RecordingSystemctl systemctl;
        const QString timerName = UnitBaseName(m_data) + QStringLiteral(".timer");
        const InstallOutcome on = Install(at(7, 15), QStringLiteral("/usr/bin/ekowarta-cli"), m_data, systemctl.seam());
        QVERIFY(on.applied);
        QCOMPARE(systemctl.calls, (QList<QStringList>{{QStringLiteral("daemon-reload")}, {QStringLiteral("restart"), timerName}}));
        const InstalledUnits units = Installed(m_data);
        QVERIFY(units.timerExists && units.serviceExists && units.enabled);
        QCOMPARE(units.onCalendar, QStringLiteral("*-*-* 07:15:00"));
        const QString link = m_config + QStringLiteral("/systemd/user/timers.target.wants/") + timerName;
        QCOMPARE(QFileInfo(link).symLinkTarget(), units.timerPath);

        // A new time replaces the old one in place.
        Install(at(8, 0, Mon), QStringLiteral("/usr/bin/ekowarta-cli"), m_data, systemctl.seam());
        QCOMPARE(Installed(m_data).onCalendar, QStringLiteral("Mon *-*-* 08:00:00"));
        QCOMPARE(QDir(m_config + QStringLiteral("/systemd/user")).entryList(QDir::Files).size(), 2);

        systemctl.calls.clear();
        const InstallOutcome off = Remove(m_data, systemctl.seam());
        QVERIFY(off.applied);
        QCOMPARE(systemctl.calls, (QList<QStringList>{{QStringLiteral("stop"), timerName}, {QStringLiteral("daemon-reload")}}));
        const InstalledUnits gone = Installed(m_data);
        QVERIFY(!gone.timerExists && !gone.serviceExists && !gone.enabled);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(Remove(m_data, systemctl.seam()).message, QStringLiteral("Kontrola nie była zaplanowana."));
    }

    void withoutSessionManagerTheWindowStandsIn()
    {
        RecordingSystemctl systemctl;
        systemctl.runs = false;
        const InstallOutcome on = Install(at(6, 0), QStringLiteral("/usr/bin/ekowarta-cli"), m_data, systemctl.seam());
        QVERIFY(!on.applied);
        QVERIFY(!on.managerRuns);
        QVERIFY(systemctl.calls.isEmpty());
        QVERIFY(on.message.contains(QStringLiteral("Systemd nie zarządza")));
        QVERIFY(on.message.contains(QStringLiteral("program Ekowarta")));
        // The files are there for a later session with systemd.
        QVERIFY(Installed(m_data).enabled);

        systemctl.runs = true;
        systemctl.exitCode = 1;
        const InstallOutcome refused = Install(at(6, 0), QStringLiteral("/usr/bin/ekowarta-cli"), m_data, systemctl.seam());
        QVERIFY(!refused.applied);
        QVERIFY(refused.message.contains(QStringLiteral("kodem 1")));
        QCOMPARE(systemctl.calls.size(), 1); // no start after a failed reload
    }

    // A file where the folder should be (works for root too, whom
    // permissions do not stop).
    void unwritableConfigFolderIsNamed()
    {
        QDir().mkpath(m_config);
        QVERIFY(testdata::writeAll(m_config + QStringLiteral("/systemd"), "plik"));
        RecordingSystemctl systemctl;
        try {
            Install(at(6, 0), QStringLiteral("/usr/bin/ekowarta-cli"), m_data, systemctl.seam());
            QFAIL("no error");
        } catch (const FileError& e) {
            QVERIFY2(e.text().contains(m_config + QStringLiteral("/systemd/user")), qPrintable(e.text()));
        }
        QVERIFY(systemctl.calls.isEmpty());
    }

    void lastRunIsKept()
    {
        QVERIFY(!ReadLastRun(m_data));
        LastRun run;
        run.due = QDateTime(QDate(2025, 3, 4), QTime(6, 30));
        run.started = run.due.addSecs(3);
        run.ended = run.due.addSecs(600);
        run.ran = true;
        run.summary = QStringLiteral("Kontrola zakończona.\nZaktualizowane: 2");
        run.events = {QStringLiteral("pierwsze zdarzenie"), QStringLiteral("zażółć = gęślą")};
        WriteLastRun(m_data, run);
        const auto back = ReadLastRun(m_data);
        QVERIFY(back);
        QCOMPARE(back->due, run.due);
        QCOMPARE(back->ended, run.ended);
        QVERIFY(back->ran);
        QCOMPARE(back->summary, QStringLiteral("Kontrola zakończona. Zaktualizowane: 2"));
        QCOMPARE(back->events, run.events);
        QCOMPARE(LastRunLine(*back), QStringLiteral("Zaplanowana kontrola 2025-03-04 06:30: Kontrola zakończona. Zaktualizowane: 2"));
        // A file that is not ours shows nothing.
        testdata::writeAll(LastRunPath(m_data), "coś innego\r\n");
        QVERIFY(!ReadLastRun(m_data));
    }

    void settingsKeepTheSchedule()
    {
        const QString ini = m_data + QStringLiteral("/config.ini");
        Settings s;
        konfig::SaveSettings(s, ini);
        // Off and at its defaults: a file without the keys stays without them.
        QVERIFY(!testdata::readAll(ini).contains("harmonogram"));
        s.schedule = at(5, 5, Mon | Wed);
        s.schedule.publish = true;
        konfig::SaveSettings(s, ini);
        const QByteArray bytes = testdata::readAll(ini);
        QVERIFY(bytes.contains("harmonogram=1\r\n"));
        QVERIFY(bytes.contains("godzina=05:05\r\n"));
        QVERIFY(bytes.contains("dni=pn," + cp1250::fromUnicode(QStringLiteral("śr")) + "\r\n"));
        Settings back;
        konfig::LoadSettings(back, ini);
        QVERIFY(back.schedule.on && back.schedule.publish);
        QCOMPARE(back.schedule.time, QTime(5, 5));
        QCOMPARE(back.schedule.days, Mon | Wed);
        // Nonsense in the file gives the defaults, not a schedule nobody set.
        testdata::writeAll(ini, "[opcje]\r\nharmonogram=1\r\ngodzina=25:99\r\ndni=xyz\r\n");
        konfig::LoadSettings(back, ini);
        QCOMPARE(back.schedule.time, QTime(6, 0));
        QCOMPARE(back.schedule.days, kEveryDay);
    }
};

QTEST_GUILESS_MAIN(TestHarmonogram)
#include "tst_harmonogram.moc"
