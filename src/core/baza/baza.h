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

    // End of the program: no order, closed, baza.mdx gone, packed.
    void ShutDown();

private:
    QString m_directory;
    dbf::DbfTable m_table;
};

} // namespace baza
