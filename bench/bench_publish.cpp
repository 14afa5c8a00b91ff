// Publication off the window's thread: the longest time the thread that
// owns the publication (the window's, in the program) stays away from its
// event loop while the list goes to a server that says nothing, to a
// server that hangs on the download and is stopped, and to a server that
// answers, with a register of many marked records (the records are read on
// the window's thread before the work leaves it).
// Goal: the longest stall at most 50 ms.
#include "baza/baza.h"
#include "baza/fields.h"
#include "konfig/settings.h"
#include "publikacja/ftp/ftptimeouts.h"
#include "publikacja/publishtask.h"
#include "raport/runreport.h"
#include "support/ftptestserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

// The longest time the thread did not come back to its event loop.
class StallMeter
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

void fill(baza::Baza& b, int records)
{
    b.OpenTable();
    for (int i = 0; i < records; ++i) {
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Gmina %1").arg(i));
        b.table().setText(baza::Natura2000, QStringLiteral("Obszar %1").arg(i % 40));
        b.table().setText(baza::Info, QStringLiteral("http://gmina%1.example.pl/srodowisko").arg(i));
        b.table().setDate(baza::Aktualizacja, 46000 + i % 30);
        b.table().setInteger(baza::Kod, 1 + i % 3);
        b.table().post();
    }
}

// Publishes to host; stopAfterMs >= 0 presses "Przerwij" after that long.
void publish(benchmark::State& state, const QString& host, const QString& directory, int records, int stopAfterMs)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        baza::Baza b(dir.path());
        fill(b, records);
        Settings settings;
        settings.host = host;
        settings.directory = directory;
        settings.user = QStringLiteral("ekowarta");
        settings.password = QStringLiteral("Tajne-Haslo.7");
        settings.atom = true;
        RunReport report;
        publikacja::PublishTask task(report);
        bool ended = false;
        QObject::connect(&task, &publikacja::PublishTask::finished, [&] { ended = true; });
        state.ResumeTiming();

        StallMeter stalls;
        QElapsedTimer wall;
        wall.start();
        task.Start(b, settings);
        if (stopAfterMs >= 0)
            QTimer::singleShot(stopAfterMs, &task, [&task] { task.Stop(); });
        while (!ended)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.counters["wall_s"] = wall.nsecsElapsed() / 1e9;
        state.counters["longest_stall_ms"] = stalls.longest / 1e6;
        state.counters["events"] = report.events().size();
        state.SetLabel(report.events().join(QStringLiteral(" / ")).toStdString());
    }
}

// Accepts and never greets: every step waits for its time limit (3 s here,
// 60 s in the program).
void BM_SilentServer(benchmark::State& state)
{
    QTcpServer silent;
    silent.listen(QHostAddress::LocalHost, 0);
    const publikacja::FtpTimeouts saved = publikacja::CurrentFtpTimeouts();
    publikacja::SetFtpTimeouts({3, 3, 3});
    publish(state, QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()), QStringLiteral("/www"), 100, -1);
    publikacja::SetFtpTimeouts(saved);
}

// The download hangs; "Przerwij" after a second ends it.
void BM_StoppedWhileTheServerHangs(benchmark::State& state)
{
    FtpTestServer server(FtpTestServer::Mode::SilentDownloads);
    if (!server.start() || !server.makeDirectory(QStringLiteral("www")) ||
        !server.putFile(QStringLiteral("www/wykaz.txt"), "Stary wpis\r\n")) {
        state.SkipWithError("no FTP server");
        return;
    }
    publish(state, server.host(), QStringLiteral("/www"), 100, 1000);
}

// A server that answers, a register of range(0) records, all marked.
void BM_AnsweringServer(benchmark::State& state)
{
    FtpTestServer server;
    if (!server.start() || !server.makeDirectory(QStringLiteral("www"))) {
        state.SkipWithError("no FTP server");
        return;
    }
    publish(state, server.host(), QStringLiteral("/www"), int(state.range(0)), -1);
}

} // namespace

BENCHMARK(BM_SilentServer)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StoppedWhileTheServerHangs)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AnsweringServer)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
