#pragma once

#include "dbf/fielddef.h"

#include <QString>

// The register's fifteen fields in file order. Positions are file positions:
// a reader by position always gets the same field, whatever the grid shows.
namespace baza {

enum Field : int {
    LP = 0,
    Gmina,
    Natura2000,
    Wojewodztwo,
    Aktualizacja,
    DataKontroli,
    Size,
    Row,
    Tag,
    Kod,
    Dom,
    Info,
    Bip,
    Uwagi,
    Z,
    FieldCount
};

// Names as declared at creation; the file keeps them in capitals and
// lookups ignore case.
QString FieldName(int field);

dbf::FieldDefs RegisterFields();

// Values of kod.
enum Kod : int {
    KodUnchanged = 0,
    KodSizeChanged = 1,
    KodRowsChanged = 2,
    KodNewDate = 3,
    KodTimedOut = 4,
    KodReadError = 5,
};

// Published records: kod 1, 2 or 3.
inline bool IsMarked(int kod)
{
    return kod > 0 && kod < 4;
}

} // namespace baza
