#pragma once

#include <QList>
#include <QStringList>

// The shortest edit script between two lists of lines (Myers' O(ND)
// algorithm in linear space): which lines of the new list were added and
// which of the old one removed. Order and repeats count, unlike a set
// difference: a line moved elsewhere is removed and added, a line that
// appears once more is added once.
namespace historia {

struct LineEdit
{
    enum Kind { Same, Removed, Added };
    Kind kind = Same;
    int oldIndex = -1; // position in the old list (Same, Removed)
    int newIndex = -1; // position in the new list (Same, Added)

    friend bool operator==(const LineEdit&, const LineEdit&) = default;
};

QList<LineEdit> DiffLines(const QStringList& oldLines, const QStringList& newLines);

} // namespace historia
