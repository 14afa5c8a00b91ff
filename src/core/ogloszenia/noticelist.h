#pragma once

#include "historia/historystore.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

namespace dbf {
class DbfTable;
}

// The notices of the register's pages as the watcher sees them: in the
// notices window, the e-mail after a run, the feed and the calendar of
// deadlines. A notice belongs to a page; the records of that page give it
// its municipality and area.
namespace ogloszenia {

struct RecordOfPage
{
    qint32 lp = 0;
    QString gmina;
    QString area; // the record's Natura2000 field
};

// The register's records by page (the trimmed info address), in table order.
using RecordsByPage = QHash<QString, QList<RecordOfPage>>;
RecordsByPage RecordsOfPages(const dbf::DbfTable& table);

struct ListedNotice
{
    historia::StoredNotice stored;
    QList<RecordOfPage> records; // never empty: only the register's pages are listed

    // The records' municipalities and areas, each once, joined by ", ".
    QString municipalities() const;
    QString areas() const;
    // One of the areas the notice names is the area of one of its records.
    bool ownArea() const;
};

// All notices of the register's pages, newest first (by when they were
// first read); with openOn valid only those whose comment window is open
// on that day, soonest deadline first. Throws historia::HistoryError.
QList<ListedNotice> ListNotices(const historia::HistoryStore& store, const RecordsByPage& records,
                                const QDate& openOn = {});

// Days from today to the last day of the comment window (0: today).
int DaysLeft(const Notice& notice, const QDate& today);
// "dziś", "1 dzień", "5 dni"; empty when the window is closed or unknown.
QString DaysLeftText(const Notice& notice, const QDate& today);

// The notice in a few words: "obwieszczenie GKR.6220.14.2026 z 1.12.2026".
QString NoticeHeading(const Notice& notice);
// The comment window: "5.12.2026 – 21.12.2026", "do 21.12.2026"; a computed
// end says so; empty when the notice gives none.
QString CommentWindowText(const Notice& notice);
// "dd.MM.yyyy", the form of every date the program writes about notices.
QString DayText(const QDate& day);

} // namespace ogloszenia
