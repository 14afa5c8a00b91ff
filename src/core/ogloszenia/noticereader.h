#pragma once

#include "ogloszenia/notice.h"

#include <QDate>
#include <QList>
#include <QStringList>

// Reads the notices in a page's visible text (historia/visibletext.h: one
// line per block). A notice begins at a heading of its kind ("OBWIESZCZENIE",
// "O B W I E S Z C Z E N I E", "Zawiadomienie o wszczęciu …", a list row
// "Obwieszczenie … 2026-11-27") together with the place-and-date and
// reference lines just above it, and runs to the next one. The words it
// goes by are in rules.h.
namespace ogloszenia {

struct ReadOptions
{
    // Dates after it are not the document's date; null: Clock's today.
    QDate today;
    // The record's own Natura 2000 area (its Natura2000 field), for ownArea.
    QString ownArea;
    // Only the notices with one of these lines (indices into the lines
    // read: a check's added lines) are read; empty: all of them.
    QList<int> touched;
    // Where a publication date is looked for when a notice gives none;
    // empty: all the lines read.
    QStringList context;
};

QList<Notice> ReadNotices(const QStringList& lines, const ReadOptions& options = {});

// The notices of a saved page's bytes: charset as a check decides it, the
// visible text as the history keeps it.
QList<Notice> ReadNoticesInPage(const QByteArray& body, const QString& contentType,
                                const ReadOptions& options = {});

} // namespace ogloszenia
