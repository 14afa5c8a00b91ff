#pragma once

#include <QString>

namespace baza {

// The grid's filter: a record matches when every word of the filter occurs,
// regardless of case and Polish letters' case, in its municipality, area,
// voivodeship, remark or in what its row's colour means (the long text of a
// coloured kod: the legend's words; an uncoloured row, most of the register,
// adds no words that a name typed in part would hit). An empty filter
// matches everything.
bool RecordMatches(const QString& filter, const QString& gmina, const QString& natura2000,
                   const QString& wojewodztwo, const QString& uwagi, int kod);

} // namespace baza
