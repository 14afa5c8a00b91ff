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
    table.first();
    const int count = table.recordCount();
    for (int i = 0; i < count; ++i) {
        // Continuing a pass keeps the verdicts of the records it has already
        // checked: their dates have moved on, so clearing their marks would
        // lose updates that were never published.
        const bool keepsVerdict = !resetChecked && !table.isNull(Z) && table.integer(Z) != 0;
        const qint32 kod = table.integer(Kod);
        const bool kodChanges =
            !keepsVerdict && (table.isNull(Kod) || (kod < KodTimedOut && kod != KodUnchanged));
        const bool zChanges = resetChecked && (table.isNull(Z) || table.integer(Z) != 0);
        // Records that keep their values are not written again.
        if (kodChanges || zChanges) {
            table.edit();
            if (kodChanges)
                table.setInteger(Kod, KodUnchanged);
            if (resetChecked)
                table.setInteger(Z, 0);
            table.post();
        }
        table.next();
    }
    table.first();
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
