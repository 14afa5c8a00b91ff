#pragma once

#include "historia/visibletext.h"

#include <QList>
#include <QString>
#include <QUrl>

// Which of a page's links a check follows: those in the lines its new text
// added, and in the line right after each run of them (a title row is often
// followed by a line of its own with "pobierz (PDF, 245 KB)" that looks like
// every other such line and so is no added line).
namespace dokumenty {

struct DocumentLink
{
    QUrl address;  // absolute, without a fragment
    QString text;  // the link's text as a reader sees it
    int line = 0;  // in the page's visible text
    bool samePageHost = false;
    // On an added line itself, not the line after one.
    bool onAddedLine = false;
    // The address or the text names a document format (".pdf", "(PDF,
    // 245 KB)", "DOCX"): worth fetching from another host as well.
    bool namesDocument = false;
};

// The links to follow, in page order, each address once, at most `most`.
// Only http and https; a link to another host only when it names a
// document format (a sub-page of another site is not the page's own);
// links to pictures, archives, media and the page itself are left out.
QList<DocumentLink> LinksOfNewLines(const QList<historia::LineLink>& links, const QList<int>& addedAt,
                                    const QUrl& page, int most);

// The page's address as a request makes it (NormalizeAddress), as a URL.
QUrl PageUrl(const QString& address);

} // namespace dokumenty
