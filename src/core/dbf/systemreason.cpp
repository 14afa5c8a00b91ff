#include "dbf/systemreason.h"

#include <cerrno>

namespace dbf {

QString SystemReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("brak pliku lub katalogu");
    case EACCES:
    case EPERM:
        return QStringLiteral("brak uprawnień do pliku lub katalogu");
    case EROFS:
        return QStringLiteral("dysk jest tylko do odczytu");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("brak miejsca na dysku");
    case EISDIR:
        return QStringLiteral("to jest katalog, a nie plik");
    case ENOTDIR:
        return QStringLiteral("część ścieżki nie jest katalogiem");
    case EEXIST:
        return QStringLiteral("plik już istnieje");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("otwartych jest zbyt wiele plików");
    case EIO:
        return QStringLiteral("błąd odczytu lub zapisu dysku");
    case ENAMETOOLONG:
        return QStringLiteral("za długa nazwa pliku");
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return QStringLiteral("plik jest zajęty");
    case 0:
        return QStringLiteral("nieznany błąd systemu");
    default:
        return QStringLiteral("błąd systemu nr %1").arg(errorNumber);
    }
}

} // namespace dbf
