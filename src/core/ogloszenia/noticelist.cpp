#include "ogloszenia/noticelist.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "text/trimmedtext.h"

#include <QStringList>

namespace ogloszenia {

RecordsByPage RecordsOfPages(const dbf::DbfTable& table)
{
    RecordsByPage out;
    if (!table.isOpen())
        return out;
    for (int row = 0; row < table.recordCount(); ++row) {
        const QString page = TrimmedText(table.textAt(row, baza::Info));
        if (page.isEmpty())
            continue;
        out[page].append({table.integerAt(row, baza::LP), TrimmedText(table.textAt(row, baza::Gmina)),
                          TrimmedText(table.textAt(row, baza::Natura2000))});
    }
    return out;
}

namespace {

QString joinedOnce(const QList<RecordOfPage>& records, QString RecordOfPage::*field)
{
    QStringList seen;
    for (const RecordOfPage& r : records)
        if (!(r.*field).isEmpty() && !seen.contains(r.*field))
            seen << r.*field;
    return seen.join(QStringLiteral(", "));
}

} // namespace

QString ListedNotice::municipalities() const
{
    return joinedOnce(records, &RecordOfPage::gmina);
}

QString ListedNotice::areas() const
{
    return joinedOnce(records, &RecordOfPage::area);
}

bool ListedNotice::ownArea() const
{
    for (const RecordOfPage& r : records)
        if (IsOwnArea(stored.notice, r.area))
            return true;
    return false;
}

QList<ListedNotice> ListNotices(const historia::HistoryStore& store, const RecordsByPage& records,
                                const QDate& openOn)
{
    historia::NoticeQuery query;
    query.openOn = openOn;
    // One question for all pages keeps the store's order across them.
    QList<ListedNotice> out;
    for (const historia::StoredNotice& s : store.Notices(query)) {
        const auto r = records.constFind(s.page);
        if (r != records.constEnd() && !r->isEmpty())
            out.append({s, *r});
    }
    return out;
}

int DaysLeft(const Notice& notice, const QDate& today)
{
    return notice.commentsUntil.isValid() ? int(today.daysTo(notice.commentsUntil)) : -1;
}

QString DaysLeftText(const Notice& notice, const QDate& today)
{
    const int days = DaysLeft(notice, today);
    if (days < 0)
        return {};
    if (days == 0)
        return QStringLiteral("dziś");
    return days == 1 ? QStringLiteral("1 dzień") : QStringLiteral("%1 dni").arg(days);
}

QString DayText(const QDate& day)
{
    return day.isValid() ? day.toString(QStringLiteral("d.MM.yyyy")) : QString();
}

QString NoticeHeading(const Notice& notice)
{
    QString text = notice.kind.isEmpty() ? QStringLiteral("ogłoszenie") : notice.kind;
    if (!notice.reference.isEmpty())
        text += QLatin1Char(' ') + notice.reference;
    if (notice.date.isValid())
        text += QStringLiteral(" z ") + DayText(notice.date);
    return text;
}

QString CommentWindowText(const Notice& notice)
{
    if (!notice.commentsUntil.isValid())
        return {};
    QString text = notice.commentsFrom.isValid()
                       ? DayText(notice.commentsFrom) + QStringLiteral(" – ") + DayText(notice.commentsUntil)
                       : QStringLiteral("do ") + DayText(notice.commentsUntil);
    if (notice.commentsComputed)
        text += QStringLiteral(" (wyliczony)");
    return text;
}

} // namespace ogloszenia
