// The register table at 10,000 records: open, walk, write, pack, sort.
#include "baza/baza.h"
#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "text/datevalue.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 10000;

// A register of kRecords records with realistic values, built once.
const QString& sampleTable()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("baza.dbf"));
        baza::CreateTable(p);
        dbf::DbfTable t;
        t.setFileName(p);
        t.open();
        for (int i = 0; i < kRecords; ++i) {
            t.append();
            t.setText(baza::Gmina, QStringLiteral("Gmina %1 Łódź").arg((i * 7919) % kRecords));
            t.setText(baza::Natura2000, QStringLiteral("Dolina Środkowej Wisły PLB%1").arg(i));
            t.setText(baza::Wojewodztwo, QStringLiteral("mazowieckie"));
            t.setDate(baza::Aktualizacja, i % 5 ? datevalue::fromDate(QDate(2020, 1, 1).addDays((i * 31) % 2500)) : 0);
            t.setDate(baza::DataKontroli, datevalue::fromDate(QDate(2026, 12, 1)));
            t.setInteger(baza::Size, 10000 + i);
            t.setInteger(baza::Row, 300 + i % 50);
            t.setInteger(baza::Tag, 12000 + i);
            t.setInteger(baza::Kod, i % 6);
            t.setText(baza::Dom, QStringLiteral("http://www.gmina%1.pl").arg(i));
            t.setText(baza::Info, QStringLiteral("http://www.gmina%1.pl/ochrona-srodowiska/informacje.html").arg(i / 3));
            t.setText(baza::Bip, QStringLiteral("http://bip.gmina%1.pl").arg(i));
            t.setText(baza::Uwagi, QStringLiteral("text/html; charset=windows-1250"));
            t.setInteger(baza::Z, 1);
            t.post();
        }
        return p;
    }();
    return path;
}

QString freshCopy(QTemporaryDir& dir)
{
    const QString p = dir.filePath(QStringLiteral("baza.dbf"));
    QFile::remove(p);
    QFile::copy(sampleTable(), p);
    QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner);
    return p;
}

void BM_Open(benchmark::State& state)
{
    const QString p = sampleTable();
    for (auto _ : state) {
        dbf::DbfTable t;
        t.setFileName(p);
        t.open();
        benchmark::DoNotOptimize(t.recordCount());
    }
}

// The command line's mark: open exclusively, write one field of one record,
// close.
void BM_Mark(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString p = freshCopy(dir);
    int i = 0;
    for (auto _ : state) {
        dbf::DbfTable t;
        t.setFileName(p);
        t.setExclusive(true);
        t.open();
        t.setRecNo(1 + (++i * 37) % kRecords);
        t.edit();
        t.setInteger(baza::Kod, i % 4);
        t.post();
        t.close();
    }
}

void BM_WalkReadingInfo(benchmark::State& state)
{
    dbf::DbfTable t;
    t.setFileName(sampleTable());
    t.open();
    for (auto _ : state) {
        qsizetype total = 0;
        for (t.first(); !t.eof(); t.next())
            total += t.text(baza::Info).size();
        benchmark::DoNotOptimize(total);
    }
}

void BM_WriteOneFieldInEveryRecord(benchmark::State& state)
{
    QTemporaryDir dir;
    dbf::DbfTable t;
    t.setFileName(freshCopy(dir));
    t.open();
    int value = 0;
    for (auto _ : state) {
        for (t.first(); !t.eof(); t.next()) {
            t.edit();
            t.setInteger(baza::Z, ++value & 1);
            t.post();
        }
    }
}

void BM_Pack(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        dbf::DbfTable t;
        t.setFileName(freshCopy(dir));
        t.setExclusive(true);
        t.open();
        for (int r = 0; r < 100; ++r) { // a hundred deleted records
            t.setRow(r * 50);
            t.deleteRecord();
        }
        state.ResumeTiming();
        t.pack();
    }
}

void BM_Sort(benchmark::State& state, const char* expression)
{
    dbf::DbfTable t;
    t.setFileName(sampleTable());
    t.open();
    bool descending = false;
    for (auto _ : state) {
        t.setOrder(QString::fromLatin1(expression), descending);
        descending = !descending;
    }
}

} // namespace

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mark)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkReadingInfo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOneFieldInEveryRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sort, gmina, "GMINA")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sort, aktualizacja, "DTOS(AKTUALIZACJA)")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
