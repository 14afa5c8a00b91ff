#pragma once

#include <QByteArray>
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
// taken as it is; everything else is parsed as HTML5.
QString VisibleText(QByteArrayView body, QByteArrayView charset, const QString& contentType);

} // namespace historia
