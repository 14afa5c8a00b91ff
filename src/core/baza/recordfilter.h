#pragma once

#include <QString>

namespace baza {

// What a row's colour (its kod) means, in the words of the legend under the
// grid: the priority marks set by hand share 1 to 3 with the verdicts of a
// check. Empty for 0 and unknown values.
QString KodMeaning(int kod);

// The grid's filter: a record matches when every word of the filter occurs,
// regardless of case and Polish letters' case, in its municipality, area,
// voivodeship, remark or in the meaning of its kod. An empty filter matches
// everything.
bool RecordMatches(const QString& filter, const QString& gmina, const QString& natura2000,
                   const QString& wojewodztwo, const QString& uwagi, int kod);

} // namespace baza
