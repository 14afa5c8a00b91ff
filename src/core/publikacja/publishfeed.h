#pragma once

#include "publikacja/atomfeed.h"

#include <QDateTime>
#include <QList>
#include <QString>

class RunReport;
class Settings;
namespace dbf {
class DbfTable;
}

namespace publikacja {

// Local copy of the feed while it is written and sent: "wykaz.xml" in the
// data directory.
QString LocalFeedPath(const QString& dataDirectory);

// The entries of the marked records (kod 1, 2 or 3) in table order, with
// the lines that the page's last change of content added, from the page
// history of the data directory.
QList<FeedEntry> MarkedEntries(const dbf::DbfTable& table, const QString& dataDirectory);

// How many entries the feed keeps: the list's limit when it is on, the
// largest limit otherwise, so that the feed never grows without end.
int FeedEntryLimit(const Settings& settings);

// With "publikuj także kanał Atom": fetches wykaz.xml from the server
// directory of wykaz.txt, puts the marked records' entries on top, writes it
// beside baza.dbf under a temporary name and renames it, sends it the way
// wykaz.txt goes (temporary name on the server, size check, rename) and
// deletes the local copy. A feed that is on the server but could not be
// fetched is not replaced, so that its older entries are not lost. Every
// outcome goes to the event log. True when the feed was sent.
bool PublishFeed(const dbf::DbfTable& table, const QString& dataDirectory, const Settings& settings,
                 RunReport& report, const QDateTime& now);

} // namespace publikacja
