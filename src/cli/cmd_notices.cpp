// notices: the notices the checks have read and the page history keeps,
// one JSON object per line, with the record and where and when each was
// first read.
#include "command.h"
#include "historyaccess.h"
#include "registeraccess.h"

#include "baza/fields.h"
#include "platform/clock.h"
#include "text/trimmedtext.h"

#include <QJsonDocument>

#include <algorithm>

namespace {

struct RecordOfPage
{
    qint64 lp = 0;
    QString gmina;
    QString area;
};

int runNotices(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    TakeTodayOption(args);
    const bool open = TakeFlag(args, QStringLiteral("--open"));
    QString sinceText;
    QDate since;
    if (TakeOption(args, QStringLiteral("--since"), &sinceText)) {
        since = QDate::fromString(sinceText, Qt::ISODate);
        if (!since.isValid())
            throw UsageError{QStringLiteral("błędna data %1 (RRRR-MM-DD)").arg(sinceText)};
    }
    RequireNoMoreArguments(args, args.size() > 1 ? 1 : int(args.size()));

    // The records and their pages; a page shared by records is listed for each.
    QList<std::pair<QString, RecordOfPage>> records;
    {
        baza::Baza b(c.dataDir);
        OpenRegister(b, Access::Read);
        const dbf::DbfTable& t = b.table();
        const int only = args.isEmpty() ? 0 : ParseRecordNumber(t, args.first());
        for (int row = 0; row < t.recordCount(); ++row) {
            if (only && t.physicalAt(row) != only)
                continue;
            const QString page = TrimmedText(t.textAt(row, baza::Info));
            if (!page.isEmpty())
                records.append({page, {t.integerAt(row, baza::LP), t.textAt(row, baza::Gmina).trimmed(),
                                       t.textAt(row, baza::Natura2000).trimmed()}});
        }
        b.table().close();
    }

    historia::HistoryStore store(historia::HistoryStore::PathIn(c.dataDir));
    OpenHistory(store);
    historia::NoticeQuery query;
    query.seenSince = since;
    if (open)
        query.openOn = Clock::now().date();
    struct Row
    {
        historia::StoredNotice stored;
        RecordOfPage record;
    };
    QList<Row> rows;
    QHash<QString, QList<historia::StoredNotice>> byPage;
    for (const auto& [page, record] : records) {
        if (!byPage.contains(page)) {
            query.page = page;
            byPage.insert(page, store.Notices(query));
        }
        for (const historia::StoredNotice& s : byPage.value(page))
            rows << Row{s, record};
    }
    // One order over all pages: soonest deadline first for --open, else
    // newest first.
    std::stable_sort(rows.begin(), rows.end(), [open](const Row& a, const Row& b) {
        if (open)
            return a.stored.notice.commentsUntil < b.stored.notice.commentsUntil;
        return a.stored.seen > b.stored.seen;
    });
    for (const Row& r : rows) {
        ogloszenia::Notice n = r.stored.notice;
        n.ownArea = ogloszenia::IsOwnArea(n, r.record.area);
        QJsonObject o;
        o.insert(QStringLiteral("lp"), r.record.lp);
        o.insert(QStringLiteral("gmina"), r.record.gmina);
        const QJsonObject fields = ogloszenia::ToJson(n);
        for (auto it = fields.begin(); it != fields.end(); ++it)
            o.insert(it.key(), it.value());
        o.insert(QStringLiteral("obszar_wlasny"), n.ownArea);
        o.insert(QStringLiteral("strona"), r.stored.address);
        o.insert(QStringLiteral("wykryto"), r.stored.seen.toString(Qt::ISODate));
        o.insert(QStringLiteral("dokument"), n.document.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(n.document));
        c.out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << "\n";
    }
    return 0;
}

CommandRegistration reg({
    QStringLiteral("notices"),
    QStringLiteral("notices [RECNO] [--open] [--since RRRR-MM-DD] [--today RRRR-MM-DD]"),
    QStringLiteral("Wypisuje ogłoszenia odczytane przez kontrole (z historii stron), po jednym wierszu JSON\n"
                   "(UTF-8), od najnowszego: lp, gmina, pola jak w read-notices, obszar_wlasny (czy to obszar\n"
                   "rekordu), strona (adres, pod którym je odczytano), wykryto (kiedy pierwszy raz),\n"
                   "dokument (adres dokumentu podlinkowanego na stronie, z którego je odczytano, albo null).\n"
                   "RECNO      tylko ogłoszenia strony tego rekordu\n"
                   "--open     tylko z otwartym terminem uwag (dziś lub później), najbliższy termin pierwszy\n"
                   "--since    tylko wykryte tego dnia lub później\n"
                   "--today    ustala dzisiejszą datę"),
    runNotices,
});

} // namespace
