#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

#include <optional>

namespace konfig {

// Where the user left the main window: its place and size, the two
// splitters and the grid's column widths. Kept in "okno.ini" beside
// config.ini, so that the settings file stays as other tools write it.
struct WindowLayout
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
    QList<int> splitter1;    // grid | bottom area
    QList<int> splitter2;    // error list | updated list
    QList<int> columnWidths; // one per field in file order, 0 = not known
};

QString WindowLayoutPath(const QString& dataDirectory);

// Nothing when the file is missing or its size is unusable (a first start).
std::optional<WindowLayout> LoadWindowLayout(const QString& path);

// False when the file cannot be written; losing the layout loses nothing else.
bool SaveWindowLayout(const QString& path, const WindowLayout& layout);

// The place and size of another window (section: the window's own, e.g.
// "Historia"), in the same file and the same keys as the main window's.
std::optional<QRect> LoadWindowPlace(const QString& path, const QString& section);
bool SaveWindowPlace(const QString& path, const QString& section, const QRect& place);

// A saved place fitted to the screen it opens on: the screen that holds
// its middle (else the one it overlaps most, else the primary one), no
// larger than that screen's free area and wholly on it, the window's frame
// (around the place) included. A place that fits is left as it is.
QRect FitToScreen(const QRect& place, const QList<QRect>& availableScreens, const QRect& primary,
                  const QMargins& frame = QMargins());

} // namespace konfig
