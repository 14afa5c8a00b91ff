// A monitoring run's own cost: the result hand-back's walk over a large
// register, whole runs against a loopback server that answers at once, and
// the scheduling of registers laid out as real ones are, against many
// loopback hosts that answer after a latency, beside their floor.
#include "baza/baza.h"
#include "baza/fields.h"
#include "konfig/settings.h"
#include "kontrola/downloadpage.h"
#include "platform/livethreads.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

// checkedEvery > 0: all records but every checkedEvery-th checked already
// in the pass; -1: every record checked, with the marks of a finished pass.
void fillRegister(baza::Baza& b, int records, int pages, const QString& base, int checkedEvery = 0)
{
    b.OpenTable();
    dbf::DbfTable& t = b.table();
    for (int i = 0; i < records; ++i) {
        t.append();
        t.setText(baza::Gmina, QStringLiteral("Gmina %1").arg(i));
        t.setText(baza::Natura2000, QStringLiteral("Obszar %1").arg(i));
        t.setText(baza::Wojewodztwo, QStringLiteral("mazowieckie"));
        t.setText(baza::Info, base + QStringLiteral("/strona/%1.html").arg(i % pages));
        t.setInteger(baza::Z, (checkedEvery > 0 && i % checkedEvery != 0) || checkedEvery < 0 ? 1 : 0);
        if (checkedEvery < 0)
            t.setInteger(baza::Kod, i % 6);
        t.post();
    }
}

// The longest time the main thread did not come back to its event loop.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            longest = qMax(longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    qint64 longest = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
};

void BM_StoreResultWalk(benchmark::State& state)
{
    const int records = int(state.range(0));
    QTemporaryDir dir;
    baza::Baza b(dir.path());
    fillRegister(b, records, records / 3, QStringLiteral("http://gmina.example.pl"));
    Settings settings;
    RunReport report;
    ScriptedDialogs dialogs;
    RunController run(b, report, settings, dialogs);
    PageCheck check;
    check.name = QStringLiteral("Gmina 5");
    check.downloadStatus = DownloadStatus::Downloaded;
    check.recordNumber = 6;
    check.matchAddress = QStringLiteral("http://gmina.example.pl/strona/5.html");
    check.code = baza::KodRowsChanged;
    check.size = 1000;
    check.lineCount = 40;
    check.textLength = 1040;
    check.pageDate = 46000;
    check.message = QStringLiteral("text/html");
    // The history is written on its own thread; the walk waits for it.
    for (auto _ : state) {
        run.StoreResult(check);
        run.FinishHistory();
    }
    state.counters["records"] = records;
}

void runWhole(benchmark::State& state, int records, int pages, int checkedEvery)
{
    HttpTestServer server;
    for (int p = 0; p < pages; ++p)
        server.route(QStringLiteral("/strona/%1.html").arg(p).toUtf8(),
                     HttpTestServer::Response::html("<html>\r\n<p>Dnia 15 marca 2026 r.</p>\r\n</html>\r\n"));
    const ConnectionOverride online(true);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        baza::Baza b(dir.path());
        fillRegister(b, records, pages, QStringLiteral("http://") + server.hostAndPort(), checkedEvery);
        Settings settings;
        settings.timeLimitIndex = 4;
        RunReport report;
        ScriptedDialogs dialogs;
        dialogs.answers << Dialogs::Answer::Yes;
        RunController run(b, report, settings, dialogs);
        int pagesStored = 0;
        QObject::connect(&run, &RunController::changed, &run, [&] { pagesStored = run.tally().checked; });
        StallMeter stalls;
        state.ResumeTiming();

        QElapsedTimer wall;
        wall.start();
        run.Start();
        while (run.active() || LiveThreads::count() > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double seconds = wall.nsecsElapsed() / 1e9;

        state.counters["wall_s"] = seconds;
        state.counters["records_per_s"] = records / seconds;
        state.counters["pages"] = pagesStored;
        state.counters["ms_per_record"] = seconds * 1000 / records;
        state.counters["longest_stall_ms"] = stalls.longest / 1e6;
    }
}

// Every record its own page, all to be checked: the run's cost per
// downloaded page (the server answers at once).
void BM_WholeRun(benchmark::State& state)
{
    const int records = int(state.range(0));
    runWhole(state, records, records, 0);
}

// All records but every (records/10)th checked already: ten pages are
// fetched, the rest is the cost of the skipped records.
void BM_RunSkippingCheckedRecords(benchmark::State& state)
{
    const int records = int(state.range(0));
    runWhole(state, records, records, records / 10);
}

// Every record checked by the pass before: the start clears the marks of
// every record (a new pass), then every page is fetched.
void BM_RunAfterAFinishedPass(benchmark::State& state)
{
    const int records = int(state.range(0));
    runWhole(state, records, records, -1);
}

// How the records of a register meet their hosts and pages.
enum class Layout {
    SharedPages, // pairs of records on one page (a municipality in two areas)
    FivePerHost, // five consecutive records per host (a shared BIP platform)
    Spread,      // every record on the next host
};

// Records, hosts, the answer's latency and the pause between two requests
// to one host, as the issue measured them.
constexpr int kSchedRecords = 1000;
constexpr int kSchedHosts = 50;
constexpr int kLatencyMs = 50;
constexpr int kPauseMs = 200;

void BM_Scheduling(benchmark::State& state)
{
    const auto layout = Layout(state.range(0));
    const int jobs = int(state.range(1));
    std::vector<std::unique_ptr<HttpTestServer>> hosts;
    for (int h = 0; h < kSchedHosts; ++h) {
        hosts.push_back(std::make_unique<HttpTestServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + h))));
        if (!hosts.back()->isListening()) {
            state.SkipWithError("no loopback host 127.0.0.2 and up");
            return;
        }
    }
    HttpTestServer::Response page =
        HttpTestServer::Response::html("<html>\r\n<p>Obwieszczenie z dnia 15 marca 2026 r.</p>\r\n</html>\r\n");
    page.delayMs = kLatencyMs;
    // Record k's page and host.
    std::vector<std::pair<int, int>> records;
    for (int k = 0; k < kSchedRecords; ++k) {
        switch (layout) {
        case Layout::SharedPages: records.emplace_back(k / 2, (k / 2) % kSchedHosts); break;
        case Layout::FivePerHost: records.emplace_back(k, (k / 5) % kSchedHosts); break;
        case Layout::Spread: records.emplace_back(k, k % kSchedHosts); break;
        }
    }
    std::map<int, int> pagesPerHost;
    std::map<int, int> hostOfPage;
    for (const auto& [p, h] : records)
        hostOfPage[p] = h;
    for (const auto& [p, h] : hostOfPage) {
        ++pagesPerHost[h];
        hosts[h]->route(QStringLiteral("/strona/%1.html").arg(p).toUtf8(), page);
    }
    // The floor: every page's latency spread over the slots, but no host
    // faster than its pages one after another with the pauses between.
    const int pause = jobs > 1 ? kPauseMs : 0;
    double floorMs = double(hostOfPage.size()) * kLatencyMs / jobs;
    for (const auto& [h, n] : pagesPerHost)
        floorMs = std::max(floorMs, double(n) * kLatencyMs + double(n - 1) * pause);

    const ConnectionOverride online(true);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        baza::Baza b(dir.path());
        b.OpenTable();
        dbf::DbfTable& t = b.table();
        for (int k = 0; k < kSchedRecords; ++k) {
            t.append();
            t.setText(baza::Gmina, QStringLiteral("Gmina %1").arg(k));
            t.setText(baza::Info, hosts[records[k].second]->url(QStringLiteral("/strona/%1.html").arg(records[k].first)));
            t.post();
        }
        Settings settings;
        settings.timeLimitIndex = 4;
        settings.jobs = jobs;
        settings.hostDelayMs = kPauseMs;
        RunReport report;
        ScriptedDialogs dialogs;
        RunController run(b, report, settings, dialogs);
        int mostAtOnce = 0;
        QObject::connect(&run, &RunController::changed, &run,
                         [&] { mostAtOnce = std::max(mostAtOnce, run.checksInFlight()); });
        StallMeter stalls;
        state.ResumeTiming();

        QElapsedTimer wall;
        wall.start();
        run.Start();
        while (run.active() || LiveThreads::count() > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double seconds = wall.nsecsElapsed() / 1e9;
        state.counters["wall_s"] = seconds;
        state.counters["floor_s"] = floorMs / 1000;
        state.counters["x_floor"] = seconds * 1000 / floorMs;
        state.counters["pages"] = double(hostOfPage.size());
        state.counters["most_at_once"] = mostAtOnce;
        state.counters["longest_stall_ms"] = stalls.longest / 1e6;
    }
}

} // namespace

BENCHMARK(BM_Scheduling)
    ->ArgNames({"layout", "jobs"})
    ->ArgsProduct({{int(Layout::SharedPages), int(Layout::FivePerHost), int(Layout::Spread)}, {8, 16}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_StoreResultWalk)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRun)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RunSkippingCheckedRecords)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RunAfterAFinishedPass)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RunController::SetWatchdogPeriod(1000);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
