#include "baza/runmarks.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"

namespace baza {

int CountUnchecked(dbf::DbfTable& table)
{
    table.first();
    int n = 0;
    const int count = table.recordCount();
    for (int row = 0; row < count; ++row)
        if (table.integerAt(row, Z) == 0)
            ++n;
    table.first();
    return n;
}

void ResetMarks(dbf::DbfTable& table, bool resetChecked)
{
    const std::vector<MarkChange> changes = MarksToReset(table, resetChecked);
    WriteMarkChanges(table, changes, 0, changes.size(), resetChecked);
    table.first();
}

std::vector<MarkChange> MarksToReset(dbf::DbfTable& table, bool resetChecked)
{
    table.first(); // a pending edit is posted first, as any move would
    // The numbers are taken before anything is written: a record rewritten
    // under a sort order by kod or z would move and skew a walk by rows.
    std::vector<MarkChange> changes;
    const int count = table.recordCount();
    for (int row = 0; row < count; ++row) {
        const bool zNull = table.isNullAt(row, Z);
        const qint32 z = zNull ? 0 : table.integerAt(row, Z);
        // Continuing a pass keeps the verdicts of the records it has already
        // checked: their dates have moved on, so clearing their marks would
        // lose updates that were never published.
        const bool keepsVerdict = !resetChecked && !zNull && z != 0;
        const bool kodNull = table.isNullAt(row, Kod);
        const qint32 kod = table.integerAt(row, Kod);
        const bool kodChanges = !keepsVerdict && (kodNull || (kod < KodTimedOut && kod != KodUnchanged));
        const bool zChanges = resetChecked && (zNull || z != 0);
        if (kodChanges || zChanges)
            changes.push_back({table.physicalAt(row), kodChanges});
    }
    return changes;
}

void WriteMarkChanges(dbf::DbfTable& table, const std::vector<MarkChange>& changes, size_t from, size_t to,
                      bool resetChecked)
{
    for (size_t i = from; i < to && i < changes.size(); ++i) {
        table.setRecNo(changes[i].recNo);
        table.edit();
        if (changes[i].kod)
            table.setInteger(Kod, KodUnchanged);
        if (resetChecked)
            table.setInteger(Z, 0);
        table.post();
    }
}

void StoreVerdict(dbf::DbfTable& table, int recNo, const PageVerdict& verdict)
{
    table.setRecNo(recNo);
    table.edit();
    table.setDate(Aktualizacja, verdict.pageDate);
    table.setDate(DataKontroli, verdict.checkDate);
    table.setInteger(Size, verdict.size);
    table.setInteger(Row, verdict.lineCount);
    table.setInteger(Tag, verdict.textLength);
    table.setInteger(Kod, verdict.kod);
    table.setText(Uwagi, verdict.uwagi);
    table.setInteger(Z, 1);
    table.post();
}

qint32 StoreReadError(dbf::DbfTable& table, int recNo, const QString& message)
{
    table.setRecNo(recNo);
    table.edit();
    table.setInteger(Kod, KodReadError);
    table.setInteger(Z, 1);
    table.setText(Uwagi, message);
    table.post();
    return table.integer(LP);
}

qint32 MarkTimedOut(dbf::DbfTable& table, int recNo)
{
    table.setRecNo(recNo);
    table.edit();
    table.setInteger(Kod, KodTimedOut);
    table.setText(Uwagi, QStringLiteral("Problem z odczytem strony (przekroczony czas)"));
    table.setInteger(Z, 1);
    table.post();
    return table.integer(LP);
}

} // namespace baza
