#include "internet/httpstatustext.h"

#include <QHash>

namespace {

const QHash<int, QString>& reasonPhrases()
{
    // The wording (and letter case) is the one users know from the program's
    // earlier reports, not the current RFC phrases.
    static const QHash<int, QString> phrases = {
        {100, QStringLiteral("Continue")},
        {101, QStringLiteral("Switching Protocols")},
        {200, QStringLiteral("OK")},
        {201, QStringLiteral("Created")},
        {202, QStringLiteral("Accepted")},
        {203, QStringLiteral("Non-Authoritative Information")},
        {204, QStringLiteral("No Content")},
        {205, QStringLiteral("Reset Content")},
        {206, QStringLiteral("Partial Content")},
        {300, QStringLiteral("Multiple Choices")},
        {301, QStringLiteral("Moved Permanently")},
        {302, QStringLiteral("Found")},
        {303, QStringLiteral("See Other")},
        {304, QStringLiteral("Not Modified")},
        {305, QStringLiteral("Use Proxy")},
        {307, QStringLiteral("Temporary Redirect")},
        {400, QStringLiteral("Bad Request")},
        {401, QStringLiteral("Unauthorized")},
        {402, QStringLiteral("Payment Required")},
        {403, QStringLiteral("Forbidden")},
        {404, QStringLiteral("Not Found")},
        {405, QStringLiteral("Method not allowed")},
        {406, QStringLiteral("Not acceptable")},
        {407, QStringLiteral("Proxy Authentication Required")},
        {408, QStringLiteral("Request Time-Out")},
        {409, QStringLiteral("Conflict")},
        {410, QStringLiteral("Gone")},
        {411, QStringLiteral("Length Required")},
        {412, QStringLiteral("Precondition Failed")},
        {413, QStringLiteral("Request Entity Too Large")},
        {414, QStringLiteral("Request URI Too Large")},
        {415, QStringLiteral("Unsupported Media Type")},
        {416, QStringLiteral("Requested range not satisfiable")},
        {417, QStringLiteral("Expectation Failed")},
        {500, QStringLiteral("Internal Server Error")},
        {501, QStringLiteral("Not Implemented")},
        {502, QStringLiteral("Bad Gateway")},
        {503, QStringLiteral("Service Unavailable")},
        {504, QStringLiteral("Gateway Time-Out")},
        {505, QStringLiteral("HTTP Version Not Supported")},
    };
    return phrases;
}

} // namespace

QString HttpStatusText(const QString& code)
{
    bool ok = false;
    int value = code.toInt(&ok);
    if (!ok)
        value = 0;
    return reasonPhrases().value(value, QStringLiteral("Unknown error"));
}
