#pragma once

#include "internet/hostconnections.h"

#include <QByteArray>
#include <QString>

#include <functional>

// One linked document downloaded into memory, by the rules of a page
// request: the pass's connection to its host, the program's User-Agent,
// redirections followed, the page cap (kMaxPageBytes) on what it may bring.
namespace dokumenty {

struct DocumentRequest
{
    QString address; // absolute
    QByteArray userAgent;
    HostConnectionsPtr connections; // none: a connection of its own
    // True stops the transfer at once (a stopped run, the check's time).
    std::function<bool()> cancelled;
};

struct FetchedDocument
{
    bool ok = false;
    QByteArray bytes;
    QByteArray contentType; // as the answer gave it; empty when none
    int httpCode = 0;
    int retryAfterSeconds = -1; // of a 429 or 503 answer; else -1
    bool cancelled = false;
    QString reason; // Polish, when not ok
};

// Runs on a check's thread; shares nothing with other calls.
FetchedDocument FetchDocument(const DocumentRequest& request);

// The host as politeness counts it (PolitenessHost).
QString HostOf(const QString& address);

} // namespace dokumenty
