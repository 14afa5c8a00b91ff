// The end of a run with notifications on, for a register of 2,000 pages
// whose history holds 20 checks each: the alerts (pages whose last three
// checks failed), the whole summary with 200 updated pages, and the feed of
// 1,000 entries read back, merged and written again at publication.
// Goal: well under a second each, so that neither the window nor a cron
// run waits on it.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "powiadomienia/failingpages.h"
#include "powiadomienia/runsummary.h"
#include "publikacja/atomfeed.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPages = 2000;
constexpr int kChecks = 20;

QString pageName(int i)
{
    return QStringLiteral("http://gmina%1.example.pl/ochrona-srodowiska").arg(i);
}

struct Register
{
    QTemporaryDir dir;
    baza::Baza baza{dir.path()};

    Register()
    {
        historia::HistoryStore store(historia::HistoryStore::PathIn(dir.path()));
        store.open(historia::HistoryStore::Mode::ReadWrite);
        const QDateTime t0(QDate(2026, 1, 1), QTime(6, 0));
        for (int p = 0; p < kPages; ++p) {
            for (int c = 0; c < kChecks; ++c) {
                historia::StoredCheck check;
                check.page = pageName(p);
                check.address = check.page;
                check.moment = t0.addDays(c);
                // Every tenth page has failed for its last five checks.
                const bool failed = p % 10 == 0 && c >= kChecks - 5;
                check.status = failed ? 0 : 2;
                check.kod = failed ? 5 : 2;
                check.newContent = !failed;
                const QByteArray text = "Ogłoszenia\nObwieszczenie " + QByteArray::number(c);
                const historia::PackedBody body{historia::Sha256Hex(text + QByteArray::number(p)), text.size(),
                                                historia::Pack(text), historia::Pack(text)};
                store.AddCheck(check, failed ? nullptr : &body);
            }
        }
        baza.OpenTable();
        for (int p = 0; p < kPages; ++p) {
            baza.table().append();
            baza.table().setInteger(baza::Kod, p % 10 == 1 ? 2 : 0);
            baza.table().setText(baza::Gmina, QStringLiteral("Gmina %1").arg(p));
            baza.table().setText(baza::Info, pageName(p));
            baza.table().post();
        }
    }
};

Register& reg()
{
    static Register r;
    return r;
}

void BM_FailingPages(benchmark::State& state)
{
    Register& r = reg();
    for (auto _ : state) {
        const auto result = powiadomienia::FailingPages(r.dir.path(), r.baza.table(), 3);
        if (result.pages.size() != kPages / 10)
            state.SkipWithError("wrong number of alerts");
    }
}
BENCHMARK(BM_FailingPages)->Unit(benchmark::kMillisecond);

void BM_RunSummary(benchmark::State& state)
{
    Register& r = reg();
    QList<qint32> updated;
    for (int row = 0; row < r.baza.table().recordCount(); ++row)
        if (r.baza.table().integerAt(row, baza::Kod) == 2)
            updated << r.baza.table().integerAt(row, baza::LP);
    for (auto _ : state) {
        const powiadomienia::RunSummary s = powiadomienia::CollectRunSummary(
            r.dir.path(), r.baza.table(), updated, {}, 3, powiadomienia::RunEnding::Finished, QDateTime::currentDateTime());
        benchmark::DoNotOptimize(powiadomienia::SummaryBody(s));
    }
}
BENCHMARK(BM_RunSummary)->Unit(benchmark::kMillisecond);

void BM_FeedRoundTrip(benchmark::State& state)
{
    publikacja::AtomFeed feed;
    feed.id = QStringLiteral("urn:sha1:0");
    feed.updated = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 1000; ++i)
        feed.entries << publikacja::FeedEntry{publikacja::EntryId(pageName(i), QDate(2026, 1, 1).addDays(i)),
                                              QStringLiteral("Gmina %1 (obszar Natura 2000: Puszcza)").arg(i),
                                              pageName(i), QDateTime(QDate(2026, 1, 1).addDays(i), QTime()),
                                              QStringLiteral("Obwieszczenie o wszczęciu postępowania nr %1").arg(i),
                                              QString(), QString()};
    const QByteArray bytes = publikacja::WriteFeed(feed);
    state.counters["bytes"] = double(bytes.size());
    for (auto _ : state) {
        auto old = publikacja::ReadFeed(bytes);
        feed.entries = publikacja::MergeEntries(feed.entries.mid(0, 10), old->entries, 1000);
        benchmark::DoNotOptimize(publikacja::WriteFeed(feed));
    }
}
BENCHMARK(BM_FeedRoundTrip)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
