#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What a reader sees of a page: its text without scripts, styles and
// markup, entities decoded, one line per block (paragraph, list item, table
// row, heading, line break), blanks collapsed, empty lines left out. This
// is what the history compares, so that a change in markup alone is not
// news.
namespace historia {

// The body decoded from charset ("utf-8", "windows-1250", "iso-8859-2", any
// name the system can decode). An unknown or empty charset means UTF-8 when
// the bytes are valid UTF-8, else Windows-1250, the code page of Polish pages.
QString DecodeBody(QByteArrayView body, QByteArrayView charset);

// The visible text of a page, lines joined by '\n'. A text/plain page is
// taken as it is; everything else is parsed as HTML: as HTML5 into a tree
// (gumbo) up to kTreeParseLimit bytes, above that by libxml2's HTML parser in
// pieces without a tree, because a tree takes ten times and more the page's
// size in memory. Both follow the same rules of what a reader sees and give
// the same text for the pages municipalities write; they may differ on
// badly broken markup.
QString VisibleText(QByteArrayView body, QByteArrayView charset, const QString& contentType);

// Municipal pages are well below this.
inline constexpr qsizetype kTreeParseLimit = 2 * 1024 * 1024;

enum class HtmlParser { BySize, Tree, Stream };

// A link of the page (an a element with an href) as a reader sees it: on
// which line of the visible text it stands (the index of the line its text
// begins on; a link without text belongs to the line that follows), where it
// points as written, and its text.
struct LineLink
{
    int line = 0;
    QString href;
    QString text;
};

// The same as UTF-8 bytes, held once; the parser chosen by size unless the
// caller (a test) names one. With links, the page's links are gathered in
// the same reading (none for a text/plain page).
QByteArray VisibleTextUtf8(QByteArrayView body, QByteArrayView charset, const QString& contentType,
                           HtmlParser parser = HtmlParser::BySize, QList<LineLink>* links = nullptr);

} // namespace historia
