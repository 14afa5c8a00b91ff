#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <vector>

namespace dbf {
class DbfTable;
}

namespace baza {

// The records of each information page: trimmed info as the file holds it
// (Windows-1250 bytes) -> physical record numbers, ascending. Built on first
// use, kept true by every record the table rewrites, and built again after
// any change of the record set (append, delete, pack, reopen), so the result
// hand-back never walks the whole table.
class InfoIndex : public QObject
{
public:
    explicit InfoIndex(dbf::DbfTable& table, QObject* parent = nullptr);

    // Forget everything; the next lookup builds the index again.
    void invalidate() { m_valid = false; }
    // Physical record numbers whose trimmed info is these bytes.
    QList<int> recordsOf(const QByteArray& trimmedInfo);

private:
    void build();
    void recordRewritten(int row);

    dbf::DbfTable& m_table;
    bool m_valid = false;
    QHash<QByteArray, QList<int>> m_records;
    std::vector<QByteArray> m_keyOf; // by physical record number - 1
};

} // namespace baza
