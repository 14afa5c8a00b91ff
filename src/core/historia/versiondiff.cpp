#include "historia/versiondiff.h"

#include "historia/linediff.h"

namespace historia {
namespace {

QStringList linesOf(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace

VersionDiff DiffTexts(const QString& oldText, const QDate& oldDay, const QString& newText, const QDate& newDay,
                      const NoiseRules& rules)
{
    const QStringList oldLines = linesOf(oldText);
    const QStringList newLines = linesOf(newText);
    const ComparedLines a = CompareForm(oldLines, oldDay, rules);
    const ComparedLines b = CompareForm(newLines, newDay, rules);
    VersionDiff diff;
    for (const LineEdit& e : DiffLines(a.keys, b.keys)) {
        if (e.kind == LineEdit::Added) {
            diff.added << newLines[b.positions[e.newIndex]];
            diff.addedAt << b.positions[e.newIndex];
        } else if (e.kind == LineEdit::Removed)
            diff.removed << oldLines[a.positions[e.oldIndex]];
    }
    return diff;
}

bool SameContent(const QString& oldText, const QDate& oldDay, const QString& newText, const QDate& newDay,
                 const NoiseRules& rules)
{
    return CompareForm(linesOf(oldText), oldDay, rules).keys == CompareForm(linesOf(newText), newDay, rules).keys;
}

} // namespace historia
