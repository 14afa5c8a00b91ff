#pragma once

#include "platform/programerror.h"

// An input/output failure with a readable (Polish) text naming the file.
// Like the table layer's errors, it is not caught by the operation that
// meets it: the general error handler shows it and the program goes on.
class FileError : public ProgramError
{
public:
    explicit FileError(const QString& message) : ProgramError(message) {}

    static FileError cannotRead(const QString& path, const QString& reason)
    {
        return FileError(QStringLiteral("Nie można odczytać pliku \"%1\": %2").arg(path, reason));
    }
    static FileError cannotWrite(const QString& path, const QString& reason)
    {
        return FileError(QStringLiteral("Nie można zapisać pliku \"%1\": %2").arg(path, reason));
    }
};
