#include "internet/useragent.h"

#ifndef EKOWARTA_VERSION
#error "EKOWARTA_VERSION comes from the build (the project's version)"
#endif

QByteArray DefaultUserAgent()
{
    return QByteArrayLiteral("Ekowarta/" EKOWARTA_VERSION);
}

QByteArray UserAgentOf(const QString& configured)
{
    QByteArray agent;
    for (const QChar c : configured) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f)
            continue;
        agent += u < 0x80 ? char(u) : '?';
    }
    agent = agent.trimmed();
    return agent.isEmpty() ? DefaultUserAgent() : agent;
}
