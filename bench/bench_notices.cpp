// Reading notices: what it adds to a check of a changed page, and how well
// it reads. Goal: at most 1 ms per changed page (an unchanged page is not
// read at all). Before the timings the program prints the F1 table of the
// notice corpus (tests/fixtures/ogloszenia).
#include "historia/versiondiff.h"
#include "ogloszenia/noticereader.h"
#include "ogloszenia/noticescore.h"
#include "support/testdata.h"

#include <QDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace ogloszenia;

namespace {

// The visible text of a BIP page of notices: a menu, a register of twenty
// notices as list rows, two full notices, a footer with counters.
QStringList visibleLines(int newNotices)
{
    QStringList l;
    for (int i = 0; i < 60; ++i)
        l << QStringLiteral("Pozycja menu numer %1").arg(i);
    l << QStringLiteral("Obwieszczenia i zawiadomienia – ochrona środowiska");
    for (int n = 0; n < newNotices; ++n) {
        l << QStringLiteral("Milicz, dnia %1 grudnia 2026 r.").arg(1 + n) << QStringLiteral("GKR.6220.%1.2026").arg(40 + n)
          << QStringLiteral("O B W I E S Z C Z E N I E")
          << QStringLiteral("Na podstawie art. 49 k.p.a. oraz art. 33 ust. 1 ustawy ooś Burmistrz Milicza zawiadamia o "
                            "wszczęciu postępowania w sprawie wydania decyzji o środowiskowych uwarunkowaniach dla "
                            "przedsięwzięcia polegającego na budowie fermy drobiu nr %1 w Sułowie, położonego w obszarze "
                            "Natura 2000 Dolina Baryczy PLB020001.")
                 .arg(n)
          << QStringLiteral("Uwagi i wnioski można składać w terminie 30 dni od dnia publikacji obwieszczenia, "
                            "w Urzędzie Miejskim w Miliczu, pok. 12. Zawiadomienie uważa się za dokonane po upływie "
                            "14 dni od dnia publicznego obwieszczenia.")
          << QStringLiteral("Burmistrz Milicza") << QStringLiteral("Data publikacji: 2026-12-0%1").arg(1 + n % 9);
    }
    for (int i = 0; i < 20; ++i)
        l << QStringLiteral("Obwieszczenie Burmistrza Milicza o wydaniu decyzji o środowiskowych uwarunkowaniach – "
                            "GKR.6220.%1.2025 – %2.11.2026")
                 .arg(i)
                 .arg(10 + i);
    l << QStringLiteral("Liczba odsłon: 2668760") << QStringLiteral("Redakcja BIP: Urząd Miejski w Miliczu");
    return l;
}

// A check of a page that got one new notice: the reader is given the
// whole text and the places of the added lines, as the check's worker does.
void BM_ChangedPageWithANewNotice(benchmark::State& state)
{
    const QStringList before = visibleLines(1);
    const QStringList after = visibleLines(2);
    const historia::VersionDiff diff = historia::DiffTexts(before.join(QLatin1Char('\n')), QDate(2026, 12, 9),
                                                           after.join(QLatin1Char('\n')), QDate(2026, 12, 10),
                                                           historia::NoiseRules());
    ReadOptions o;
    o.today = QDate(2026, 12, 10);
    o.touched = diff.addedAt;
    for (auto _ : state) {
        const QList<Notice> n = ReadNotices(after, o);
        benchmark::DoNotOptimize(n);
        if (n.size() != 1)
            state.SkipWithError("expected one new notice");
    }
}
BENCHMARK(BM_ChangedPageWithANewNotice)->Unit(benchmark::kMicrosecond);

// A changed page whose new lines hold no notice (a new menu entry).
void BM_ChangedPageWithoutNotices(benchmark::State& state)
{
    QStringList after = visibleLines(2);
    after.insert(10, QStringLiteral("Nowa pozycja menu"));
    ReadOptions o;
    o.today = QDate(2026, 12, 10);
    o.touched = {10};
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadNotices(after, o));
}
BENCHMARK(BM_ChangedPageWithoutNotices)->Unit(benchmark::kMicrosecond);

// A record's first check: every notice of the page is read.
void BM_FirstCheckWholePage(benchmark::State& state)
{
    const QStringList page = visibleLines(int(state.range(0)));
    ReadOptions o;
    o.today = QDate(2026, 12, 10);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadNotices(page, o));
}
BENCHMARK(BM_FirstCheckWholePage)->Arg(2)->Arg(10)->Unit(benchmark::kMicrosecond);

void printCorpusTable()
{
    const QString dir = testdata::fixture(QStringLiteral("ogloszenia"));
    NoticeScorer scorer;
    ReadOptions o;
    o.today = QDate(2026, 12, 10);
    for (const QString& page : QDir(dir).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        QString base = page;
        base.chop(5);
        scorer.AddPage(ReadExpectedNotices(testdata::readAll(dir + QLatin1Char('/') + base + QStringLiteral(".jsonl"))),
                       ReadNoticesInPage(testdata::readAll(dir + QLatin1Char('/') + page), QString(), o));
    }
    std::printf("%s\n", scorer.Table().toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    printCorpusTable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
