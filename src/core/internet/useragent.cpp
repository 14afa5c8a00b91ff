#include "internet/useragent.h"

#ifndef EKOWARTA_VERSION
#error "EKOWARTA_VERSION comes from the build (the project's version)"
#endif

QByteArray DefaultUserAgent()
{
    return QByteArrayLiteral("Ekowarta/" EKOWARTA_VERSION);
}
