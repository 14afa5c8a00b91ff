// The scheduled check in the windows, on the offscreen platform: the
// configuration window's "Harmonogram" tab writes and removes the user
// timer through the session manager's seam, and the main window runs the
// check itself when its time comes while it is open, asking nobody.
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "harmonogram/lastrun.h"
#include "harmonogram/userunits.h"
#include "konfig/settings.h"
#include "platform/livethreads.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/testdata.h"
#include "support/widgetlookup.h"
#include "schedulewatch.h"
#include "tform1.h"
#include "tform4.h"
#include "text/datevalue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

namespace {

struct RecordingSystemctl
{
    bool runs = false;
    QList<QStringList> calls;
    harmonogram::Systemctl previous;
    RecordingSystemctl()
    {
        previous = harmonogram::SetSystemctl({[this] { return runs; },
                                              [this](const QStringList& a) {
                                                  calls << a;
                                                  return harmonogram::Systemctl::Result{0, {}};
                                              }});
    }
    ~RecordingSystemctl() { harmonogram::SetSystemctl(previous); }
};

} // namespace

class TestScheduleGui : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TForm1> m_main;
    TForm4* m_form = nullptr;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("config.ini")); }
    QString unitDir() const { return m_dir->filePath(QStringLiteral("config/systemd/user")); }

    void startProgram()
    {
        m_main = std::make_unique<TForm1>(*m_settings, *m_dialogs, m_dir->path());
        m_form = new TForm4(*m_settings, *m_dialogs, iniPath(), m_main.get());
        m_main->setForms(nullptr, m_form, nullptr);
        m_main->show();
        QCoreApplication::processEvents();
    }
    template <typename T> T* child(const char* name) const { return childNamed<T>(*m_form, name); }
    // A line of the event log that begins with the text (after its time).
    static bool logged(const QComboBox* log, const QString& text)
    {
        for (int i = 0; i < log->count(); ++i)
            if (log->itemText(i).contains(QStringLiteral(" => ") + text))
                return true;
        return false;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_settings = std::make_unique<Settings>();
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toUtf8());
    }
    void cleanup()
    {
        m_main.reset();
        QTRY_COMPARE(LiveThreads::count(), 0);
        Clock::unpin();
    }

    void configWindowWritesAndRemovesTheTimer()
    {
        RecordingSystemctl systemctl;
        startProgram();
        auto* on = child<QCheckBox>("CheckBoxHarmonogram");
        auto* time = child<QTimeEdit>("TimeHarmonogram");
        QVERIFY(!on->isChecked());
        QVERIFY(!time->isEnabled());
        on->setChecked(true);
        QVERIFY(time->isEnabled());
        time->setTime(QTime(5, 40));
        child<QCheckBox>("CheckBoxDzien6")->setChecked(false);
        child<QCheckBox>("CheckBoxDzien7")->setChecked(false);
        // Acting at once, like every other control of the window.
        QVERIFY(m_settings->schedule.on);
        QCOMPARE(m_settings->schedule.days, harmonogram::Days(0x1f));
        QVERIFY(child<QLabel>("LabelHarmonogram")->text().contains(QStringLiteral("Zapisz")));

        child<QPushButton>("BitBtn1")->click();
        QVERIFY(m_dialogs->messages.isEmpty());
        const QByteArray ini = testdata::readAll(iniPath());
        QVERIFY(ini.contains("harmonogram=1\r\n") && ini.contains("godzina=05:40\r\n"));
        const harmonogram::InstalledUnits units = harmonogram::Installed(m_dir->path());
        QVERIFY(units.enabled && units.serviceExists);
        QCOMPARE(units.onCalendar, QStringLiteral("Mon,Tue,Wed,Thu,Fri *-*-* 05:40:00"));
        // No user session manager: the window says who runs the check.
        QVERIFY2(child<QLabel>("LabelHarmonogram")->text().contains(QStringLiteral("Systemd nie zarządza")),
                 qPrintable(child<QLabel>("LabelHarmonogram")->text()));

        // With one, the timer is started; saving again unchanged asks
        // nothing more of it.
        systemctl.runs = true;
        time->setTime(QTime(5, 45));
        child<QPushButton>("BitBtn1")->click();
        QCOMPARE(systemctl.calls.size(), 2);
        QCOMPARE(systemctl.calls[1].first(), QStringLiteral("restart"));
        child<QPushButton>("BitBtn1")->click();
        QCOMPARE(systemctl.calls.size(), 2);

        on->setChecked(false);
        child<QPushButton>("BitBtn1")->click();
        QCOMPARE(systemctl.calls[2].first(), QStringLiteral("stop"));
        QVERIFY(QDir(unitDir()).entryList(QDir::Files).isEmpty());
        QVERIFY(testdata::readAll(iniPath()).contains("harmonogram=0\r\n"));
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    // The window open at the scheduled time runs the check, a new pass
    // without the question, and keeps its summary for the timer's service.
    void openWindowRunsTheScheduledCheck()
    {
        HttpTestServer server;
        server.route("/p", HttpTestServer::Response::html("<html>\n<p>1 marca 2026</p>\n</html>\n"));
        server.route("/q", HttpTestServer::Response::html("<html>\n<p>2 marca 2026</p>\n</html>\n"));
        const ConnectionOverride online(true);
        {
            baza::Baza b(m_dir->path());
            b.OpenTable();
            for (int z : {1, 0}) { // an interrupted pass: the run would ask
                b.table().append();
                b.table().setText(baza::Gmina, QStringLiteral("Gmina"));
                b.table().setText(baza::Info, server.url(z ? QStringLiteral("/p") : QStringLiteral("/q")));
                b.table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 1, 5)));
                b.table().setInteger(baza::Z, z);
                b.table().post();
            }
            b.table().close();
        }
        QVERIFY(testdata::writeAll(iniPath(), "[opcje]\r\nharmonogram=1\r\ngodzina=06:00\r\n"));
        Clock::pin(QDateTime(QDate(2026, 12, 9), QTime(5, 59, 50)));
        startProgram();
        QVERIFY(m_settings->schedule.on);
        auto* log = childNamed<QComboBox>(*m_main, "ComboBox1");
        m_main->scheduleWatch().Check();
        QVERIFY(!m_main->run().active());

        Clock::pin(QDateTime(QDate(2026, 12, 9), QTime(6, 0, 5)));
        m_main->scheduleWatch().Check();
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->run().active() && LiveThreads::count() == 0, 10000);
        QVERIFY2(m_dialogs->questions.isEmpty(), qPrintable(m_dialogs->questions.join(QLatin1Char('|'))));
        QCOMPARE(server.requestCount(), 2); // both records: a new pass
        const auto last = harmonogram::ReadLastRun(m_dir->path());
        QVERIFY(last && last->ran);
        QCOMPARE(last->due, QDateTime(QDate(2026, 12, 9), QTime(6, 0)));
        QVERIFY2(last->summary.startsWith(QStringLiteral("Kontrola zakończona.")), qPrintable(last->summary));
        QTRY_VERIFY(logged(log, QStringLiteral("Zaplanowana kontrola 2026-12-09 06:00: Kontrola zakończona.")));

        // The same time is not run twice; a record the service left for
        // a later time is shown in the event log.
        m_main->scheduleWatch().Check();
        QVERIFY(!m_main->run().active());
        harmonogram::LastRun service = *last;
        service.due = QDateTime(QDate(2026, 12, 10), QTime(6, 0));
        service.summary = QStringLiteral("pominięta: brak połączenia z Internetem");
        service.ran = true;
        harmonogram::WriteLastRun(m_dir->path(), service);
        Clock::pin(QDateTime(QDate(2026, 12, 10), QTime(6, 0, 30)));
        m_main->scheduleWatch().Check();
        QVERIFY(!m_main->run().active());
        QVERIFY(logged(log, QStringLiteral("Zaplanowana kontrola 2026-12-10 06:00: pominięta: brak połączenia z Internetem")));
        QCOMPARE(server.requestCount(), 2);
    }
};

int main(int argc, char* argv[])
{
    EkowartaApplication app(argc, argv);
    TestScheduleGui test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_schedule_gui.moc"
