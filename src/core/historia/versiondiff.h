#pragma once

#include "historia/noiserules.h"

#include <QDate>
#include <QString>
#include <QStringList>

// What changed in a page's visible text between two versions: the lines
// added and removed, each as the page shows it, in page order. Noise lines
// do not count (NoiseRules); a line that only counted on (the same words in
// the same place, other numbers or another day: LineShape) is neither
// added nor removed but listed apart, as a counter ("licznik").
namespace historia {

struct VersionDiff
{
    QStringList added;
    QStringList removed;
    QList<int> addedAt; // where each added line stands in the new text's lines
    QStringList counted; // the new text's lines that only counted on, in page order

    // Counters aside: nothing was added or removed.
    bool isEmpty() const { return added.isEmpty() && removed.isEmpty(); }
};

VersionDiff DiffTexts(const QString& oldText, const QDate& oldDay, const QString& newText, const QDate& newDay,
                      const NoiseRules& rules);

// True when the two texts are the same once the noise is taken out.
bool SameContent(const QString& oldText, const QDate& oldDay, const QString& newText, const QDate& newDay,
                 const NoiseRules& rules);

} // namespace historia
