// ekowarta-cli run: a whole run without a window, against a local server.
#include "baza/baza.h"
#include "baza/fields.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "support/httptestserver.h"
#include "support/silentsmtpserver.h"
#include "support/smtptestserver.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QJsonObject>
#include <QUrl>

#include <QDir>
#include <QProcess>
#include <QtTest>

using testdata::run;

class TestCliRun : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpTestServer> m_server;

    QStringList dir() const { return {QStringLiteral("--dir"), m_dir->path()}; }

    void makeRegister(const QList<QPair<QString, int>>& pagesAndZ, const QList<int>& kod = {})
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        int i = 0;
        for (const auto& [page, z] : pagesAndZ) {
            b.table().append();
            b.table().setText(baza::Gmina, QStringLiteral("Gmina %1").arg(++i));
            b.table().setText(baza::Info, m_server->url(page));
            b.table().setInteger(baza::Z, z);
            // Checked before, so that a first run compares rather than
            // takes its baseline.
            b.table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 1, 5)));
            if (i <= kod.size())
                b.table().setInteger(baza::Kod, kod.at(i - 1));
            b.table().post();
        }
        b.table().close();
    }

    QList<int> column(int field)
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        QList<int> values;
        for (int r = 0; r < b.table().recordCount(); ++r)
            values << b.table().integerAt(r, field);
        return values;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<HttpTestServer>();
        m_server->route("/a", HttpTestServer::Response::html("<p>Dnia 2 stycznia 2020 r.</p>\n<p>x</p>\n"));
        m_server->route("/b", HttpTestServer::Response::html("<p>bez daty</p>\n"));
    }

    void wholePassPrintsTheReport();
    void questionNeedsAnAnswer();
    void continueKeepsTheVerdictsOfCheckedRecords();
    void offlineIsExitTwo();
    void badArguments_data();
    void badArguments();
    void interruptStopsAndLeavesAResumablePass();
    void summaryMailAndAlerts();
    void registerIsLetGoBeforeTheSummaryMail();
    void fullDiskStopsTheRunResumably();
};

// The summary after every run, its failure told and turned into exit 3 on
// request; the test message; the pages that keep failing.
void TestCliRun::summaryMailAndAlerts()
{
    makeRegister({{QStringLiteral("/a"), 0}, {QStringLiteral("/missing"), 0}});
    SmtpTestServer refusing(SmtpTestServer::Mode::Refuse);
    SmtpTestServer server;
    QVERIFY2(refusing.start(), qPrintable(refusing.errorString()));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QString ini = m_dir->filePath(QStringLiteral("config.ini"));
    Settings settings;
    settings.notify = true;
    settings.smtpUrl = refusing.url();
    settings.mailFrom = QStringLiteral("ekowarta@example.pl");
    settings.mailTo = QStringLiteral("ola@example.pl, jan@example.pl");
    konfig::SaveSettings(settings, ini);
    const QByteArray refusedLine = QStringLiteral("=> Nie udało się wysłać podsumowania kontroli e-mailem: Serwer poczty "
                                                  "127.0.0.1:%1 odrzucił nadawcę lub adresata (kod 550)")
                                       .arg(QUrl(refusing.url()).port())
                                       .toUtf8();

    const auto required = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--notify-required")});
    QCOMPARE(required.exitCode, 3);
    QVERIFY2(required.out.contains(refusedLine), required.out.constData());
    QCOMPARE(column(baza::Kod), (QList<int>{2, 5})); // the run's verdicts stand
    const auto told = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run")});
    QCOMPARE(told.exitCode, 0);
    QVERIFY(told.out.contains(refusedLine));

    settings.smtpUrl = server.url();
    konfig::SaveSettings(settings, ini);
    const auto sent = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--notify-required")});
    QVERIFY2(sent.exitCode == 0, sent.out.constData());
    QVERIFY(sent.out.contains("=> Podsumowanie kontroli wysłane e-mailem do: ola@example.pl, jan@example.pl"));
    QCOMPARE(server.messages().size(), 1);
    QCOMPARE(server.messages().first()[u"headers"].toObject()[u"Subject"].toString(),
             QStringLiteral("Ekowarta: zaktualizowane 0, błędy 1, niedostępne 1"));

    const auto test = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("notify"), QStringLiteral("--test")});
    QVERIFY2(test.exitCode == 0, test.err.constData());
    QCOMPARE(server.messages().size(), 2);
    QCOMPARE(server.messages().last()[u"headers"].toObject()[u"Subject"].toString(), QStringLiteral("Ekowarta: wiadomość testowa"));

    // /missing failed in all three runs.
    const auto failing = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("list"), QStringLiteral("--failing")});
    QCOMPARE(failing.exitCode, 0);
    QCOMPARE(QString::fromUtf8(failing.out), m_server->url(QStringLiteral("/missing")) +
                                                 QStringLiteral(" — Gmina 2; jeszcze nigdy nie udało się jej pobrać\n"));
    const auto four = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("list"), QStringLiteral("--failing"), QStringLiteral("--checks"), QStringLiteral("4")});
    QCOMPARE(four.exitCode, 0);
    QVERIFY(four.out.isEmpty());
}

// A mail server that says nothing keeps the run waiting, but not the
// register: the run's verdicts are in it and another command may change it
// meanwhile.
void TestCliRun::registerIsLetGoBeforeTheSummaryMail()
{
    makeRegister({{QStringLiteral("/a"), 0}});
    SilentSmtpServer silent(SilentSmtpServer::Mode::GreetSilent);
    QVERIFY2(silent.start(), qPrintable(silent.errorString()));
    Settings settings;
    settings.notify = true;
    settings.smtpUrl = silent.url();
    settings.mailFrom = QStringLiteral("ekowarta@example.pl");
    settings.mailTo = QStringLiteral("ola@example.pl");
    konfig::SaveSettings(settings, m_dir->filePath(QStringLiteral("config.ini")));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("EKOWARTA_CONNECTION"), QStringLiteral("online"));
    p.setProcessEnvironment(env);
    p.start(testdata::program(QStringLiteral("ekowarta-cli")), dir() + QStringList{QStringLiteral("run")});
    QVERIFY(p.waitForStarted());
    QVERIFY(silent.waitFor("CONNECTED"));
    QCOMPARE(p.state(), QProcess::Running); // still waiting for the server's word

    const auto marked = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("mark"), QStringLiteral("1"),
                                                                               QStringLiteral("3")});
    QVERIFY2(marked.exitCode == 0, marked.err.constData());
    QCOMPARE(column(baza::Kod), QList<int>{3});
    QCOMPARE(column(baza::Z), QList<int>{1}); // the run's own mark was in before the mail

    silent.stop(); // the server goes away: the run ends
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(p.readAllStandardOutput().contains("=> Nie udało się wysłać podsumowania kontroli e-mailem"),
             "no line about the mail");
    QCOMPARE(column(baza::Kod), QList<int>{3}); // nothing written over the mark after it
}

// A disk with no room for the pages: that is no verdict of the pages. The
// run stops as a lost connection stops it, the records keep what they had,
// and the event log and the exit code say what happened. The data folder
// lies on a real tmpfs of 64 KB, mounted in a namespace of the command's
// own (unshare), so no privilege is needed.
void TestCliRun::fullDiskStopsTheRunResumably()
{
    if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-r"), QStringLiteral("-m"), QStringLiteral("true")}) != 0)
        QSKIP("this system gives no mount namespace to an unprivileged process (unshare -r -m)");
    QByteArray big = "<html><body><p>Dnia 2 stycznia 2020 r.</p>\n";
    while (big.size() < 100 * 1024)
        big += "<p>Obwieszczenie o wszczęciu postępowania w sprawie decyzji o środowiskowych uwarunkowaniach</p>\n";
    QStringList pages;
    for (int i = 0; i < 6; ++i) {
        const QString page = QStringLiteral("/duza%1").arg(i);
        m_server->route(page.toUtf8(), HttpTestServer::Response::html(big));
        pages << page;
    }
    QList<QPair<QString, int>> records;
    for (const QString& page : pages)
        records << qMakePair(page, 0);
    makeRegister(records, {2, 0, 1, 3, 0, 2});
    const QByteArray before = testdata::readAll(m_dir->filePath(QStringLiteral("baza.dbf")));

    const QString disk = m_dir->filePath(QStringLiteral("dysk"));
    QVERIFY(QDir().mkpath(disk));
    const QString script = QStringLiteral(
        "set -e; mount -t tmpfs -o size=64k tmpfs \"$1\"; cp \"$2/baza.dbf\" \"$1/\"; set +e;"
        " EKOWARTA_CONNECTION=online \"$3\" --dir \"$1\" run --new --jobs 8 >\"$2/out.txt\" 2>\"$2/err.txt\";"
        " echo $? >\"$2/rc.txt\"; cp \"$1/baza.dbf\" \"$2/baza.dbf\"; ls \"$1\" >\"$2/ls.txt\"");
    QProcess p;
    p.start(QStringLiteral("unshare"), {QStringLiteral("-r"), QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                                       script, QStringLiteral("sh"), disk, m_dir->path(),
                                       testdata::program(QStringLiteral("ekowarta-cli"))});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QString out = QString::fromUtf8(testdata::readAll(m_dir->filePath(QStringLiteral("out.txt"))));
    QCOMPARE(testdata::readAll(m_dir->filePath(QStringLiteral("rc.txt"))).trimmed(), QByteArray("4"));
    QVERIFY2(out.contains(QStringLiteral("Kontrola przerwana, bo na dysku tego komputera nie można zapisać wyników")) &&
                 out.contains(QStringLiteral("brak miejsca na dysku")),
             qPrintable(out));
    QVERIFY2(!out.contains(QStringLiteral("Kontrola zakończona")), qPrintable(out));
    QVERIFY2(!out.contains(QStringLiteral("Błąd zapisu pliku tymczasowego")), qPrintable(out));
    // The records as they were: no kod 5, no check date, nothing checked.
    QCOMPARE(column(baza::Kod), (QList<int>{2, 0, 1, 3, 0, 2}));
    QCOMPARE(column(baza::Z), (QList<int>{0, 0, 0, 0, 0, 0}));
    QCOMPARE(testdata::readAll(m_dir->filePath(QStringLiteral("baza.dbf"))).mid(32), before.mid(32));
    QVERIFY2(!testdata::readAll(m_dir->filePath(QStringLiteral("ls.txt"))).contains(".tmp"), "a page file was left");

    // With room again the pass goes on and ends.
    const auto resumed = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--continue")});
    QVERIFY2(resumed.exitCode == 0, resumed.out.constData());
    QCOMPARE(column(baza::Z), (QList<int>{1, 1, 1, 1, 1, 1}));
}

void TestCliRun::wholePassPrintsTheReport()
{
    makeRegister({{QStringLiteral("/a"), 0}, {QStringLiteral("/missing"), 0}, {QStringLiteral("/a"), 0}});
    const auto r = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--today"), QStringLiteral("2026-12-09")});
    QCOMPARE(r.exitCode, 2); // --today is not an option of run: a usage error
    const auto ok = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run")});
    QVERIFY2(ok.exitCode == 0, ok.err.constData());
    const QString out = QString::fromUtf8(ok.out);
    QVERIFY(out.contains(QStringLiteral("Lista błędnych stron (1):\n  LP = 2 - Gmina 2\n")));
    QVERIFY(out.contains(QStringLiteral("Lista stron zaktualizowanych (1):\n  LP = 1 - Gmina 1\n")));
    // The only event: the run's summary (record 3 shared record 1's check).
    QVERIFY(out.contains(QStringLiteral("Dziennik zdarzeń (1):")));
    QVERIFY(out.contains(QStringLiteral(" => Kontrola zakończona. Zaktualizowane: 1, błędy odczytu: 1, przekroczony czas: 0, "
                                        "sprawdzone strony: 2.\n")));
    QVERIFY(ok.err.contains("[1/3] 33%  Gmina 1"));
    QVERIFY(ok.err.contains("[2/3] 66%  Gmina 2"));
    QVERIFY(!ok.err.contains("[3/3]")); // record 3 shares the page of record 1
    QCOMPARE(column(baza::Z), (QList<int>{1, 1, 1}));
    QCOMPARE(column(baza::Kod), (QList<int>{2, 5, 2})); // a 2020 date is not the current or the last year
}

void TestCliRun::questionNeedsAnAnswer()
{
    makeRegister({{QStringLiteral("/a"), 1}, {QStringLiteral("/b"), 0}});
    const auto asked = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run")});
    QCOMPARE(asked.exitCode, 1);
    QVERIFY(asked.err.contains("--continue"));
    QCOMPARE(m_server->requestCount(), 0);
    QCOMPARE(column(baza::Z), (QList<int>{1, 0}));

    const auto continued = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--continue")});
    QCOMPARE(continued.exitCode, 0);
    QCOMPARE(m_server->requestCount(), 1); // only /b, one request
    const auto fresh = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--new")});
    QCOMPARE(fresh.exitCode, 0); // every record was checked: a fresh pass, no question
    QCOMPARE(m_server->requestCount(), 3);
}

void TestCliRun::continueKeepsTheVerdictsOfCheckedRecords()
{
    // Record 1 was found updated before the pass was interrupted; record 3
    // still carries an old mark and is checked only now.
    makeRegister({{QStringLiteral("/a"), 1}, {QStringLiteral("/b"), 0}, {QStringLiteral("/b?3"), 0}}, {3, 0, 1});
    m_server->route("/b?3", HttpTestServer::Response::html("<p>bez daty</p>\n"));
    // Several pages at a time, as the options allow, keep the same rules.
    const auto continued = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run"), QStringLiteral("--continue"),
                                                                                  QStringLiteral("--jobs"), QStringLiteral("3"),
                                                                                  QStringLiteral("--host-delay"), QStringLiteral("0.1")});
    QVERIFY2(continued.exitCode == 0, continued.err.constData());
    QCOMPARE(column(baza::Z), (QList<int>{1, 1, 1}));
    QCOMPARE(column(baza::Kod), (QList<int>{3, 2, 2}));
}

void TestCliRun::offlineIsExitTwo()
{
    makeRegister({{QStringLiteral("/a"), 0}});
    const auto r = run(QStringLiteral("ekowarta-cli"), dir() + QStringList{QStringLiteral("run")}, 60000,
                       {QStringLiteral("EKOWARTA_CONNECTION=offline")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(QString::fromUtf8(r.out).contains(QStringLiteral("=> Brak połącznia z Internetem")));
    QCOMPARE(m_server->requestCount(), 0);
}

void TestCliRun::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("limit 45") << QStringList{"run", "--time-limit", "45"} << 2 << "--time-limit przyjmuje 0, 30, 60, 120, 180 lub 300, a nie \"45\"";
    QTest::newRow("both answers") << QStringList{"run", "--continue", "--new"} << 2 << "--continue i --new wykluczają się";
    QTest::newRow("surplus") << QStringList{"run", "now"} << 2 << "zbędny argument now";
    const QString jobs = QStringLiteral("--jobs przyjmuje liczbę od 1 do 16, a nie \"%1\"");
    for (const char* n : {"0", "17", "-1", "4x", ""})
        QTest::addRow("jobs %s", n) << QStringList{"run", "--jobs", QString::fromLatin1(n)} << 2 << jobs.arg(QLatin1String(n));
    QTest::newRow("jobs missing") << QStringList{"run", "--jobs"} << 2 << "brak wartości opcji --jobs";
    const QString pause = QStringLiteral("--host-delay przyjmuje liczbę sekund od 0 do 600, a nie \"%1\"");
    for (const char* n : {"-0.5", "600.5", "nan", "inf", "1s"})
        QTest::addRow("host-delay %s", n) << QStringList{"run", "--host-delay", QString::fromLatin1(n)} << 2 << pause.arg(QLatin1String(n));
}

void TestCliRun::badArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    makeRegister({{QStringLiteral("/a"), 0}});
    const QByteArray before = testdata::readAll(m_dir->filePath(QStringLiteral("baza.dbf")));
    const auto r = run(QStringLiteral("ekowarta-cli"), dir() + args);
    QCOMPARE(r.exitCode, status);
    QVERIFY2(QString::fromUtf8(r.err).contains(said), r.err.constData());
    QCOMPARE(testdata::readAll(m_dir->filePath(QStringLiteral("baza.dbf"))), before);
    QCOMPARE(m_server->requestCount(), 0);
}

void TestCliRun::interruptStopsAndLeavesAResumablePass()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html("<p>x</p>\n");
    slow.delayMs = 700;
    m_server->route("/slow", slow);
    makeRegister({{QStringLiteral("/slow"), 0}, {QStringLiteral("/slow?2"), 0}, {QStringLiteral("/slow?3"), 0}});
    m_server->route("/slow?2", slow);
    m_server->route("/slow?3", slow);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("EKOWARTA_CONNECTION"), QStringLiteral("online"));
    p.setProcessEnvironment(env);
    p.start(testdata::program(QStringLiteral("ekowarta-cli")), dir() + QStringList{QStringLiteral("run")});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount() >= 1, 10000);
    p.terminate(); // SIGTERM: stopped as the button stops
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 130);
    const QList<int> z = column(baza::Z);
    QCOMPARE(z.first(), 1);  // the check in flight was still stored
    QCOMPARE(z.last(), 0);   // the rest waits for --continue
}

QTEST_GUILESS_MAIN(TestCliRun)
#include "tst_cli_run.moc"
