// The end of every run writes terminy.ics on the window's thread, and the
// notices window reads every notice when it opens: a register of 2,000
// pages whose history holds 10,000 notices, 2,000 of them with a comment
// window still open. Goal: well under 100 ms each, so that the end of a
// run and the opening of the window are not felt.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "ogloszenia/calendar.h"
#include "ogloszenia/noticelist.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPages = 2000;
constexpr int kNoticesPerPage = 5;
const QDate kToday(2026, 12, 10);

QString pageName(int i)
{
    return QStringLiteral("http://gmina%1.example.pl/obwieszczenia").arg(i);
}

struct Register
{
    QTemporaryDir dir;
    baza::Baza baza{dir.path()};

    Register()
    {
        historia::HistoryStore store(historia::HistoryStore::PathIn(dir.path()));
        store.open(historia::HistoryStore::Mode::ReadWrite);
        for (int p = 0; p < kPages; ++p) {
            QList<ogloszenia::Notice> notices;
            for (int k = 0; k < kNoticesPerPage; ++k) {
                ogloszenia::Notice n;
                n.kind = QStringLiteral("obwieszczenie");
                n.authority = QStringLiteral("Wójt Gminy %1").arg(p);
                n.reference = QStringLiteral("RGK.6220.%1.2026").arg(k + 1);
                n.date = kToday.addDays(-30 + k);
                n.procedure = QStringLiteral("DŚU");
                n.stage = QStringLiteral("konsultacje");
                n.commentsFrom = n.date;
                // The newest notice of each page is still open.
                n.commentsUntil = k == kNoticesPerPage - 1 ? kToday.addDays(p % 21) : kToday.addDays(-1 - k);
                n.natura2000 = true;
                n.area = QStringLiteral("PLB020001");
                n.subject = QStringLiteral("budowie fermy drobiu o obsadzie %1 DJP wraz z infrastrukturą towarzyszącą, "
                                           "na działkach nr %2/1, %2/2 i %2/3 w obrębie Sułów")
                                .arg(100 + p)
                                .arg(p);
                notices << n;
            }
            historia::StoredCheck check;
            check.page = pageName(p);
            check.address = check.page;
            check.moment = QDateTime(kToday.addDays(-2), QTime(6, 0));
            check.status = 2;
            check.kod = 3;
            check.newContent = true;
            const QByteArray text = "Obwieszczenia " + QByteArray::number(p);
            const historia::PackedBody body{historia::Sha256Hex(text), text.size(), historia::Pack(text),
                                            historia::Pack(text)};
            store.AddCheck(check, &body, notices);
        }
        baza.OpenTable();
        for (int p = 0; p < kPages; ++p) {
            baza.table().append();
            baza.table().setText(baza::Gmina, QStringLiteral("Gmina %1").arg(p));
            baza.table().setText(baza::Natura2000, QStringLiteral("Dolina Baryczy"));
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

void BM_WriteDeadlineCalendar(benchmark::State& state)
{
    Register& r = reg();
    for (auto _ : state) {
        const ogloszenia::CalendarResult result =
            ogloszenia::WriteDeadlineCalendar(r.dir.path(), r.baza.table(), kToday);
        if (result.events != kPages)
            state.SkipWithError("wrong number of events");
    }
    state.counters["events"] = kPages;
}
BENCHMARK(BM_WriteDeadlineCalendar)->Unit(benchmark::kMillisecond);

void BM_ListAllNotices(benchmark::State& state)
{
    Register& r = reg();
    historia::HistoryStore store(historia::HistoryStore::PathIn(r.dir.path()));
    store.open(historia::HistoryStore::Mode::ReadOnly);
    for (auto _ : state) {
        const QList<ogloszenia::ListedNotice> all =
            ogloszenia::ListNotices(store, ogloszenia::RecordsOfPages(r.baza.table()));
        if (all.size() != kPages * kNoticesPerPage)
            state.SkipWithError("wrong number of notices");
    }
}
BENCHMARK(BM_ListAllNotices)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
