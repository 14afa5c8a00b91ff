#include "support/runfixture.h"

#include "baza/fields.h"
#include "platform/clock.h"
#include "platform/livethreads.h"
#include "text/datevalue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

namespace {

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return true;
}

} // namespace

RunFixture::RunFixture() = default;
RunFixture::~RunFixture() = default;

void RunFixture::setUpRun(const QDateTime& now)
{
    RunController::SetWatchdogPeriod(20);
    m_online = true;
    m_previousProbe = SetConnectionProbe([this] { return m_online.load(); });
    m_dir = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<HttpTestServer>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_settings = std::make_unique<Settings>();
    m_report = std::make_unique<RunReport>();
    m_clock = std::make_unique<PinnedClock>(now);
}

bool RunFixture::tearDownRun()
{
    const bool quiet = waitUntil([] { return LiveThreads::count() == 0; }, 30000);
    m_run.reset();
    m_baza.reset();
    m_clock.reset();
    SetConnectionProbe(m_previousProbe);
    return quiet;
}

void RunFixture::makeRegister(const QList<Record>& records)
{
    m_baza = std::make_unique<baza::Baza>(m_dir->path());
    m_baza->OpenTable();
    dbf::DbfTable& t = m_baza->table();
    for (const Record& r : records) {
        t.append();
        t.setText(baza::Gmina, r.gmina);
        t.setText(baza::Natura2000, r.gmina + QStringLiteral(" obszar"));
        t.setText(baza::Wojewodztwo, QStringLiteral("mazowieckie"));
        t.setText(baza::Info, r.info);
        t.setInteger(baza::Kod, r.kod);
        t.setInteger(baza::Z, r.z);
        t.setDate(baza::Aktualizacja, r.aktualizacja);
        t.setDate(baza::DataKontroli, r.dataKontroli == kEarlierCheck
                                          ? datevalue::fromDate(Clock::now().date().addDays(-1))
                                          : r.dataKontroli);
        t.setInteger(baza::Size, r.size);
        t.setInteger(baza::Row, r.row);
        t.post();
    }
    m_run = std::make_unique<RunController>(*m_baza, *m_report, *m_settings, *m_dialogs);
}

bool RunFixture::runToEnd(int timeoutMs)
{
    m_run->Start();
    return waitForQuiet(timeoutMs);
}

bool RunFixture::waitForQuiet(int timeoutMs)
{
    const bool quiet = waitUntil([this] { return !m_run->active() && LiveThreads::count() == 0; }, timeoutMs);
    QCoreApplication::processEvents();
    return quiet;
}

void RunFixture::pinClock(const QDateTime& now)
{
    m_clock.reset(); // the old pin goes before the new one is set
    m_clock = std::make_unique<PinnedClock>(now);
}

int RunFixture::kodOf(int recNo) { return table().integerAt(table().rowOfRecNo(recNo), baza::Kod); }
int RunFixture::zOf(int recNo) { return table().integerAt(table().rowOfRecNo(recNo), baza::Z); }
QString RunFixture::uwagiOf(int recNo) { return table().textAt(table().rowOfRecNo(recNo), baza::Uwagi); }
double RunFixture::dateOf(int recNo, int field) { return table().dateAt(table().rowOfRecNo(recNo), field); }

int RunFixture::requestsFor(const QByteArray& target) const
{
    int n = 0;
    for (const auto& r : m_server->requests())
        n += r.target == target;
    return n;
}
