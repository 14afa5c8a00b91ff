#pragma once

#include <QList>
#include <QString>

class Settings;
namespace dbf {
class DbfTable;
}

// The steps that edit the local copy of wykaz.txt. Files are read and
// written whole, Windows-1250 with CR LF; a file that cannot be read or
// written throws FileError. The table is read in its current order, row by
// row without moving its one cursor, and the cursor is left on the first
// record.
namespace publikacja {

// What publication needs of one marked record (kod 1, 2 or 3), read from
// the table before the work leaves the window's thread.
struct MarkedRecord
{
    int kod = 0;
    QString gmina;
    QString natura2000;
    QString info;
    double aktualizacja = 0;
    double dataKontroli = 0;
};

// The marked records in the table's current order (the grid's); the cursor
// ends on the first record.
QList<MarkedRecord> MarkedRecords(dbf::DbfTable& table);

struct AppendResult
{
    bool done = false;
    int count = 0; // entries appended
};

// Appends an entry for every marked record (kod 1, 2 or 3) at the end of
// the file, creating it when missing.
AppendResult AppendEntries(const QString& path, dbf::DbfTable& table);
AppendResult AppendEntries(const QString& path, const QList<MarkedRecord>& marked);

// With "usuń starsze wpisy gmin" ticked and the file present: removes the
// entries of every marked record's municipality and area (both trimmed).
void RemoveOlderEntries(const QString& path, dbf::DbfTable& table, const Settings& settings);
void RemoveOlderEntries(const QString& path, const QList<MarkedRecord>& marked, const Settings& settings);

// Removes every line that holds both texts (case-sensitive substrings, as
// written or HTML-escaped as MakeEntry writes them). An empty text occurs
// nowhere.
void RemoveEntriesOf(const QString& path, const QString& municipality, const QString& area);

// With "ogranicz liczbę wpisów do" ticked, a whole number N of at least 1
// as the entry count and the file present: keeps the first N non-empty
// lines, trimmed.
void ShortenList(const QString& path, const Settings& settings);

} // namespace publikacja
