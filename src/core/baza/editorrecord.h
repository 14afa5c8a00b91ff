#pragma once

#include "text/datevalue.h"

#include <QString>

namespace dbf {
class DbfTable;
}

namespace baza {

// The part of a municipality record that a person types: the record
// editor's controls, a row of an imported file, the command line's "add".
// Texts stay as typed; the voivodeship is its list position (-1: none).
struct EditorRecord
{
    QString gmina;
    QString natura2000;
    int voivodeship = -1;
    double aktualizacja = datevalue::kZeroDate;
    double dataKontroli = datevalue::kZeroDate;
    QString dom;
    QString info;
    QString bip;
};

// The current record as the editor shows it; an empty record on an empty
// or closed table.
EditorRecord ReadCurrentRecord(const dbf::DbfTable& table);

// "Zmień": edit, the typed fields, kod 0 only where it is empty, post. The
// measures, uwagi and z stay. On an empty table this adds a record.
void WriteCurrentRecord(dbf::DbfTable& table, const EditorRecord& record);

// "Dodaj": append, the typed fields, kod 0, post. The new record becomes
// the current one; its measures, uwagi and z stay empty so that the next
// run checks it.
void AppendRecord(dbf::DbfTable& table, const EditorRecord& record);

} // namespace baza
