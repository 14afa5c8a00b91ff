#pragma once

#include <QByteArray>
#include <QString>

// Just enough of a PDF reader to check what Qt's PDF writer wrote: the page
// and picture count, and the text, decoded through the fonts' ToUnicode
// maps. Glyphs are placed one by one, so the text comes without the blanks
// between words.
struct PdfSummary
{
    int pages = 0;
    int images = 0;
    QString text;
    QString title;
};

PdfSummary ReadPdf(const QByteArray& pdf);
