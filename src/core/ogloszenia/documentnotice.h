#pragma once

#include "ogloszenia/notice.h"

#include <QList>
#include <QString>
#include <QStringList>

// A list row says little ("Obwieszczenie RDOŚ z 3.12.2026 (PDF, 245 KB)");
// the document it links to says the rest. The two readings are one notice.
namespace ogloszenia {

// The title's notice with what it lacks taken from the document's: its
// reference, date, authority, subject and area when it has none, its
// procedure and stage when they are "inne", its comment window when it
// gives none. What the title says stays. document is set to the address.
Notice CompletedWith(const Notice& title, const Notice& fromDocument, const QString& documentAddress);

// The notices of a check once its documents are read: for each document,
// the notice of the page whose lines hold its link (titleLine) is completed
// from the document's first notice; a document whose link stands in no
// notice of the page gives notices of its own. Notices of the page not
// touched by a document stay as they are; none is listed twice.
struct DocumentReading
{
    QString address;
    int titleLine = 0;             // where its link stands in the page's visible text
    QList<Notice> notices;         // read from its text
};
QList<Notice> JoinDocumentNotices(const QList<Notice>& pageNotices, const QStringList& pageLines,
                                  const QList<DocumentReading>& documents, const QDate& today);

} // namespace ogloszenia
