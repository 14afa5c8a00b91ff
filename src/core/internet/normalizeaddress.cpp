#include "internet/normalizeaddress.h"

#include "text/trimmedtext.h"

namespace {

const QLatin1String kHttp("http://");
const QLatin1String kHttps("https://");

bool hasWebScheme(const QString& address)
{
    // Any letter case: "HTTP://" typed in capitals is still a scheme, and
    // doubling it would make the address unusable.
    return address.startsWith(kHttp, Qt::CaseInsensitive) || address.startsWith(kHttps, Qt::CaseInsensitive);
}

} // namespace

QString NormalizeAddress(const QString& address)
{
    const QString trimmed = TrimmedText(address);
    return hasWebScheme(trimmed) ? trimmed : kHttp + trimmed;
}

QString HostAsWritten(const QString& address)
{
    const QString normalized = NormalizeAddress(address);
    const qsizetype schemeEnd = normalized.indexOf(QLatin1String("://")) + 3;
    qsizetype hostEnd = normalized.size();
    for (const QChar end : {QLatin1Char('/'), QLatin1Char('?'), QLatin1Char('#')}) {
        const qsizetype at = normalized.indexOf(end, schemeEnd);
        if (at >= 0 && at < hostEnd)
            hostEnd = at;
    }
    return normalized.sliced(schemeEnd, hostEnd - schemeEnd);
}
