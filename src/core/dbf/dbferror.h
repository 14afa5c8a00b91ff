#pragma once

#include "platform/programerror.h"

#include <QString>

namespace dbf {

// Errors of the table layer carry a Polish text that names the file and
// says what to do; the program's general error handler shows it as it
// stands. The kind lets a caller react to a held or damaged register
// without reading the text.
class DbfError : public ProgramError
{
public:
    enum class Kind { General, InUse, Damaged, Missing, Io };

    explicit DbfError(const QString& message, Kind kind = Kind::General)
        : ProgramError(message), m_kind(kind)
    {
    }
    Kind kind() const { return m_kind; }

    // The file is locked by another program or by another table object.
    static DbfError inUse(const QString& path);
    // The file is not a table we can read; reason: what is wrong with it.
    static DbfError damaged(const QString& path, const QString& reason);
    static DbfError missing(const QString& path);
    // An operating-system failure (errno) while opening, writing or
    // creating the file.
    static DbfError cannotOpen(const QString& path, int errorNumber);
    static DbfError cannotWrite(const QString& path, int errorNumber);
    // The new copy of the file cannot be made beside it (a folder the user
    // may not write in, a full disk).
    static DbfError cannotWriteIn(const QString& path, int errorNumber);
    static DbfError cannotCreate(const QString& path, const QString& reason);

private:
    Kind m_kind;
};

} // namespace dbf
