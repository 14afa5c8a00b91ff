#pragma once

#include "historia/historystore.h"
#include "ogloszenia/notice.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

// The heavy part of recording a downloaded page, done on the check's own
// thread: SHA-256 of the body, its visible text, both packed, and the
// comparison with the page's previous version (read through a read-only
// connection of its own), and the notices read from what is new. The main
// thread then only writes the rows.
namespace historia {

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
};

// Never throws: a history that cannot be read only means that nothing is
// compared (hasPrevious false).
std::shared_ptr<const PreparedVersion> PrepareVersion(const QString& dataDirectory, const QString& page,
                                                      const QByteArray& body, const QByteArray& charset,
                                                      const QString& contentType, const QDateTime& moment);

} // namespace historia
