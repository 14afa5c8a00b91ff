#include "platform/version.h"

#if !defined(EKOWARTA_VERSION) || !defined(EKOWARTA_BUILD_DATE)
#error "EKOWARTA_VERSION and EKOWARTA_BUILD_DATE come from the build"
#endif

namespace Version {

QString Number()
{
    return QStringLiteral(EKOWARTA_VERSION);
}

QString BuildDate()
{
    return QStringLiteral(EKOWARTA_BUILD_DATE);
}

QString Line(const QString& program)
{
    return QStringLiteral("%1 %2 (zbudowano %3)").arg(program, Number(), BuildDate());
}

} // namespace Version
