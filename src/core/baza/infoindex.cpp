#include "baza/infoindex.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "text/trimmedtext.h"

#include <algorithm>

namespace baza {

InfoIndex::InfoIndex(dbf::DbfTable& table, QObject* parent) : QObject(parent), m_table(table)
{
    connect(&table, &dbf::DbfTable::layoutReset, this, &InfoIndex::invalidate);
    connect(&table, &dbf::DbfTable::rowChanged, this, &InfoIndex::recordRewritten);
}

QList<int> InfoIndex::recordsOf(const QByteArray& trimmedInfo)
{
    if (!m_valid)
        build();
    return m_records.value(trimmedInfo);
}

void InfoIndex::build()
{
    m_records.clear();
    m_keyOf.assign(size_t(qMax(0, m_table.isOpen() ? m_table.physicalRecordCount() : 0)),
                   QByteArray());
    if (m_table.isOpen()) {
        const int count = m_table.physicalRecordCount();
        for (int recNo = 1; recNo <= count; ++recNo) {
            const int row = m_table.rowOfRecNo(recNo);
            if (row < 0)
                continue; // deleted
            QByteArray key = TrimmedBytes(m_table.rawAt(row, Info));
            m_records[key].append(recNo);
            m_keyOf[size_t(recNo - 1)] = std::move(key);
        }
    }
    m_valid = true;
}

void InfoIndex::recordRewritten(int row)
{
    if (!m_valid)
        return;
    const int recNo = m_table.physicalAt(row);
    if (recNo < 1 || size_t(recNo) > m_keyOf.size()) {
        m_valid = false;
        return;
    }
    QByteArray key = TrimmedBytes(m_table.rawAt(row, Info));
    QByteArray& old = m_keyOf[size_t(recNo - 1)];
    if (key == old)
        return;
    QList<int>& was = m_records[old];
    was.removeOne(recNo);
    if (was.isEmpty())
        m_records.remove(old);
    QList<int>& now = m_records[key];
    now.insert(std::lower_bound(now.begin(), now.end(), recNo), recNo);
    old = std::move(key);
}

} // namespace baza
