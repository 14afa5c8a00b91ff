#pragma once

#include "dbf/fielddef.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The byte layout of a dBase level-7 table file: the 68-byte header, the
// 48-byte field descriptors, the records and the end mark. Everything here
// works on bytes, so it can be tested without a file.
namespace dbf::format {

constexpr int kFileHeaderSize = 68;
constexpr int kDescriptorSize = 48;
constexpr char kDescriptorEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLive = ' ';
constexpr char kDeleted = '*';
constexpr int kAutoIncrementOffset = 42; // in a descriptor: next value, little-endian

quint16 readU16(const char* p);
quint32 readU32(const char* p);
void writeU16(char* p, quint16 v);
void writeU32(char* p, quint32 v);

struct Field
{
    FieldDef def;
    int offset = 0; // within the record, after the deletion flag
};

// What the header and the descriptors say.
struct Layout
{
    quint8 version = 0;
    quint32 count = 0; // records as the header counts them, deleted included
    int headerLength = 0;
    int recordLength = 0;
    std::vector<Field> fields;
};

// Reads the header and descriptors at the start of a file's bytes (at least
// the whole header must be there). A file that is not a level-7 table, or
// whose header contradicts itself, throws DbfError::damaged naming path.
Layout ParseHeader(QByteArrayView file, const QString& path);

// The number of records the file really holds, checked against its size:
// the counted records must all be there, and what follows may only be the
// end mark (or an append that never finished, see dbfformat.cpp). Anything
// else throws DbfError::damaged. The records' own bytes are not read.
quint32 CheckRecordArea(QByteArrayView file, const Layout& layout, const QString& path);

// Whether a record with this deletion flag is live (not deleted); any other
// flag than the two throws DbfError::damaged naming the record (0-based
// index) and path.
bool IsLiveFlag(char flag, qint64 index, const QString& path);

// CheckRecordArea() and every record's deletion flag. live, when given,
// receives the 0-based indexes of the records not marked deleted, in
// physical order.
quint32 CheckRecords(QByteArrayView file, const Layout& layout, const QString& path,
                     std::vector<int>* live = nullptr);

// Header and descriptors (with their terminator) of a new, empty table; the
// autoincrement fields start at 1. Invalid definitions throw DbfError.
QByteArray BuildHeader(const FieldDefs& fields, const QString& path);

// Header date := today (from the program's clock).
void StampDate(char* header);
void SetRecordCount(char* header, quint32 count);
quint32 NextAutoIncrement(const char* header, int field);
void SetNextAutoIncrement(char* header, int field, quint32 value);

} // namespace dbf::format
