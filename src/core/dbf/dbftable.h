#pragma once

#include "dbf/dbfformat.h"
#include "dbf/fielddef.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace dbf {

// A dBase level-7 table: one file, one cursor. The records are read from a
// mapping of the file, so opening costs little whatever the size; every post
// writes its record through to the file before it returns, so the file is
// never behind the screen.
//
// Opening reads the header only. The order of the visible records (which
// walks every record's deletion flag) is made when rows are first asked for;
// a record reached by its number (setRecNo, isLiveRecord) needs no order, so
// reading one record of a large register touches little more than that
// record. A table whose signals are connected (a grid) gets its order at
// open, and a damaged deletion flag is reported there; otherwise at the
// first use of the order, and at the latest before the first write: a table
// with a damaged flag is never written to.
//
// Cursor rules follow the usual dataset conventions: navigation moves over
// the visible (not deleted) records in the current order; Bof()/Eof() are set
// when a move runs against the first or last record; editing an empty table
// appends instead; moving away from an edited record posts it.
class DbfTable : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit DbfTable(QObject* parent = nullptr);
    ~DbfTable() override;

    // Creates an empty level-7 table (replacing nothing: an existing file is
    // an error). The file keeps the fields in the given order, names in
    // capitals.
    static void create(const QString& path, const FieldDefs& fields);

    void setFileName(const QString& path);
    QString fileName() const { return m_path; }

    // Exclusive access locks the file against every other opener (another
    // program or another table object); shared access lets other shared
    // openers in. Both may be changed only while the table is closed.
    void setExclusive(bool exclusive);
    bool exclusive() const { return m_exclusive; }
    void setReadOnly(bool readOnly);
    bool readOnly() const { return m_readOnly; }

    void open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // --- navigation ---
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const;
    int recordCount() const;          // visible records
    int physicalRecordCount() const;  // as the header counts them, deleted included
    int recNo() const;                // physical number (1-based) of the current record, 0 if none
    void setRecNo(int physical);

    // Position of the current record in the current order (the grid's row),
    // -1 when the table is empty or closed.
    int row() const;
    void setRow(int row);
    int physicalAt(int row) const;
    // Row of a physical record number, -1 when it is deleted or out of range.
    int rowOfRecNo(int physical) const;
    // Whether a physical record number is in range and not deleted (without
    // making the order); a damaged deletion flag throws DbfError.
    bool isLiveRecord(int physical) const;

    // --- editing ---
    void edit();
    void append();
    void post();
    void cancel();
    void deleteRecord();
    // Removes deleted records; the file is rewritten beside the old one and
    // replaces it in one rename. Needs exclusive access.
    void pack();

    // All or nothing for a run of appends (an import): between
    // beginBatch() and commitBatch() new records stay in memory; the commit
    // writes the whole new table beside the old one and renames it over it,
    // so a kill or a power loss leaves the old table or the complete new
    // one. A shared table takes its lock exclusively for the batch (refused
    // while another reader holds it). Only appends are allowed in a batch;
    // rollbackBatch() forgets them.
    void beginBatch();
    void commitBatch();
    void rollbackBatch();
    bool inBatch() const { return m_batch; }

    // --- fields ---
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef& fieldDef(int index) const;
    int fieldIndex(QStringView name) const; // case ignored; -1 when missing
    int fieldIndexOrThrow(QStringView name) const;

    // Values of the current record (of the edit buffer while editing).
    QString text(int field) const;
    QString text(QStringView name) const { return text(fieldIndexOrThrow(name)); }
    qint32 integer(int field) const;
    qint32 integer(QStringView name) const { return integer(fieldIndexOrThrow(name)); }
    double date(int field) const;
    double date(QStringView name) const { return date(fieldIndexOrThrow(name)); }
    bool isNull(int field) const;
    bool isNull(QStringView name) const { return isNull(fieldIndexOrThrow(name)); }

    void setText(int field, const QString& value);
    void setText(QStringView name, const QString& value) { setText(fieldIndexOrThrow(name), value); }
    void setInteger(int field, qint32 value);
    void setInteger(QStringView name, qint32 value) { setInteger(fieldIndexOrThrow(name), value); }
    void setDate(int field, double value);
    void setDate(QStringView name, double value) { setDate(fieldIndexOrThrow(name), value); }
    void setNull(int field);

    // Values of any row without moving the cursor (for the grid and for
    // table-wide searches). Rows are positions in the current order.
    QString textAt(int row, int field) const;
    qint32 integerAt(int row, int field) const;
    double dateAt(int row, int field) const;
    bool isNullAt(int row, int field) const;
    QByteArrayView rawAt(int row, int field) const; // the field's bytes as stored

    // Calls visit(row) for every row in the current order; visit reads the
    // row with textAt() and its kin. In physical order the part of the file
    // that the walk has left behind is given back to the system as it goes,
    // so a walk over a large register (100,000 records are about 100 MB)
    // holds one stretch of it in memory, not the whole file.
    void walkRows(const std::function<void(int row)>& visit) const;

    // --- sort order ---
    // A key expression is a field name or "DTOS(" + date field + ")". The
    // order lives in memory only; clearOrder() returns to physical order.
    void setOrder(const QString& keyExpression, bool descending);
    void clearOrder();
    QString orderExpression() const { return m_orderExpression; }
    bool orderDescending() const { return m_orderDescending; }

    quint32 nextAutoIncrement(int field) const;
    // Writes everything to stable storage (pack and import do it for the
    // files they write; in-place posts are left to the system).
    void sync();

Q_SIGNALS:
    // The set or the order of the visible records changed (open, close,
    // append, delete, pack, sort).
    void layoutReset();
    // One record was rewritten in place and kept its row.
    void rowChanged(int row);
    void currentRowChanged(int row);

private:
    using Field = format::Field;

    void requireOpen() const;
    void requireBrowse(const char* operation) const;
    void requireEditing() const;
    void requireWritable() const;
    void requireSoundFlags() const; // throws DbfError::damaged before a first write
    void checkBrowseMode(); // posts a pending edit before navigation
    const char* recordPtr(int physicalIndex) const;
    const char* currentPtr() const;
    char* bufferField(int field);
    const char* fieldPtrAt(int row, int field) const;
    [[noreturn]] void fail(const QString& what) const;
    void readFile();
    QByteArrayView mapFile();
    void remapRecords();
    char* ownedRecord(int physicalIndex); // null when the record lies in the mapping
    void rebuildOrder(int keepPhysical);
    void ensureOrder() const;
    // Gives back the memory of the mapped records [from, to) (the system
    // reads them again from the file when they are next used).
    void releaseRecords(int from, int to) const;
    int liveFrom(int index, int step) const; // first live record from index on, going by step; -1 when none
    bool isObserved() const;
    void emitCurrentRowChanged();
    void emitRowChanged();
    QByteArray sortKey(int physicalIndex) const;
    void setCursor(int row);
    void writeAt(qint64 offset, const char* data, qint64 size);
    void writeHeaderCounts();
    void touchHeaderDate();
    void removeReplacementLeftovers();
    void lockFile();
    void lockFileOrThrow(QFile& file, bool exclusive);
    void requireNoBatch() const;
    void adoptReplacement(std::unique_ptr<QFile> file);

    QString m_path;
    bool m_exclusive = false;
    bool m_readOnly = false;
    std::unique_ptr<QFile> m_file;
    State m_state = State::Inactive;

    QByteArray m_header; // header and descriptors as read (up to the header length)
    int m_headerLength = 0;
    int m_recordLength = 0;
    std::vector<Field> m_fields;
    // Physical records, m_recordLength bytes each: the first m_baseCount
    // where the file lies (mapped, or read into m_fileCopy where mapping is
    // not possible), those appended since in m_records.
    const char* m_base = nullptr;
    int m_baseCount = 0;
    QByteArray m_fileCopy;
    QByteArray m_records;
    int m_physicalCount = 0;

    // The cursor is the physical index of the current record (-1 when the
    // table is empty); while the order is not made, it is a live record
    // whenever the table has one.
    int m_current = -1;
    // Made on first use (ensureOrder); m_row is the cursor's row in it.
    mutable bool m_orderBuilt = false;
    mutable std::vector<int> m_order; // row -> physical index (0-based)
    mutable std::vector<int> m_rowOf; // physical index -> row, -1 when deleted
    mutable int m_row = -1;
    QString m_orderExpression;
    bool m_orderDescending = false;
    int m_orderField = -1;
    bool m_orderByDtos = false;

    bool m_bof = true;
    bool m_eof = true;
    QByteArray m_buffer; // the record being edited or inserted
    bool m_modified = false;

    bool m_batch = false;
    QByteArray m_batchHeader; // header before the batch, for a rollback
    int m_batchCount = 0;
};

} // namespace dbf
