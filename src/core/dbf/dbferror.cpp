#include "dbf/dbferror.h"

#include "platform/systemerror.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace dbf {
namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

DbfError DbfError::inUse(const QString& path)
{
    return DbfError(QStringLiteral("Plik bazy %1 jest używany przez inny program lub okno. Zamknij je i "
                                   "spróbuj ponownie.")
                        .arg(shown(path)),
                    Kind::InUse);
}

DbfError DbfError::damaged(const QString& path, const QString& reason)
{
    return DbfError(QStringLiteral("Plik bazy %1 jest uszkodzony: %2. Program go nie zmienia; odtwórz go z "
                                   "kopii zapasowej.")
                        .arg(shown(path), reason),
                    Kind::Damaged);
}

DbfError DbfError::missing(const QString& path)
{
    return DbfError(QStringLiteral("Brak pliku lub katalogu %1").arg(shown(path)), Kind::Missing);
}

DbfError DbfError::cannotOpen(const QString& path, int errorNumber)
{
    if (errorNumber == ENOENT)
        return missing(path);
    return DbfError(QStringLiteral("Nie można otworzyć pliku bazy %1: %2.").arg(shown(path), SystemError::Reason(errorNumber)),
                    Kind::Io);
}

DbfError DbfError::cannotWrite(const QString& path, int errorNumber)
{
    return DbfError(QStringLiteral("Nie można zapisać pliku bazy %1: %2. Sprawdź miejsce na dysku i "
                                   "uprawnienia do pliku.")
                        .arg(shown(path), SystemError::Reason(errorNumber)),
                    Kind::Io);
}

DbfError DbfError::cannotWriteIn(const QString& path, int errorNumber)
{
    const QString folder = QFileInfo(path).absolutePath();
    return DbfError(QStringLiteral("Nie można zapisać pliku bazy %1: %2.").arg(shown(path), SystemError::FolderReason(errorNumber, folder)),
                    Kind::Io);
}

DbfError DbfError::cannotCreate(const QString& path, const QString& reason)
{
    return DbfError(QStringLiteral("Nie można utworzyć pliku bazy %1: %2.").arg(shown(path), reason), Kind::Io);
}

} // namespace dbf
