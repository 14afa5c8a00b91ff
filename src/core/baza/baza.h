#pragma once

#include "dbf/dbftable.h"

#include <QString>

namespace baza {

// Creates an empty register table with the fifteen fields. Called by
// OpenTable when the file is missing.
void CreateTable(const QString& path);

// The program's one table object and the table-wide operations on it. The
// main window (or the command line) owns it; the grid, the editor, the run
// and publication share its cursor.
class Baza
{
public:
    // directory: the data directory, with or without a trailing separator.
    explicit Baza(const QString& directory);

    dbf::DbfTable& table() { return m_table; }
    const dbf::DbfTable& table() const { return m_table; }

    QString directory() const { return m_directory; }
    QString dbfPath() const { return m_directory + QStringLiteral("baza.dbf"); }
    QString mdxPath() const { return m_directory + QStringLiteral("baza.mdx"); }

    // baza.mdx never outlives the program: removed at start, at every new
    // sort, before every run and at the end.
    void DeleteIndexFile();

    // Opens the table in shared access, creating it first when missing.
    void OpenTable();
    // Removes deleted records for good; leaves the table closed and shared.
    void PackTable();
    // The table as a run holds it: open exclusively (until the program
    // ends), physical order, deleted records removed for good. A table
    // without deleted records is packed already: its file is not rewritten
    // and stays as it was, byte for byte. On an error the table is left
    // closed and shared, as PackTable leaves it.
    void OpenPackedForRun();
    // Back to physical order; a left-over baza.mdx goes.
    void DropSortIndex();
    // Orders by a field (capitalised name as the grid titles show it):
    // dates by "DTOS(" + name + ")", the rest by the name.
    void SortBy(const QString& fieldName, bool descending);
    static QString SortExpression(const QString& fieldName);

    // edit; kod := value; post (on an empty table this adds a record).
    void SetPriorityMark(int value);
    // Every record back to the state of a record never examined.
    void ResetMeasures();
    // Position of the current record's voivodeship in the list, or -1.
    int VoivodeshipIndex() const;

    // End of the program: no order, closed, baza.mdx gone, packed. A window
    // that was refused the register (ClaimForWindow) leaves it alone.
    void ShutDown();

    // One window per register: two windows would each keep their own copy
    // of the records and overwrite each other's changes. The claim is held
    // until this object goes; false when another window holds it. Command
    // line readers and writers do not claim (they meet the table's locks).
    bool ClaimForWindow();
    bool holdsWindowClaim() const { return m_claimed; }
    // "Rejestr … jest otwarty w innym oknie programu…"
    QString OtherWindowText() const;

    // Back to shared access after a run, keeping the current record and the
    // order, so that readers (ekowarta-cli list, export) may read the idle
    // register. Nothing happens when the table is closed or already shared.
    void ShareTable();

    ~Baza();
    Baza(const Baza&) = delete;
    Baza& operator=(const Baza&) = delete;

private:
    QString m_directory;
    dbf::DbfTable m_table;
    int m_claim = -1;
    bool m_claimed = false;
    bool m_claimRefused = false;
};

} // namespace baza
