#pragma once

#include <QList>
#include <QString>

namespace dbf {

enum class FieldType : char {
    AutoIncrement = '+',
    Character = 'C',
    Date = 'D',
    Integer = 'I',
    // Read from foreign level-7 files, never created by us.
    Numeric = 'N',
    Float = 'F',
    Logical = 'L',
    Memo = 'M',
    Timestamp = '@',
    Double = 'O',
    Binary = 'B',
    General = 'G',
};

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Character;
    int width = 0; // bytes in the record; date 8, integer and autoincrement 4
    int decimals = 0;
    // Declared "not null" in the creation request. The file keeps no
    // properties block, so the flag does not survive in the file and the
    // layer does not enforce it (the register's editor does).
    bool required = false;
};

using FieldDefs = QList<FieldDef>;

} // namespace dbf
