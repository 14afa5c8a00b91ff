// Monitoring runs against a local HTTP server: dispatching, the shared
// pages, the verdicts, the watchdog, stop and resume, the start question,
// a lost connection and the end of a run.
#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/infoindex.h"
#include "historia/historystore.h"
#include "kontrola/tpobierz.h"
#include "konfig/settings.h"
#include "platform/livethreads.h"
#include "publikacja/updatelist.h"
#include "przebieg/estimate.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"
#include "support/runfixture.h"
#include "text/datevalue.h"

#include <QtTest>

#include <QHostAddress>

#include <QScopeGuard>
#include <QSemaphore>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

using Rec = RunFixture::Record;

const QByteArray kDatedPage = "<html>\r\n<body>\r\n<p>Ogłoszenie z dnia 15 marca 2026 r.</p>\r\n</body>\r\n</html>\r\n";
const QByteArray kUndatedPage = "<html>\n<body>\n<p>Brak dat</p>\n</body>\n</html>\n";

} // namespace

class TestRunController : public QObject, protected RunFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        setUpRun();
        m_server->route("/dated", HttpTestServer::Response::html(kDatedPage, "text/html; charset=utf-8"));
        m_server->route("/undated", HttpTestServer::Response::html(kUndatedPage, "text/html"));
    }
    void cleanup() { QVERIFY(tearDownRun()); }

    void sharedPageIsFetchedOnceAndWrittenToEveryRecord();
    void firstCheckAfterResetAndASecondCheck();
    void firstRunOfARegisterWithoutDatesMarksNothing();
    void olderDateIsDecidedByTheLineCount();
    void failuresBecomeReadErrors();
    void emptyPageIsAReadErrorOfEverySharingRecord();
    void failedDownloadWritesOnlyTheDispatchedRecord();
    void slowPageIsTimedOutAndTheLateWorkerWritesNothing();
    void noTimeLimitSelectedNeverTimesOut();
    void stopAndStartAgainContinuesWithTheNextRecord();
    void questionAtStart_data();
    void questionAtStart();
    void everyRecordCheckedStartsAFreshPass();
    void oneRecordTableEndsWithItsCheck();
    void lostConnectionAbortsAndLeavesThePassResumable();
    void timeOutBetweenTheWorkersStopCheckAndItsHandBack();
    void parallelChecksWriteWhatOneAtATimeWrites();
    void onePoliteConnectionPerHost();
    void pageIndexFollowsEveryChangeOfTheTable();
    void recordsEditedBetweenRunsShareTheResult();
    void remainingTimeEstimate_data();
    void remainingTimeEstimate();
    void estimateFollowsTheClockAndTheEndIsSummed();
    void continuingKeepsTheVerdictsOfThePass_data();
    void continuingKeepsTheVerdictsOfThePass();
    void startWithoutConnectionOrRecords();
    void deletedRecordsAfterAStopEndThePass();
    void largeRegisterResetOverSeveralTurnsAndStoppedMeanwhile();
};

void TestRunController::sharedPageIsFetchedOnceAndWrittenToEveryRecord()
{
    makeRegister({{"Pierwsza", url("/dated")},
                  {"Druga", QStringLiteral("  ") + url("/dated") + QStringLiteral(" ")},
                  {"Trzecia", url("/undated")},
                  {"Czwarta", url("/DATED")}});
    m_server->route("/DATED", HttpTestServer::Response::html(kUndatedPage, "text/html"));
    QVERIFY(runToEnd());
    QCOMPARE(requestsFor("/dated"), 1); // one request, once
    QCOMPARE(requestsFor("/DATED"), 1); // another letter case is another page
    for (int r = 1; r <= 4; ++r)
        QCOMPARE(zOf(r), 1);
    QCOMPARE(kodOf(1), 3);
    QCOMPARE(kodOf(2), 3);
    QCOMPARE(dateOf(2, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 3, 15)));
    QCOMPARE(dateOf(2, baza::DataKontroli), datevalue::fromDate(QDate(2026, 12, 9)));
    QCOMPARE(uwagiOf(2), QStringLiteral("text/html; charset=utf-8"));
    QCOMPARE(table().integerAt(1, baza::Row), 5);
    QCOMPARE(table().integerAt(1, baza::Size), kDatedPage.size());
    QCOMPARE(table().integerAt(1, baza::Tag), kDatedPage.size());
    QCOMPARE(kodOf(3), 2);
    QCOMPARE(kodOf(4), 2);
    QCOMPARE(m_report->updatedLines(), (QStringList{"LP = 1 - Pierwsza", "LP = 3 - Trzecia", "LP = 4 - Czwarta"}));
    QVERIFY(m_report->errorLines().isEmpty());
    // The end of the run resets the labels and the record number.
    QCOMPARE(m_run->state().currentRecord, 1);
    QCOMPARE(m_run->czas1(), QStringLiteral("0"));
    QCOMPARE(m_run->czas2(), QStringLiteral("00:00:00"));
    QCOMPARE(m_run->timeStart(), QStringLiteral("00:00:00"));
    QCOMPARE(m_run->progressPosition(), 0);
    QVERIFY(m_run->gridEnabled());
    QVERIFY(!m_run->active());
    QVERIFY(table().exclusive()); // held until the program ends
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("plik_1.tmp"))));
}

void TestRunController::firstCheckAfterResetAndASecondCheck()
{
    makeRegister({{"Datowana", url("/dated")}, {"Bez daty", url("/undated")}});
    m_baza->ResetMeasures();
    // Nothing is known of the pages: no date, no check, no history. The
    // first check measures them and marks nothing.
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), 0);
    QCOMPARE(kodOf(2), 0);
    QVERIFY(m_report->updatedLines().isEmpty());
    QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 3, 15)));
    QCOMPARE(dateOf(2, baza::Aktualizacja), 0.0); // the check's day is no date of the page
    QCOMPARE(dateOf(2, baza::DataKontroli), datevalue::fromDate(QDate(2026, 12, 9)));
    QCOMPARE(table().integerAt(1, baza::Row), 5);
    // The same pages again: unchanged, by the date and by the line count.
    QVERIFY(runToEnd());
    QVERIFY(m_dialogs->questions.isEmpty());
    QCOMPARE(kodOf(1), 0);
    QCOMPARE(kodOf(2), 0);
    QVERIFY(m_report->updatedLines().isEmpty()); // cleared at record 1, no new lines
    // A notice on the page that had no date, dated days before the last
    // check: news, by the date.
    pinClock(QDateTime(QDate(2026, 12, 10), QTime(12, 0)));
    m_server->route("/undated", HttpTestServer::Response::html(
                                    "<html>\n<body>\n<p>Brak dat</p>\n<p>Obwieszczenie z dnia 5 grudnia 2026 r.</p>\n"
                                    "</body>\n</html>\n",
                                    "text/html; charset=utf-8"));
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), 0);
    QCOMPARE(kodOf(2), 3);
    QCOMPARE(dateOf(2, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 12, 5)));
    QCOMPARE(m_report->updatedLines(), QStringList{"LP = 2 - Bez daty"});
}

// A register imported without dates, checked for the first time, both one
// page at a time and several at once: nothing is marked; a date the user
// gave is compared with at once.
void TestRunController::firstRunOfARegisterWithoutDatesMarksNothing()
{
    for (const int jobs : {1, 3}) {
        m_settings->jobs = jobs;
        Rec dated{"Datowana", url("/dated")};
        Rec undated{"Bez daty", url("/undated")};
        Rec given{"Z datą", url("/dated?user")};
        m_server->route("/dated?user", HttpTestServer::Response::html(kDatedPage));
        dated.dataKontroli = undated.dataKontroli = given.dataKontroli = 0;
        given.aktualizacja = datevalue::fromDate(QDate(2026, 1, 31));
        makeRegister({dated, undated, given});
        QVERIFY(runToEnd());
        QCOMPARE(kodOf(1), 0);
        QCOMPARE(kodOf(2), 0);
        QCOMPARE(kodOf(3), 3);
        QCOMPARE(m_report->updatedLines(), QStringList{"LP = 3 - Z datą"});
        QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 3, 15)));
        QCOMPARE(dateOf(1, baza::DataKontroli), datevalue::fromDate(QDate(2026, 12, 9)));
        QVERIFY(tearDownRun());
        setUpRun();
        m_server->route("/dated", HttpTestServer::Response::html(kDatedPage, "text/html; charset=utf-8"));
        m_server->route("/undated", HttpTestServer::Response::html(kUndatedPage, "text/html"));
    }
}

void TestRunController::olderDateIsDecidedByTheLineCount()
{
    Rec r{"Starsza", url("/dated")};
    r.aktualizacja = datevalue::fromDate(QDate(2026, 6, 1));
    r.row = 5;
    makeRegister({r});
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), 0); // same line count
    QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 3, 15))); // takes the earlier date
}

void TestRunController::failuresBecomeReadErrors()
{
    Rec missing{"Brak strony", url("/missing")};
    missing.aktualizacja = datevalue::fromDate(QDate(2020, 1, 1));
    missing.size = 77;
    const quint16 closed = HttpTestServer::closedPort();
    makeRegister({missing, {"Nieosiągalna", QStringLiteral("http://127.0.0.1:%1/x").arg(closed)}, {"Dobra", url("/dated")}});
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), 5);
    QCOMPARE(uwagiOf(1), QStringLiteral("Błędna strona: Not Found"));
    QCOMPARE(dateOf(1, baza::Aktualizacja), datevalue::fromDate(QDate(2020, 1, 1))); // dates and measures stay
    QCOMPARE(dateOf(1, baza::DataKontroli), datevalue::fromDate(QDate(2026, 12, 8))); // the earlier check's
    QCOMPARE(table().integerAt(0, baza::Size), 77);
    QCOMPARE(kodOf(2), 5);
    QCOMPARE(uwagiOf(2), QStringLiteral("Host \"127.0.0.1:%1\" jest niedostępny").arg(closed));
    QCOMPARE(m_report->errorLines(), (QStringList{"LP = 1 - Brak strony", "LP = 2 - Nieosiągalna"}));
    QCOMPARE(kodOf(3), 3);
}

void TestRunController::emptyPageIsAReadErrorOfEverySharingRecord()
{
    HttpTestServer::Response empty;
    empty.headers = {{"Content-Type", "text/html"}};
    m_server->route("/empty", empty);
    makeRegister({{"A", url("/empty")}, {"B", url("/empty")}});
    QVERIFY(runToEnd());
    for (int r = 1; r <= 2; ++r) {
        QCOMPARE(kodOf(r), 5);
        QCOMPARE(uwagiOf(r), QStringLiteral("Błąd odczytu strony internetowej"));
        QCOMPARE(zOf(r), 1);
    }
    QCOMPARE(m_report->errorLines(), QStringList{"LP = 1 - A"});
}

void TestRunController::failedDownloadWritesOnlyTheDispatchedRecord()
{
    makeRegister({{"A", url("/missing")}, {"B", url("/missing")}});
    m_report->AddUpdatedLine(9, QStringLiteral("z poprzedniego przebiegu"));
    QVERIFY(runToEnd());
    // The second record was not written by the first check: it was
    // dispatched on its own later in the same pass.
    QCOMPARE(requestsFor("/missing"), 2);
    QCOMPARE(kodOf(1), 5);
    QCOMPARE(kodOf(2), 5);
    QCOMPARE(m_report->errorLines(), (QStringList{"LP = 1 - A", "LP = 2 - B"}));
    QVERIFY(m_report->updatedLines().isEmpty()); // cleared when the pass took record 1
}

void TestRunController::slowPageIsTimedOutAndTheLateWorkerWritesNothing()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 1500;
    m_server->route("/slow", slow);
    m_settings->timeLimitIndex = 0; // "30 sek": 30 watchdog ticks of 20 ms here
    makeRegister({{"Wolna", url("/slow")}, {"Szybka", url("/dated")}});
    m_run->Start();
    QTRY_COMPARE_WITH_TIMEOUT(kodOf(1), 4, 5000);
    QCOMPARE(uwagiOf(1), QStringLiteral("Problem z odczytem strony (przekroczony czas)"));
    QCOMPARE(zOf(1), 1);
    QCOMPARE(m_report->errorLines().first(), QStringLiteral("LP = 1 - Wolna"));
    QVERIFY(waitForQuiet());
    QCOMPARE(kodOf(2), 3);
    // The timed-out check finished later and handed nothing back.
    QCOMPARE(kodOf(1), 4);
    QCOMPARE(m_report->errorLines().size(), 1);
    QVERIFY(m_report->updatedLines() == QStringList{"LP = 2 - Szybka"});
}

void TestRunController::noTimeLimitSelectedNeverTimesOut()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 900; // 45 watchdog ticks
    m_server->route("/slow", slow);
    m_settings->timeLimitIndex = -1;
    makeRegister({{"Wolna", url("/slow")}, {"Druga", url("/dated")}});
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), 3);
    QVERIFY(m_report->errorLines().isEmpty());
}

void TestRunController::stopAndStartAgainContinuesWithTheNextRecord()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 600;
    m_server->route("/slow", slow);
    makeRegister({{"1", url("/dated")}, {"2", url("/slow")}, {"3", url("/undated")}, {"4", url("/dated?4")}});
    m_server->route("/dated?4", HttpTestServer::Response::html(kDatedPage));
    m_run->Start();
    QTRY_COMPARE_WITH_TIMEOUT(m_run->state().currentRecord, 3, 5000); // record 2 is in flight
    m_run->Stop();
    QVERIFY(!m_run->active());
    QVERIFY(!m_run->active());
    QVERIFY(m_run->gridEnabled());
    QCOMPARE(m_run->state().currentRecord, 3);
    QVERIFY(m_run->czas1() != QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(LiveThreads::count() == 0, 5000);
    QCOMPARE(kodOf(2), 3); // the stopped run's check is still stored
    QCOMPARE(zOf(3), 0);
    // A new start continues at 3, whatever the answer; records 1-2 stay.
    m_dialogs->answers << Dialogs::Answer::No;
    QVERIFY(runToEnd());
    QCOMPARE(m_dialogs->questions.size(), 1);
    QCOMPARE(zOf(3), 1);
    QCOMPARE(zOf(4), 1);
    QCOMPARE(zOf(1), 0); // "No" reset the pass, but records below 3 were not visited
    QCOMPARE(m_report->updatedLines(), (QStringList{"LP = 1 - 1", "LP = 2 - 2", "LP = 3 - 3", "LP = 4 - 4"}));
}

void TestRunController::questionAtStart_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("updated");
    // Record 1 is checked, record 3 shares its page: continuing takes the
    // page through record 3, a new pass through record 1.
    QTest::newRow("yes: continue") << int(Dialogs::Answer::Yes) << QStringList{"LP = 3 - Czas", "LP = 4 - Nowa"};
    QTest::newRow("no: new pass") << int(Dialogs::Answer::No) << QStringList{"LP = 1 - Sprawdzona", "LP = 3 - Czas"};
    QTest::newRow("cancel") << int(Dialogs::Answer::Cancel) << QStringList();
}

void TestRunController::questionAtStart()
{
    QFETCH(int, answer);
    QFETCH(QStringList, updated);
    Rec done{"Sprawdzona", url("/dated"), 3, 1};
    Rec marked{"Oznaczona", url("/undated"), 2, 0};
    Rec timedOut{"Czas", url("/undated?t"), 4, 0};
    m_server->route("/undated?t", HttpTestServer::Response::html(kUndatedPage));
    makeRegister({done, marked, timedOut});
    table().setRecNo(2);
    table().deleteRecord(); // a deleted record goes at the start, whatever the answer
    table().append();
    table().setText(baza::Gmina, QStringLiteral("Nowa"));
    table().setText(baza::Info, url("/dated"));
    table().setInteger(baza::Kod, 1);
    table().setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 12, 1)));
    table().post();
    m_baza->SortBy(QStringLiteral("GMINA"), false);
    m_dialogs->answers << Dialogs::Answer(answer);
    m_run->Start();
    QCOMPARE(m_dialogs->questions, QStringList{QStringLiteral(
        "Część stron nie została jeszcze przeanalizowana\r\n\r\nChcesz kontynuować przerwaną wcześniej analizę?")});
    QVERIFY(table().orderExpression().isEmpty());
    QCOMPARE(table().physicalRecordCount(), 3); // packed
    if (Dialogs::Answer(answer) == Dialogs::Answer::Cancel) {
        QVERIFY(!m_run->active());
        QVERIFY(m_run->gridVisible());
        QVERIFY(m_run->gridEnabled());
        QCOMPARE(kodOf(1), 3); // marks untouched
        QCOMPARE(kodOf(2), 4);
        QCOMPARE(kodOf(3), 1);
        QCOMPARE(m_server->requestCount(), 0);
        return;
    }
    QVERIFY(waitForQuiet());
    QCOMPARE(m_report->updatedLines(), updated);
    QCOMPARE(m_server->requests().size(), 2); // each page once, one request each
    QCOMPARE(kodOf(1), 3);
    QCOMPARE(kodOf(2), 2); // time-out mark replaced by the new check
    QCOMPARE(kodOf(3), 3);
    for (int r = 1; r <= 3; ++r)
        QCOMPARE(zOf(r), 1);
}

void TestRunController::everyRecordCheckedStartsAFreshPass()
{
    makeRegister({{"A", url("/dated"), 3, 1}, {"B", url("/undated"), 5, 1}});
    QVERIFY(runToEnd());
    QVERIFY(m_dialogs->questions.isEmpty());
    QCOMPARE(requestsFor("/dated"), 1);
    QCOMPARE(requestsFor("/undated"), 1);
    QCOMPARE(kodOf(1), 3);
}

void TestRunController::oneRecordTableEndsWithItsCheck()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 300;
    m_server->route("/slow", slow);
    m_settings->timeLimitIndex = 0;
    makeRegister({{"Jedyna", url("/slow")}});
    m_run->Start();
    // The pass ends when its last check has its verdict; until then the
    // last record is timed like any other.
    QVERIFY(m_run->active());
    QVERIFY(m_run->watchdogRunning());
    QCOMPARE(m_run->stronaInfo(), url("/slow"));
    QCOMPARE(m_run->nazwaGminy(), QStringLiteral("Jedyna"));
    QCOMPARE(m_run->progressPosition(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->active(), 3000);
    QCOMPARE(kodOf(1), 3);
    QCOMPARE(zOf(1), 1);
    QVERIFY(!m_run->watchdogRunning());
    QCOMPARE(m_run->state().currentRecord, 1);
    QCOMPARE(m_run->progressPosition(), 0);
    QCOMPARE(m_run->czas2(), QStringLiteral("00:00:00"));
    QCOMPARE(m_run->timeStart(), QStringLiteral("00:00:00"));
}

void TestRunController::lostConnectionAbortsAndLeavesThePassResumable()
{
    m_server->route("/drop", HttpTestServer::Response::html(kDatedPage));
    makeRegister({{"1", url("/dated")}, {"2", url("/undated")}, {"3", url("/dated?3")}});
    m_server->route("/dated?3", HttpTestServer::Response::html(kDatedPage));
    QObject::connect(m_report.get(), &RunReport::updatedLineAdded, this, [this] { m_online = false; });
    QVERIFY(runToEnd());
    QVERIFY(m_run->aborted());
    QCOMPARE(m_report->events().size(), 1);
    QVERIFY(m_report->events().first().endsWith(QStringLiteral(" => Brak połącznia z Internetem")));
    QCOMPARE(m_run->state().currentRecord, 1);
    QCOMPARE(m_run->progressPosition(), 0);
    QCOMPARE(m_run->czas1(), QStringLiteral("0"));
    QCOMPARE(zOf(1), 1);
    QCOMPARE(zOf(2), 0); // untouched by the offline check
    QCOMPARE(kodOf(2), 0);
    // Later the pass can be continued.
    m_online = true;
    QObject::disconnect(m_report.get(), &RunReport::updatedLineAdded, this, nullptr);
    m_dialogs->answers << Dialogs::Answer::Yes;
    QVERIFY(runToEnd());
    QCOMPARE(m_dialogs->questions.size(), 1);
    QCOMPARE(zOf(2), 1);
    QCOMPARE(zOf(3), 1);
    QCOMPARE(requestsFor("/dated"), 1); // record 1 was not checked again
}

void TestRunController::startWithoutConnectionOrRecords()
{
    makeRegister({});
    m_run->Start();
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Brak danych do analizy w bazie")});
    QVERIFY(!m_run->active());
    makeRegister({{"A", url("/dated")}});
    m_online = false;
    m_run->Start();
    QVERIFY(!m_run->active());
    QVERIFY(m_run->gridEnabled());
    QCOMPARE(m_report->events().size(), 1);
    QVERIFY(m_report->events().first().endsWith(QStringLiteral(" => Brak połącznia z Internetem")));
    QCOMPARE(m_server->requestCount(), 0);
    QVERIFY(!table().exclusive()); // nothing was started
}

void TestRunController::deletedRecordsAfterAStopEndThePass()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 400;
    m_server->route("/slow", slow);
    makeRegister({{"1", url("/dated")}, {"2", url("/slow")}, {"3", url("/dated?3")}, {"4", url("/dated?4")}});
    m_run->Start();
    QTRY_COMPARE_WITH_TIMEOUT(m_run->state().currentRecord, 3, 5000);
    m_run->Stop();
    QTRY_VERIFY_WITH_TIMEOUT(LiveThreads::count() == 0, 5000);
    table().setRecNo(4);
    table().deleteRecord();
    table().setRecNo(3);
    table().deleteRecord();
    // The next start packs the table below the record number it would take:
    // the pass is over instead of stepping for ever.
    m_dialogs->answers << Dialogs::Answer::Yes;
    m_run->Start();
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->active(), 3000);
    QCOMPARE(m_run->state().currentRecord, 1);
    QVERIFY(!m_run->active());
}

void TestRunController::largeRegisterResetOverSeveralTurnsAndStoppedMeanwhile()
{
    // More records than one turn of the event loop resets at a start.
    constexpr int kRecords = 2500;
    QList<Rec> records;
    for (int i = 0; i < kRecords; ++i)
        records.append({QStringLiteral("G%1").arg(i), url("/dated"), 1 + i % 6, 1});
    makeRegister(records);
    // Every record checked: a new pass, its marks reset before the first
    // record is taken.
    QVERIFY(runToEnd(60000));
    QVERIFY(m_dialogs->questions.isEmpty());
    QCOMPARE(requestsFor("/dated"), 1);
    QCOMPARE(m_run->tally().checked, 1);
    for (int r = 1; r <= kRecords; ++r)
        QCOMPARE(zOf(r), 1);

    // Stopped while the marks are reset: the rest is written at once, no
    // record is taken, the grid comes back and the record number stays.
    table().setRecNo(7);
    table().edit();
    table().setInteger(baza::Kod, baza::KodTimedOut);
    table().post();
    QVERIFY(m_run->Start());
    QVERIFY(m_run->active());
    m_run->Stop();
    QVERIFY(!m_run->active());
    QCOMPARE(m_run->outcome(), RunOutcome::Stopped);
    QVERIFY(m_run->gridVisible());
    QVERIFY(m_run->gridEnabled());
    QCOMPARE(m_run->state().currentRecord, 1);
    QVERIFY(waitForQuiet());
    QCOMPARE(requestsFor("/dated"), 1);
    for (int r = 1; r <= kRecords; ++r) {
        QCOMPARE(zOf(r), 0);
        QCOMPARE(kodOf(r), r == 7 ? int(baza::KodTimedOut) : 0);
    }
}

void TestRunController::timeOutBetweenTheWorkersStopCheckAndItsHandBack()
{
    // The worker of record 1 has read its (absent) stop request and is held
    // just before it hands back; the time-out falls into that gap.
    QSemaphore held;
    QSemaphore release;
    TPobierz::SetHandBackGate([&](qint32 recordNumber) {
        if (recordNumber != 1)
            return;
        held.release();
        release.acquire();
    });
    const auto ungate = qScopeGuard([] { TPobierz::SetHandBackGate({}); });
    RunController::SetWatchdogPeriod(10);
    const auto periods = qScopeGuard([] { RunController::SetWatchdogPeriod(20); });
    HttpTestServer::Response slow = HttpTestServer::Response::html(kUndatedPage);
    slow.delayMs = 1500;
    m_server->route("/slow", slow);
    m_settings->timeLimitIndex = 0; // 30 ticks of 10 ms
    makeRegister({{"Wstrzymana", url("/dated")}, {"Wolna", url("/slow")}, {"Ostatnia", url("/undated")}});
    m_run->Start();
    QTRY_VERIFY_WITH_TIMEOUT(held.available() == 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(kodOf(1), 4, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_run->state().currentRecord, 3, 5000); // record 2 is dispatched and timed
    QVERIFY(m_run->watchdogRunning());
    release.release();
    QTRY_COMPARE_WITH_TIMEOUT(LiveThreads::count(), 1, 1000); // record 1's worker has handed back and ended
    QCOMPARE(kodOf(1), 4);
    QCOMPARE(uwagiOf(1), QStringLiteral("Problem z odczytem strony (przekroczony czas)"));
    QCOMPARE(m_report->errorLines(), QStringList{"LP = 1 - Wstrzymana"});
    QVERIFY(m_report->updatedLines().isEmpty());
    QVERIFY(m_run->watchdogRunning());              // record 2 is still timed
    QCOMPARE(m_run->state().currentRecord, 3);      // and record 3 still waits
    QVERIFY(waitForQuiet());
    QCOMPARE(kodOf(2), 4);
    QCOMPARE(kodOf(3), 2);
    QCOMPARE(m_report->errorLines(), (QStringList{"LP = 1 - Wstrzymana", "LP = 2 - Wolna"}));
}

void TestRunController::parallelChecksWriteWhatOneAtATimeWrites()
{
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 150;
    HttpTestServer::Response hanging = HttpTestServer::Response::html(kDatedPage);
    hanging.delayMs = 2500;
    m_server->route("/slow", slow);
    m_server->route("/dated?b", HttpTestServer::Response::html(kDatedPage));
    m_server->route("/rate", HttpTestServer::Response::statusPage(429, "Too Many Requests").withHeader("Retry-After", "0"));
    HttpTestServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(other.isListening());
    other.route("/hang", hanging);
    other.route("/hang?last", hanging);
    other.route("/dated", HttpTestServer::Response::html(kDatedPage));
    other.route("/slow", slow);
    const QString closed = QStringLiteral("http://127.0.0.1:%1/x").arg(HttpTestServer::closedPort());
    // Shared pages next to each other and far apart, failures, a page that
    // asks to wait, a record already checked, pages that hang (the last
    // record's too), two hosts.
    const QList<Rec> records = {
        {"1", url("/slow")},      {"2", url("/slow")},     {"3", url("/dated")},  {"4", url("/missing")},
        {"5", url("/undated")},   {"6", url("/dated")},    {"7", closed},         {"8", url("/dated?b"), 2, 1},
        {"9", url("/rate")},      {"10", url("/missing")}, {"11", url("/slow")},  {"12", url("/undated")},
        {"13", other.url(QStringLiteral("/hang"))},        {"14", other.url(QStringLiteral("/dated"))},
        {"15", other.url(QStringLiteral("/slow"))},        {"16", other.url(QStringLiteral("/slow"))},
        {"17", other.url(QStringLiteral("/hang?last"))},
    };
    auto snapshot = [this] {
        QStringList rows;
        for (int r = 0; r < table().recordCount(); ++r) {
            QStringList fields;
            for (int f = 0; f < baza::FieldCount; ++f)
                fields << table().textAt(r, f);
            rows << fields.join(QLatin1Char('|'));
        }
        return rows;
    };
    auto historyRows = [&] {
        QStringList rows;
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir->path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        QSet<QString> pages;
        for (const Rec& r : records)
            pages.insert(r.info);
        for (const QString& page : pages)
            for (const historia::StoredCheck& c : store.Checks(page))
                rows << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
                            .arg(page)
                            .arg(c.status)
                            .arg(c.httpCode)
                            .arg(c.outcome)
                            .arg(c.size)
                            .arg(c.lines)
                            .arg(c.kod)
                            .arg(c.sha256);
        rows.sort();
        return rows;
    };
    QStringList results[2];
    QStringList reports[2];
    QStringList histories[2];
    QString summaries[2];
    const int jobs[2] = {1, 8};
    m_settings->timeLimitIndex = 0; // 30 ticks of 20 ms
    for (int i = 0; i < 2; ++i) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_report = std::make_unique<RunReport>();
        m_settings->jobs = jobs[i];
        m_settings->hostDelayMs = 0;
        m_dialogs->answers << Dialogs::Answer::Yes;
        makeRegister(records);
        m_server->clearRequests();
        QSignalSpy summary(m_run.get(), &RunController::runSummary);
        QVERIFY(runToEnd());
        results[i] = snapshot();
        reports[i] = m_report->errorLines() + m_report->updatedLines();
        reports[i].sort();
        histories[i] = historyRows();
        QCOMPARE(summary.count(), 1);
        summaries[i] = summary.first().first().toString();
        QVERIFY2(requestsFor("/slow") == 1, qPrintable(QString::number(jobs[i]))); // a shared page once per pass
        QCOMPARE(requestsFor("/dated?b"), 0);
        QCOMPARE(requestsFor("/rate"), 2); // asked again once, after its wait
        QCOMPARE(m_run->checksInFlight(), 0);
        QCOMPARE(kodOf(13), 4);
        QCOMPARE(kodOf(17), 4);
        QCOMPARE(kodOf(16), 3);
    }
    QCOMPARE(results[1], results[0]);
    QCOMPARE(reports[1], reports[0]);
    QCOMPARE(histories[1], histories[0]);
    QCOMPARE(histories[0].size(), 11); // every check once; "come back later" is no check
    QCOMPARE(summaries[1], summaries[0]);
    QCOMPARE(summaries[0], QStringLiteral("Kontrola zakończona. Zaktualizowane: 5, błędy odczytu: 4, przekroczony "
                                          "czas: 2, sprawdzone strony: 11."));
    QCOMPARE(kodOf(1), 3);
    QCOMPARE(kodOf(9), 5);
}

void TestRunController::onePoliteConnectionPerHost()
{
    // Three hosts of their own on loopback, four pages each, taken by four
    // checks at a time with a pause of 250 ms between two requests to one
    // host. The agent typed in the settings carries a line break.
    constexpr int kPauseMs = 250;
    std::vector<std::unique_ptr<HttpTestServer>> hosts;
    QList<Rec> records;
    HttpTestServer::Response page = HttpTestServer::Response::html(kDatedPage);
    page.delayMs = 50;
    for (int h = 0; h < 3; ++h) {
        hosts.push_back(std::make_unique<HttpTestServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + h))));
        QVERIFY(hosts.back()->isListening());
        for (int p = 0; p < 4; ++p) {
            const QByteArray target = "/p" + QByteArray::number(p);
            hosts.back()->route(target, page);
            records << Rec{QStringLiteral("%1.%2").arg(h).arg(p), hosts.back()->url(QString::fromLatin1(target))};
        }
    }
    std::rotate(records.begin(), records.begin() + 1, records.end()); // hosts interleaved in the table
    m_settings->jobs = 4;
    m_settings->hostDelayMs = kPauseMs;
    m_settings->userAgent = QStringLiteral("Gmina-Test/1.0\r\nX-Dopisany: 1");
    makeRegister(records);
    runToEnd();
    for (int r = 1; r <= records.size(); ++r)
        QCOMPARE(zOf(r), 1);

    QList<HttpTestServer::Connection> all;
    for (const auto& host : hosts) {
        const QList<HttpTestServer::Connection> log = host->connections();
        QCOMPARE(log.size(), 4);
        for (int i = 1; i < log.size(); ++i) {
            QVERIFY(log[i - 1].closedMs >= 0);
            // Never two at once, and the pause between them (a millisecond
            // of the clocks' rounding aside).
            QVERIFY2(log[i].openedMs - log[i - 1].closedMs >= kPauseMs - 1,
                     qPrintable(QStringLiteral("%1 ms").arg(log[i].openedMs - log[i - 1].closedMs)));
        }
        for (const HttpTestServer::Request& request : host->requests()) {
            QCOMPARE(request.header("User-Agent"), QByteArray("Gmina-Test/1.0X-Dopisany: 1"));
            QVERIFY(request.header("X-Dopisany").isNull());
        }
        all += log;
    }
    // The hosts were served side by side, not one after another.
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.openedMs < b.openedMs; });
    bool overlapped = false;
    for (int i = 1; i < all.size(); ++i)
        overlapped = overlapped || all[i].openedMs < all[i - 1].closedMs;
    QVERIFY(overlapped);
}

void TestRunController::pageIndexFollowsEveryChangeOfTheTable()
{
    makeRegister({{"A", url("/a")}, {"B", QStringLiteral(" ") + url("/b")}, {"C", url("/a") + QStringLiteral("\t")}});
    baza::InfoIndex index(table());
    const QByteArray a = url("/a").toLatin1();
    const QByteArray b = url("/b").toLatin1();
    QCOMPARE(index.recordsOf(a), (QList<int>{1, 3}));
    QCOMPARE(index.recordsOf(b), QList<int>{2});
    // A record rewritten in place moves to its new page.
    table().setRecNo(2);
    table().edit();
    table().setText(baza::Info, url("/a"));
    table().post();
    QCOMPARE(index.recordsOf(a), (QList<int>{1, 2, 3}));
    QVERIFY(index.recordsOf(b).isEmpty());
    // Appended and deleted records change the record set: built again.
    table().append();
    table().setText(baza::Info, url("/b"));
    table().post();
    QCOMPARE(index.recordsOf(b), QList<int>{4});
    table().setRecNo(1);
    table().deleteRecord();
    QCOMPARE(index.recordsOf(a), (QList<int>{2, 3}));
}

void TestRunController::recordsEditedBetweenRunsShareTheResult()
{
    makeRegister({{"A", url("/dated")}, {"B", url("/undated")}});
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(2), 2);
    // Between runs record 2 is given record 1's page: the next pass fetches
    // that page once and writes it into both.
    table().setRecNo(2);
    table().edit();
    table().setText(baza::Info, url("/dated"));
    table().post();
    m_server->clearRequests();
    QVERIFY(runToEnd());
    QCOMPARE(requestsFor("/dated"), 1);
    QCOMPARE(requestsFor("/undated"), 0);
    QCOMPARE(kodOf(1), 0);
    QCOMPARE(kodOf(2), 0); // record 1's verdict, not a check of its own
    QCOMPARE(dateOf(2, baza::Aktualizacja), datevalue::fromDate(QDate(2026, 3, 15)));
    QCOMPARE(uwagiOf(2), QStringLiteral("text/html; charset=utf-8"));
}

void TestRunController::remainingTimeEstimate_data()
{
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("n");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<qint64>("remainingMs"); // -1: no estimate
    QTest::newRow("a quarter done") << 1 << 4 << qint64(60000) << qint64(180000);
    QTest::newRow("one of three") << 1 << 3 << qint64(33000) << qint64(66000);
    QTest::newRow("last record") << 4 << 4 << qint64(60000) << qint64(0);
    QTest::newRow("nothing done") << 0 << 4 << qint64(60000) << qint64(-1);
    QTest::newRow("clock went back") << 1 << 4 << qint64(-5) << qint64(-1);
}

void TestRunController::remainingTimeEstimate()
{
    QFETCH(int, g);
    QFETCH(int, n);
    QFETCH(qint64, elapsedMs);
    QFETCH(qint64, remainingMs);
    QCOMPARE(przebieg::RemainingMs(g, n, elapsedMs).value_or(-1), remainingMs);
    QCOMPARE(przebieg::WithinOneDay(86400000 + 5000), qint64(5000));
}

void TestRunController::estimateFollowsTheClockAndTheEndIsSummed()
{
    // Watchdog and estimate every 100 ms: "30 sek" is 3 s here.
    RunController::SetWatchdogPeriod(100);
    const auto periods = qScopeGuard([] { RunController::SetWatchdogPeriod(20); });
    HttpTestServer::Response slow = HttpTestServer::Response::html(kDatedPage);
    slow.delayMs = 6000;
    m_server->route("/slow", slow);
    HttpTestServer::Response missing = HttpTestServer::Response::statusPage(404, "Not Found");
    missing.delayMs = 700; // still out when the run takes its last record
    m_server->route("/missing", missing);
    m_settings->timeLimitIndex = 0;
    makeRegister({{"Datowana", url("/dated")}, {"Wolna", url("/slow")}, {"Bez daty", url("/undated")},
                  {"Brak", url("/missing")}});
    QSignalSpy summaries(m_run.get(), &RunController::runSummary);
    const QDateTime start = Clock::now();
    m_run->Start();
    QTRY_COMPARE_WITH_TIMEOUT(m_run->progressPosition(), 2, 5000);
    // Dispatched with no time gone by on the pinned clock: nothing left to
    // tell yet. The label then follows the clock while the page is pending.
    QCOMPARE(m_run->czas2(), QStringLiteral("00:00:00"));
    Clock::pin(start.addSecs(10));
    QTRY_COMPARE_WITH_TIMEOUT(m_run->czas2(), QStringLiteral("00:00:10"), 2000); // 10 s for half of 4
    Clock::pin(start.addSecs(75));
    QTRY_COMPARE_WITH_TIMEOUT(m_run->czas2(), QStringLiteral("00:01:15"), 2000);
    QCOMPARE(m_run->progressPosition(), 2);
    QCOMPARE(summaries.count(), 0);

    // The slow page times out, the others are checked; the summary waits for
    // the last record's result, which arrives after the run has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->active(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(summaries.count(), 1, 5000);
    QCOMPARE(kodOf(4), 5);
    const QString summary = QStringLiteral(
        "Kontrola zakończona. Zaktualizowane: 2, błędy odczytu: 1, przekroczony czas: 1, sprawdzone strony: 4.");
    QCOMPARE(summaries.first().first().toString(), summary);
    QVERIFY(m_report->events().first().endsWith(QStringLiteral(" => ") + summary));
    QCOMPARE(m_report->updatedLines().size(), 2);
    QCOMPARE(m_report->errorLines().size(), 2);
    QCOMPARE(m_run->czas2(), QStringLiteral("00:00:00"));
    waitForQuiet();
    QCOMPARE(summaries.count(), 1);
}

void TestRunController::continuingKeepsTheVerdictsOfThePass_data()
{
    QTest::addColumn<bool>("dropConnection");
    QTest::newRow("connection lost") << true;
    QTest::newRow("stopped by the user") << false;
}

void TestRunController::continuingKeepsTheVerdictsOfThePass()
{
    QFETCH(bool, dropConnection);
    m_server->route("/dated?2", HttpTestServer::Response::html(kDatedPage));
    m_server->route("/dated?3", HttpTestServer::Response::html(kDatedPage));
    // Record 4 carries a mark set by hand and is not checked yet: continuing
    // clears it as a new pass would, so that only this pass's verdicts stay.
    makeRegister({{"1", url("/dated")}, {"2", url("/dated?2")}, {"3", url("/dated?3")}, {"4", url("/undated"), 1, 0}});
    int updates = 0;
    QObject::connect(m_report.get(), &RunReport::updatedLineAdded, this, [&] {
        if (++updates != 2)
            return;
        // Stopped right here: a check started by the next turn of the event
        // loop would still be stored, as a check in flight at a stop is.
        if (dropConnection)
            m_online = false;
        else
            m_run->Stop();
    });
    QVERIFY(runToEnd());
    QCOMPARE(kodOf(1), 3);
    QCOMPARE(kodOf(2), 3);
    QCOMPARE(zOf(3), 0);
    QCOMPARE(zOf(4), 0);

    m_online = true;
    QObject::disconnect(m_report.get(), &RunReport::updatedLineAdded, this, nullptr);
    m_server->clearRequests();
    m_dialogs->answers << Dialogs::Answer::Yes;
    QVERIFY(runToEnd());
    QCOMPARE(m_dialogs->questions.size(), 1);
    QCOMPARE(requestsFor("/dated"), 0); // checked records were not fetched again
    QCOMPARE(kodOf(1), 3);              // the updates found before the interruption stay
    QCOMPARE(kodOf(2), 3);
    QCOMPARE(kodOf(3), 3);
    QCOMPARE(kodOf(4), 2);
    // ... and are published.
    const QString list = m_dir->filePath(QStringLiteral("wykaz.txt"));
    const publikacja::AppendResult appended = publikacja::AppendEntries(list, table());
    QVERIFY(appended.done);
    QCOMPARE(appended.count, 4);
}

QTEST_GUILESS_MAIN(TestRunController)
#include "tst_runcontroller.moc"
