#include "historia/versiondiff.h"

#include "historia/linediff.h"

#include <algorithm>

namespace historia {
namespace {

QStringList linesOf(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

struct Hunk
{
    QList<int> removed; // indices into the old compared lines
    QList<int> added;   // indices into the new compared lines
};

} // namespace

VersionDiff DiffTexts(const QString& oldText, const QDate& oldDay, const QString& newText, const QDate& newDay,
                      const NoiseRules& rules)
{
    const QStringList oldLines = linesOf(oldText);
    const QStringList newLines = linesOf(newText);
    const ComparedLines a = CompareForm(oldLines, oldDay, rules);
    const ComparedLines b = CompareForm(newLines, newDay, rules);
    VersionDiff diff;
    QList<int> added;   // new compared lines, page order
    QList<int> removed; // old compared lines
    QList<int> counted;
    auto settle = [&](Hunk& h) {
        // A removed line and an added one of the same shape, taken in
        // order, are one line that counted on, unless the new one tells
        // news.
        QList<bool> paired(h.added.size(), false);
        qsizetype from = 0;
        for (const int r : h.removed) {
            bool found = false;
            if (from < h.added.size()) {
                const QString shape = LineShape(a.keys[r], oldDay);
                for (qsizetype j = from; j < h.added.size(); ++j) {
                    const int n = h.added[j];
                    if (LineShape(b.keys[n], newDay) != shape ||
                        ReadsAsNews(oldLines[a.positions[r]], newLines[b.positions[n]], newDay))
                        continue;
                    paired[j] = true;
                    counted << n;
                    from = j + 1;
                    found = true;
                    break;
                }
            }
            if (!found)
                removed << r;
        }
        for (qsizetype j = 0; j < h.added.size(); ++j)
            if (!paired[j])
                added << h.added[j];
        h = Hunk();
    };
    Hunk hunk;
    for (const LineEdit& e : DiffLines(a.keys, b.keys)) {
        if (e.kind == LineEdit::Added)
            hunk.added << e.newIndex;
        else if (e.kind == LineEdit::Removed)
            hunk.removed << e.oldIndex;
        else if (!hunk.added.isEmpty() || !hunk.removed.isEmpty())
            settle(hunk);
    }
    settle(hunk);
    std::sort(added.begin(), added.end());
    std::sort(removed.begin(), removed.end());
    std::sort(counted.begin(), counted.end());
    for (const int n : added) {
        diff.added << newLines[b.positions[n]];
        diff.addedAt << b.positions[n];
    }
    for (const int r : removed)
        diff.removed << oldLines[a.positions[r]];
    for (const int n : counted)
        diff.counted << newLines[b.positions[n]];
    return diff;
}

bool SameContent(const QString& oldText, const QDate& oldDay, const QString& newText, const QDate& newDay,
                 const NoiseRules& rules)
{
    return DiffTexts(oldText, oldDay, newText, newDay, rules).isEmpty();
}

} // namespace historia
