#pragma once

#include "publikacja/atomfeed.h"
#include "publikacja/updatelist.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

class RunReport;
class Settings;
namespace dbf {
class DbfTable;
}
namespace historia {
struct StoredNotice;
}

namespace publikacja {

// Local copy of the feed while it is written and sent: "wykaz.xml" in the
// data directory.
QString LocalFeedPath(const QString& dataDirectory);

// The entries of the marked records (kod 1, 2 or 3) in table order, with
// the lines that the page's last change of content added, from the page
// history of the data directory; a change that brought notices gives one
// entry per notice instead.
QList<FeedEntry> MarkedEntries(const dbf::DbfTable& table, const QString& dataDirectory);
QList<FeedEntry> MarkedEntries(const QList<MarkedRecord>& marked, const QString& dataDirectory);

// The entry of a notice the page's last change brought: the notice in its
// title, its deadline and subject in the summary, a stable id per notice.
FeedEntry NoticeEntry(const historia::StoredNotice& notice, const QString& gmina, const QString& obszar);

// The entries of an update list (wykaz.txt) as the feed gives them, newest
// first: what a feed that cannot be read is rebuilt from. Lines that are not
// entries are passed over. Throws FileError when the file cannot be read.
QList<FeedEntry> ListedEntries(const QString& listPath);

// How many entries the feed keeps: the list's limit when it is on, the
// largest limit otherwise, so that the feed never grows without end.
int FeedEntryLimit(const Settings& settings);

// With "publikuj także kanał Atom": fetches wykaz.xml from the server
// directory of wykaz.txt, puts the marked records' entries on top, writes it
// beside baza.dbf under a temporary name and renames it, sends it the way
// wykaz.txt goes (temporary name on the server, size check, rename) and
// deletes the local copy. A feed that is on the server but could not be
// fetched is not replaced, so that its older entries are not lost; one that
// was fetched but cannot be read (cut, empty, not Atom, too large, with
// entity declarations) is rebuilt from the list beside it in the data
// directory. Every outcome goes to the event log. True when the feed was
// sent.
bool PublishFeed(const dbf::DbfTable& table, const QString& dataDirectory, const Settings& settings,
                 RunReport& report, const QDateTime& now);
// The same off the window's thread: the marked records read before, the
// event log's lines through log; stop ends it early (*stopped is then true,
// the feed on the server stays as it was).
using LogLine = std::function<void(const QString&)>;
bool PublishFeed(const QList<MarkedRecord>& marked, const QString& dataDirectory, const Settings& settings,
                 const LogLine& log, const QDateTime& now, const std::atomic_bool* stop = nullptr,
                 bool* stopped = nullptr);

} // namespace publikacja
