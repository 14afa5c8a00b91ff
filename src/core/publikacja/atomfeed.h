#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// wykaz.xml: the published updates as an Atom 1.0 feed, newest first. The
// feed on the server is its own record: every publication reads it back,
// puts the new entries on top and cuts it to the configured length.
namespace publikacja {

struct FeedEntry
{
    QString id;      // stable: the same page and update date give the same id
    QString title;   // municipality and area
    QString link;    // the information page
    QDateTime updated;
    QString summary; // the added lines, one per line
    // What the record's kod says (a category): the stored number as the
    // term, the kod table's long text as the label; empty for entries of
    // feeds written before.
    QString kodTerm;
    QString kodLabel;
};

struct AtomFeed
{
    QString id;
    QString title;
    QDateTime updated;
    QList<FeedEntry> entries; // newest first
};

// "urn:sha1:" + SHA-1 of the address and the day of the update.
QString EntryId(const QString& address, const QDate& updated);
// "urn:sha1:" + SHA-1 of the page and the notice's identity: one entry per
// notice, however often it is published.
QString NoticeEntryId(const QString& page, const QString& noticeIdentity);
// The feed's own id, from where it is published.
QString FeedId(const QString& host, const QString& directory);

// The most of a feed read back from the server: a thousand entries of
// ours are well below a megabyte.
inline constexpr qint64 kMaxFeedBytes = 16 * 1024 * 1024;

// A feed as written by WriteFeed (or any Atom 1.0 feed with ids); nullopt
// when the bytes are no Atom feed, are more than kMaxFeedBytes, or declare
// entities (the document comes from the network: a few kilobytes of
// declarations can stand for gigabytes of text, so none is ever expanded).
std::optional<AtomFeed> ReadFeed(const QByteArray& bytes);

// UTF-8 XML; every text escaped, characters XML cannot carry left out.
QByteArray WriteFeed(const AtomFeed& feed);

// New entries on top of the old ones; an old entry with the id of a new one
// gives way to it; newest first by update, at most maxEntries.
QList<FeedEntry> MergeEntries(const QList<FeedEntry>& fresh, const QList<FeedEntry>& old, int maxEntries);

} // namespace publikacja
