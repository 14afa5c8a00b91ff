// The date finder over a page of about 1 MB, as a page check runs it, and
// the steps before it: splitting into lines and the charset conversion; and
// over a whole 20 MB file, as find-date reads it.
#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagecharset.h"
#include "kontrola/pagelines.h"
#include "kontrola/pagemeasure.h"
#include "platform/clock.h"
#include "text/cp1250.h"

#include <QDateTime>
#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype kPageBytes = 1024 * 1024;

// A municipal information page: navigation, a long table of announcements
// with dates in every form the finder knows, prose, and script. The newest
// date written is in lastYear.
QString samplePage(int lastYear, qsizetype pageBytes = kPageBytes)
{
    const QStringList months = {"stycznia", "lutego",       "marca",     "kwietnia",
                                "maja",     "czerwca",      "lipca",     "sierpnia",
                                "września", "października", "listopada", "grudnia"};
    QString page = QStringLiteral(
        "<!DOCTYPE html>\r\n<html lang=\"pl\">\r\n<head>\r\n<meta charset=\"windows-1250\">\r\n"
        "<title>Urząd Gminy – Ochrona Środowiska – Natura 2000</title>\r\n"
        "<script>var menu = {start: 1, zakładki: [\"aktualności\", "
        "\"ogłoszenia\"]};</script>\r\n</head>\r\n<body>\r\n"
        "<ul class=\"menu\"><li><a href=\"/\">Strona główna</a></li><li><a "
        "href=\"/bip\">BIP</a></li></ul>\r\n"
        "<table class=\"ogloszenia\">\r\n");
    for (int i = 0; page.size() < pageBytes; ++i) {
        const int year = lastYear - (i % 3);
        const int month = 1 + (i * 7) % 12;
        const int day = 1 + (i * 13) % 28;
        const QString d = QString::number(day);
        const QString m = QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0'));
        const QString y = QString::number(year);
        switch (i % 5) {
        case 0:
            page +=
                QStringLiteral(
                    "<tr><td>Obwieszczenie Wójta Gminy z dnia %1 %2 %3 r. o wszczęciu postępowania "
                    "w sprawie wydania decyzji o środowiskowych uwarunkowaniach</td></tr>\r\n")
                    .arg(d, months[month - 1], y);
            break;
        case 1:
            page += QStringLiteral(
                        "<tr><td class=\"data\">%1-%2-%3</td><td>Zawiadomienie stron postępowania "
                        "– przedsięwzięcie na obszarze Natura 2000</td></tr>\r\n")
                        .arg(y, m, d.rightJustified(2, QLatin1Char('0')));
            break;
        case 2:
            page += QStringLiteral(
                        "<tr><td>%1.%2.%3</td><td>Informacja o udostępnieniu danych o środowisku "
                        "i jego ochronie, publiczny wykaz (poz. %4/%3)</td></tr>\r\n")
                        .arg(d, m, y, QString::number(i));
            break;
        case 3:
            page +=
                QStringLiteral(
                    "\t<p>Konsultacje społeczne trwają od %1/%2/01 do %1/%2/15. Uwagi i wnioski "
                    "można składać w sekretariacie urzędu, pokój nr 12.</p>\r\n")
                    .arg(y, m);
            break;
        default:
            page += QStringLiteral(
                "<p>Wszystkie dokumenty są dostępne do wglądu w godzinach pracy urzędu; "
                "telefon 12 345 67 89, faks 12 345 67 90.</p>\r\n");
        }
    }
    page += QStringLiteral("</table>\r\n</body>\r\n</html>\r\n");
    return page;
}

const QByteArray& cp1250Page()
{
    static const QByteArray bytes = cp1250::fromUnicode(samplePage(2026));
    return bytes;
}

const QByteArray& oldCp1250Page()
{
    static const QByteArray bytes = cp1250::fromUnicode(samplePage(2023));
    return bytes;
}

const QByteArray& utf8Page()
{
    static const QByteArray bytes = samplePage(2026).toUtf8();
    return bytes;
}

void pinClock()
{
    Clock::pin(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
}

// A date of this year: one year searched.
void BM_FindNewestDate_ThisYear(benchmark::State& state)
{
    pinClock();
    const QList<QByteArray> lines = PageLines(cp1250Page());
    for (auto _ : state) {
        double date = 0;
        benchmark::DoNotOptimize(FindNewestDate(lines, 1, date));
        benchmark::DoNotOptimize(date);
    }
    state.SetBytesProcessed(state.iterations() * cp1250Page().size());
}
BENCHMARK(BM_FindNewestDate_ThisYear)->Unit(benchmark::kMillisecond);

// No date of the last two years: both years searched, every line normalised twice.
void BM_FindNewestDate_NotFound(benchmark::State& state)
{
    pinClock();
    const QList<QByteArray> lines = PageLines(oldCp1250Page());
    for (auto _ : state) {
        double date = 0;
        benchmark::DoNotOptimize(FindNewestDate(lines, 1, date));
        benchmark::DoNotOptimize(date);
    }
    state.SetBytesProcessed(state.iterations() * oldCp1250Page().size());
}
BENCHMARK(BM_FindNewestDate_NotFound)->Unit(benchmark::kMillisecond);

void BM_NormalizeDateLine(benchmark::State& state)
{
    const QList<QByteArray> lines = PageLines(cp1250Page());
    for (auto _ : state)
        for (const QByteArray& line : lines)
            benchmark::DoNotOptimize(NormalizeDateLine(line));
    state.SetBytesProcessed(state.iterations() * cp1250Page().size());
}
BENCHMARK(BM_NormalizeDateLine)->Unit(benchmark::kMillisecond);

// Everything a page check does with a UTF-8 page before and in the finder.
void BM_Utf8PageLinesConvertAndFind(benchmark::State& state)
{
    pinClock();
    for (auto _ : state) {
        const QList<QByteArray> lines = PageLines(utf8Page());
        double date = 0;
        benchmark::DoNotOptimize(
            FindNewestDate(LinesAsCp1250(lines, QStringLiteral("text/html")), 1, date));
        benchmark::DoNotOptimize(PageTextLength(lines));
    }
    state.SetBytesProcessed(state.iterations() * utf8Page().size());
}
BENCHMARK(BM_Utf8PageLinesConvertAndFind)->Unit(benchmark::kMillisecond);

constexpr qsizetype kWholeFileBytes = 20 * 1024 * 1024;

const QByteArray& bigPage()
{
    static const QByteArray bytes = cp1250::fromUnicode(samplePage(2026, kWholeFileBytes));
    return bytes;
}

const QByteArray& bigOldPage()
{
    static const QByteArray bytes = cp1250::fromUnicode(samplePage(2023, kWholeFileBytes));
    return bytes;
}

// The finder over the bytes of a whole page, lines taken in place.
void BM_WholeFile20MB_WithDate(benchmark::State& state)
{
    pinClock();
    for (auto _ : state) {
        double date = 0;
        benchmark::DoNotOptimize(FindNewestDateInPage(bigPage(), 1, date));
        benchmark::DoNotOptimize(date);
    }
    state.SetBytesProcessed(state.iterations() * bigPage().size());
}
BENCHMARK(BM_WholeFile20MB_WithDate)->Unit(benchmark::kMillisecond);

void BM_WholeFile20MB_WithoutDate(benchmark::State& state)
{
    pinClock();
    for (auto _ : state) {
        double date = 0;
        benchmark::DoNotOptimize(FindNewestDateInPage(bigOldPage(), 1, date));
        benchmark::DoNotOptimize(date);
    }
    state.SetBytesProcessed(state.iterations() * bigOldPage().size());
}
BENCHMARK(BM_WholeFile20MB_WithoutDate)->Unit(benchmark::kMillisecond);

// What find-date does with the bytes: charset look (meta, UTF-8 test) and finder.
void BM_FindDateCommand20MB_WithDate(benchmark::State& state)
{
    pinClock();
    for (auto _ : state) {
        double date = 0;
        benchmark::DoNotOptimize(FindPageDate(bigPage(), QString(), date));
        benchmark::DoNotOptimize(date);
    }
    state.SetBytesProcessed(state.iterations() * bigPage().size());
}
BENCHMARK(BM_FindDateCommand20MB_WithDate)->Unit(benchmark::kMillisecond);

void BM_FindDateCommand20MB_WithoutDate(benchmark::State& state)
{
    pinClock();
    for (auto _ : state) {
        double date = 0;
        benchmark::DoNotOptimize(FindPageDate(bigOldPage(), QString(), date));
        benchmark::DoNotOptimize(date);
    }
    state.SetBytesProcessed(state.iterations() * bigOldPage().size());
}
BENCHMARK(BM_FindDateCommand20MB_WithoutDate)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
