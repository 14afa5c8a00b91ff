#include "baza/editorrecord.h"

#include "baza/fields.h"
#include "baza/voivodeships.h"
#include "dbf/dbftable.h"
#include "text/trimmedtext.h"

namespace baza {
namespace {

void setTypedFields(dbf::DbfTable& table, const EditorRecord& record)
{
    table.setText(Gmina, record.gmina);
    table.setText(Natura2000, record.natura2000);
    table.setText(Wojewodztwo, VoivodeshipName(record.voivodeship));
    table.setDate(Aktualizacja, record.aktualizacja);
    table.setDate(DataKontroli, record.dataKontroli);
    table.setText(Dom, record.dom);
    table.setText(Info, record.info);
    table.setText(Bip, record.bip);
}

} // namespace

EditorRecord ReadCurrentRecord(const dbf::DbfTable& table)
{
    EditorRecord record;
    if (!table.isOpen() || table.isEmpty())
        return record;
    // By file position, as the grid's columns are numbered.
    record.gmina = table.text(Gmina);
    record.natura2000 = table.text(Natura2000);
    record.voivodeship = VoivodeshipPosition(table.text(Wojewodztwo));
    record.aktualizacja = table.date(Aktualizacja);
    record.dataKontroli = table.date(DataKontroli);
    record.dom = table.text(Dom);
    record.info = table.text(Info);
    record.bip = table.text(Bip);
    return record;
}

void WriteCurrentRecord(dbf::DbfTable& table, const EditorRecord& record)
{
    table.edit();
    setTypedFields(table, record);
    // A mark or a check result already in kod is kept.
    if (TrimmedText(table.text(Kod)).isEmpty())
        table.setInteger(Kod, KodUnchanged);
    table.post();
}

void AppendRecord(dbf::DbfTable& table, const EditorRecord& record)
{
    table.append();
    setTypedFields(table, record);
    table.setInteger(Kod, KodUnchanged);
    table.post();
}

} // namespace baza
