#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace baza {
class Baza;
}
namespace dbf {
class DbfTable;
}

// Taking the register out as a CSV file for a spreadsheet: a header row of
// the fifteen field names, then the visible records in the table's current
// order with every field in file order. UTF-8 with a byte order mark (so
// that spreadsheets recognise it), semicolons (the list separator of
// Polish spreadsheets), CR LF. Dates as YYYY-MM-DD, the zero date and an
// empty number as empty cells. Its Gmina … bip columns import back as the
// same register.
namespace wymiana {

QByteArray RegisterCsv(const dbf::DbfTable& table);
// The same, handed over a line at a time.
void WriteRegisterCsv(const dbf::DbfTable& table, const std::function<void(const QByteArray&)>& write);

// Writes the file in one step (a failure leaves an existing file as it
// was); returns the number of records. Refuses the register's own files.
// Throws FileError.
int ExportRegister(const baza::Baza& baza, const QString& path);

} // namespace wymiana
