// The page history's cost per downloaded page, on a store that already
// holds 10,000 versions: the worker's part (SHA-256, visible text, packing,
// comparison with the previous version) and the main thread's part (one
// row written). Goal: 2 ms per page in all.
#include "historia/historystore.h"
#include "historia/packing.h"
#include "historia/preparedversion.h"
#include "historia/versiondiff.h"
#include "historia/visibletext.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace historia;

namespace {

constexpr int kVersions = 10000;
constexpr int kPages = 400;
constexpr int kComparedPage = 7;

// A municipal page of about 60 KB: navigation, a table of notices, scripts,
// a counter.
QByteArray page(int notices, int visit)
{
    QByteArray p = "<!DOCTYPE html><html lang=\"pl\"><head><meta charset=\"utf-8\"><title>Gmina</title>"
                   "<style>body{font-family:sans-serif}</style><script>var t=1;</script></head><body>\n";
    for (int i = 0; i < 80; ++i)
        p += "<li><a href=\"/menu/" + QByteArray::number(i) + "?sid=abc\">Pozycja menu numer " + QByteArray::number(i) +
             "</a></li>\n";
    p += "<table>\n";
    for (int i = 0; i < notices; ++i)
        p += "<tr><td>2026-11-" + QByteArray::number(1 + i % 28) +
             "</td><td>Obwieszczenie Wójta Gminy o wszczęciu postępowania w sprawie wydania decyzji o "
             "środowiskowych uwarunkowaniach nr " +
             QByteArray::number(i) + "</td></tr>\n";
    p += "</table>\n<p>licznik odwiedzin: " + QByteArray::number(16807967 + visit) + "</p></body></html>\n";
    return p;
}

QString pageName(int i)
{
    return QStringLiteral("http://127.0.0.1/gmina%1/ochrona-srodowiska.html").arg(i);
}

struct Fixture
{
    QTemporaryDir dir;
    HistoryStore store{HistoryStore::PathIn(dir.path())};
    QDateTime start{QDate(2026, 1, 1), QTime(6, 0)};

    Fixture()
    {
        store.open(HistoryStore::Mode::ReadWrite);
        for (int v = 0; v < kVersions; ++v) {
            const int p = v % kPages;
            const QByteArray body = page(200 + v / kPages, v);
            StoredCheck c;
            c.page = pageName(p);
            c.address = c.page;
            c.moment = start.addSecs(v * 60);
            c.status = 2;
            c.kod = 2;
            c.newContent = true; // nothing is pruned: 10,000 stay
            PackedBody b;
            b.sha256 = Sha256Hex(body);
            b.size = body.size();
            b.body = Pack(body);
            // The compared page keeps its real visible text; the others'
            // size matters, not its form.
            b.text = p == kComparedPage ? Pack(VisibleText(body, "utf-8", QStringLiteral("text/html")).toUtf8()) : Pack(body);
            store.AddCheck(c, &b);
        }
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_PrepareVersion(benchmark::State& state)
{
    Fixture& f = fixture();
    const QByteArray body = page(230, 99);
    for (auto _ : state) {
        auto v = PrepareVersion(f.dir.path(), pageName(kComparedPage), body, "utf-8", QStringLiteral("text/html"), f.start);
        benchmark::DoNotOptimize(v);
    }
    state.counters["page_bytes"] = double(body.size());
}
BENCHMARK(BM_PrepareVersion)->Unit(benchmark::kMillisecond);

// The common case of a daily run: the page came back byte for byte.
void BM_PrepareUnchangedVersion(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::optional<StoredCheck> last = f.store.LastVersion(pageName(kComparedPage));
    const QByteArray body = f.store.Body(last->sha256);
    for (auto _ : state) {
        auto v = PrepareVersion(f.dir.path(), pageName(kComparedPage), body, "utf-8", QStringLiteral("text/html"), f.start);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_PrepareUnchangedVersion)->Unit(benchmark::kMillisecond);

// The page came back with nothing new but its counter, as pages with a
// visit counter do every day: the texts are compared, noise rules and all.
void BM_PrepareCounterOnlyVersion(benchmark::State& state)
{
    Fixture& f = fixture();
    constexpr int last = kVersions - kPages + kComparedPage; // the page's last stored version
    const QByteArray body = page(200 + last / kPages, last + 1);
    for (auto _ : state) {
        auto v = PrepareVersion(f.dir.path(), pageName(kComparedPage), body, "utf-8", QStringLiteral("text/html"), f.start);
        if (!v || !v->sameContent)
            state.SkipWithError("the counter was taken for a change");
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_PrepareCounterOnlyVersion)->Unit(benchmark::kMillisecond);

void BM_WriteRow(benchmark::State& state)
{
    Fixture& f = fixture();
    const QByteArray body = page(230, 99);
    auto v = PrepareVersion(f.dir.path(), pageName(kComparedPage), body, "utf-8", QStringLiteral("text/html"), f.start);
    int n = 0;
    for (auto _ : state) {
        StoredCheck c;
        c.page = pageName(n++ % kPages);
        c.address = c.page;
        c.moment = f.start.addDays(400).addSecs(n);
        c.status = 2;
        c.kod = 0;
        c.newContent = false;
        f.store.AddCheck(c, &v->body);
    }
}
BENCHMARK(BM_WriteRow)->Unit(benchmark::kMillisecond);

void BM_DiffOfTwoVersions(benchmark::State& state)
{
    const QByteArray a = page(230, 1);
    const QByteArray b = page(231, 2);
    for (auto _ : state) {
        const VersionDiff d = DiffTexts(QString::fromUtf8(a), QDate(2026, 12, 8), QString::fromUtf8(b),
                                        QDate(2026, 12, 9), NoiseRules());
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_DiffOfTwoVersions)->Unit(benchmark::kMillisecond);

// The parts of the worker's share, to see where the time goes.
void BM_PartVisibleText(benchmark::State& state)
{
    const QByteArray body = page(230, 99);
    for (auto _ : state)
        benchmark::DoNotOptimize(VisibleText(body, "utf-8", QStringLiteral("text/html")));
}
BENCHMARK(BM_PartVisibleText)->Unit(benchmark::kMillisecond);

void BM_PartNoiseRules(benchmark::State& state)
{
    const QStringList lines = VisibleText(page(230, 99), "utf-8", QStringLiteral("text/html")).split(u'\n');
    for (auto _ : state)
        benchmark::DoNotOptimize(CompareForm(lines, QDate(2026, 12, 9), NoiseRules()));
    state.counters["lines"] = double(lines.size());
}
BENCHMARK(BM_PartNoiseRules)->Unit(benchmark::kMillisecond);

void BM_PartPackAndHash(benchmark::State& state)
{
    const QByteArray body = page(230, 99);
    const QByteArray text = VisibleText(body, "utf-8", QStringLiteral("text/html")).toUtf8();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Sha256Hex(body));
        benchmark::DoNotOptimize(Pack(body));
        benchmark::DoNotOptimize(Pack(text));
    }
}
BENCHMARK(BM_PartPackAndHash)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
