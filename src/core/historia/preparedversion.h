#pragma once

#include "historia/historystore.h"
#include "historia/visibletext.h"
#include "ogloszenia/notice.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

// The heavy part of recording a downloaded page, done on the check's own
// thread: SHA-256 of the body and, when the body is not the one of the
// page's last version, its visible text, both packed, the comparison with
// that version (read through a read-only connection of its own), and the
// notices read from what is new. The main thread then only writes the rows.
namespace historia {

class HistoryReader;

struct PreparedVersion
{
    PackedBody body;
    bool hasPrevious = false;
    QDate previousFoundDate; // the newest date found in the previous version; null when none
    // The visible text, noise aside, equals the previous version's.
    bool sameContent = false;
    QString firstAddedLine; // of the difference to the previous version
    // The notices the new text brought: those among the added lines, or at
    // the page's first check all of them.
    QList<ogloszenia::Notice> notices;
    // The lines the difference to the previous version added (indices into
    // the new visible text) and, when asked for, the page's links: where
    // the documents the new lines link to are found.
    QList<int> addedAt;
    QList<LineLink> links;
    // The documents linked from the new lines, fetched and read in the
    // same check (dokumenty/followdocuments.h).
    QList<StoredDocument> documents;
};

// Never throws: a history that cannot be read only means that nothing is
// compared (hasPrevious false).
std::shared_ptr<const PreparedVersion> PrepareVersion(const QString& dataDirectory, const QString& page,
                                                      const QByteArray& body, const QByteArray& charset,
                                                      const QString& contentType, const QDateTime& moment);

// The same with the history already open and the page's last version
// already read (reader may be empty, previous missing). The body is let go
// as soon as it is packed and read, so that a large page is not held twice.
std::shared_ptr<const PreparedVersion> PrepareVersion(HistoryReader& reader,
                                                      const std::optional<StoredCheck>& previous,
                                                      const QString& page, QByteArray body,
                                                      const QByteArray& charset, const QString& contentType,
                                                      const QDateTime& moment, bool withLinks = false);

// The page is the body of its last version (the server answered 304): the
// same content, nothing to pack, compare or read.
std::shared_ptr<const PreparedVersion> UnchangedVersion(const StoredCheck& previous);

} // namespace historia
