#pragma once

#include "internet/hostconnections.h"

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class Settings;

namespace historia {
class HistoryStore;
struct PreparedVersion;
} // namespace historia

// Following the documents a page's new lines link to, in the check that
// found them: fetched over the pass's connections, one after another, with
// the pass's pause between two requests to one host, read (PDF, DOC, DOCX,
// ODT and RTF by their reader, a sub-page of the page's own site by the
// page's visible text), kept with the check and read for notices. A
// document that cannot be fetched or read is kept as failed, with why; it
// never changes the page's verdict.
namespace dokumenty {

struct Following
{
    bool on = false;
    // As the settings name them: "pdf", "doc", "docx", "odt", "rtf", and
    // "html" for sub-pages of the page's own site.
    QSet<QString> formats;
    int most = 10;          // documents per page and pass
    int hostPauseMs = 0;    // between two requests to one host
    int timeLimitSeconds = 0; // the check's own; 0: none
};

// What the settings say, with the pause the pass keeps (none when one page
// is checked at a time, as the pass itself keeps none then).
Following FollowingOf(const Settings& settings);

struct FollowContext
{
    QByteArray userAgent;
    HostConnectionsPtr connections;
    std::function<bool()> stopped; // the check was asked to stop
    // When the check's time runs out for documents: a document that would
    // go past it is not fetched (or its fetch is stopped), so that the page's
    // own result still comes back in time.
    QDeadlineTimer deadline{QDeadlineTimer::Forever};
    const historia::HistoryStore* history = nullptr; // to find documents read before; may be null
    QDateTime moment; // of the check
};

// The page's prepared version with its documents and the notices joined
// with theirs; the version itself when there is nothing to follow. Never
// throws.
std::shared_ptr<const historia::PreparedVersion> FollowDocuments(
    std::shared_ptr<const historia::PreparedVersion> page, const QString& pageAddress, const Following& following,
    const FollowContext& context);

// The time a check keeps for handing its result back after its documents.
inline constexpr int kHandBackReserveMs = 2500;

// The most a check keeps of its documents' bytes until the run writes them:
// ten documents at the page cap would hold hundreds of megabytes.
inline constexpr qint64 kMostDocumentBytesPerCheck = 64LL * 1024 * 1024;

} // namespace dokumenty
