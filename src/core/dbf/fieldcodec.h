#pragma once

#include "dbf/dbfformat.h"

#include <QByteArray>
#include <QString>

// The values of one field as stored in a record: character fields in
// Windows-1250 padded with blanks, dates as YYYYMMDD, long integers
// big-endian with the sign bit inverted. p points at the field's first byte.
namespace dbf::codec {

void encodeInteger(char* p, qint32 value);
qint32 decodeInteger(const char* p); // four zero bytes (empty) read as 0

QString text(const format::Field& f, const char* p);
qint32 integer(const format::Field& f, const char* p);
double date(const format::Field& f, const char* p); // a date value; blank is the zero date
bool isNull(const format::Field& f, const char* p);

// Writers; a value that does not fit the field's type throws DbfError.
void setText(const format::Field& f, char* p, const QString& value);
void setInteger(const format::Field& f, char* p, qint32 value);
void setDate(const format::Field& f, char* p, double value);
void setNull(const format::Field& f, char* p);

// A new record: live, every field empty.
QByteArray blankRecord(const std::vector<format::Field>& fields, int recordLength);

// Bytes that compare as the field's values sort (Polish order for text, the
// number for integers, the calendar for dates, empty first).
QByteArray sortKey(const format::Field& f, const char* p);

} // namespace dbf::codec
