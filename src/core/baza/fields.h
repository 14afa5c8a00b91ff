#pragma once

#include "baza/checkcode.h"
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

// The stored numbers of kod, for code that writes the field (CheckCode
// names the values and says what each shows).
enum Kod : int {
    KodUnchanged = int(CheckCode::Unchanged),
    KodSizeChanged = int(CheckCode::SizeChanged),
    KodRowsChanged = int(CheckCode::RowsChanged),
    KodNewDate = int(CheckCode::NewDate),
    KodTimedOut = int(CheckCode::TimedOut),
    KodReadError = int(CheckCode::ReadError),
};

// Published records: kod 1, 2 or 3.
inline bool IsMarked(int kod)
{
    return kod > 0 && kod < 4;
}

} // namespace baza
