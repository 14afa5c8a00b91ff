#pragma once

#include <QString>

#include <vector>

namespace dbf {
class DbfTable;
}

// The table walks of a monitoring run, beside the register's other
// table-wide operations. They go through the one cursor, in physical
// order, on the main thread.
namespace baza {

// Records whose z is 0; the cursor ends on the first record.
int CountUnchecked(dbf::DbfTable& table);

// From the first record: kod below 4 becomes 0 and, with resetChecked, z
// becomes 0 (a new pass). Without it (a pass continued) the records already
// checked in the pass keep their verdicts. Ends on the first record.
void ResetMarks(dbf::DbfTable& table, bool resetChecked);

// ResetMarks in two halves, so that a large register may be written over
// several turns of the event loop: the records it changes, read without
// moving the cursor (a pending edit is posted first), then the writes of
// changes [from, to). Records that keep their values are not written again.
struct MarkChange
{
    int recNo = 0;     // physical number
    bool kod = false;  // kod becomes 0
};
std::vector<MarkChange> MarksToReset(dbf::DbfTable& table, bool resetChecked);
void WriteMarkChanges(dbf::DbfTable& table, const std::vector<MarkChange>& changes, size_t from, size_t to,
                      bool resetChecked);

// The verdict of a page that was read, as every record of that page gets it.
struct PageVerdict
{
    double pageDate = 0;  // Aktualizacja
    double checkDate = 0; // DataKontroli
    qint32 size = 0;
    qint32 lineCount = 0;  // row
    qint32 textLength = 0; // tag
    qint32 kod = 0;
    QString uwagi;
};

// Writes the verdict into the record recNo (physical number) and marks it
// checked.
void StoreVerdict(dbf::DbfTable& table, int recNo, const PageVerdict& verdict);

// A page that could not be read: only the dispatched record gets kod 5 and
// the message; its dates and measures stay. Returns the record's LP.
qint32 StoreReadError(dbf::DbfTable& table, int recNo, const QString& message);

// A check that took longer than its limit: kod 4, its remark, checked.
// Returns the record's LP.
qint32 MarkTimedOut(dbf::DbfTable& table, int recNo);

} // namespace baza
