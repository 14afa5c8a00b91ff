#pragma once

#include "ogloszenia/notice.h"

#include <QList>
#include <QString>
#include <QStringList>

// A list row says little ("Obwieszczenie RDOŚ z 3.12.2026 (PDF, 245 KB)");
// the document it links to says the rest. The two readings are one notice.
namespace ogloszenia {

// A document's text as the notice reader takes it, one paragraph a line: a
// PDF gives its lines as printed, so a sentence (and a date: "do dnia 31
// grudnia" / "2026 r.") runs over several. A line is joined with the next
// when that one goes on in lower case or with a digit and the line does not
// end a sentence or a heading (".", ":", ";"); a word broken with a hyphen
// is joined whole. Empty lines end a paragraph.
QStringList ParagraphsOf(const QString& documentText);

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
