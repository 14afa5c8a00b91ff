#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// The date finder knows Polish month names as Windows-1250 bytes, while
// pages come in UTF-8 and ISO-8859-2 as well. These functions find out how a
// page is encoded and give the finder its lines in Windows-1250. The page's
// measures (size, lines, text length) are taken from the raw bytes, not from
// these converted lines.

// The charset parameter of a Content-Type value, lower-case; empty if none.
QByteArray CharsetFromContentType(QByteArrayView contentType);

// The charset of the first <meta charset=…> or <meta http-equiv=…
// content="…; charset=…"> in the page, lower-case; empty if none.
QByteArray CharsetFromMeta(const QList<QByteArray>& lines);

// How the page is encoded: the Content-Type header's charset, else the
// page's own <meta> declaration, else "utf-8" when the bytes are valid UTF-8
// with non-ASCII characters in them; empty when nothing tells.
QByteArray PageCharset(const QString& contentType, const QList<QByteArray>& lines);

// The lines converted from the page's charset to Windows-1250 (characters
// the code page lacks become '?'). Lines of an unknown or undetectable
// charset, or already in Windows-1250, are returned as they are.
QList<QByteArray> LinesAsCp1250(const QList<QByteArray>& lines, const QString& contentType);

// Converts the lines from the named charset; unknown names leave them as they are.
QList<QByteArray> ConvertLinesToCp1250(const QList<QByteArray>& lines, QByteArrayView charset);

// The same, over a whole page's bytes (up to its first NUL), for the page
// check: nothing is split into separate lines.
QByteArray CharsetFromMetaInPage(QByteArrayView page);
QByteArray PageCharsetOf(const QString& contentType, QByteArrayView page);

// Whether text in this charset reads differently from Windows-1250 bytes.
bool CharsetNeedsConversion(QByteArrayView charset);

// One line at a time from the named charset to Windows-1250, as
// PageAsCp1250 converts each line (a line break or NUL that a conversion
// would bring in becomes '?'). Unknown names leave lines as they are.
class LineConverter
{
public:
    explicit LineConverter(QByteArrayView charset);
    ~LineConverter();
    LineConverter(const LineConverter&) = delete;
    LineConverter& operator=(const LineConverter&) = delete;
    // Valid until the next call.
    QByteArrayView line(QByteArrayView line);
    // A line of ASCII bytes comes out as it went in (UTF-8, ISO-8859-2;
    // not so for every charset a decoder knows).
    bool keepsAscii() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The page's lines converted from the named charset to Windows-1250, one
// after another, each ended by LF (a line break or NUL that a conversion
// would bring into a line becomes '?', so the lines stay the same lines).
// Unknown names give the page's lines unconverted.
QByteArray PageAsCp1250(QByteArrayView page, QByteArrayView charset);
