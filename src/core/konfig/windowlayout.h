#pragma once

#include <QList>
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

} // namespace konfig
