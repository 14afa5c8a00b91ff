#include "kontrola/tpobierz.h"

#include "historia/historyreader.h"
#include "historia/packing.h"
#include "historia/preparedversion.h"
#include "kontrola/downloadpage.h"
#include "kontrola/pagemeasure.h"
#include "platform/clock.h"
#include "platform/fileerror.h"
#include "platform/livethreads.h"
#include "text/datevalue.h"
#include "text/textfile.h"
#include "text/trimmedtext.h"

#include <QDir>
#include <QFile>
#include <QThreadPool>

#include <utility>

namespace {

TPobierz::HandBackGate handBackGate;

// The checks' threads: as many as checks run at once, kept a while after
// their check for the next one. Never a queue: a check that waited for a
// thread would be timed while it waits. Never destroyed, so that the
// program's end never waits for a check still out (see LiveThreads).
QThreadPool& checkThreads()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setObjectName(QStringLiteral("TPobierz"));
        p->setMaxThreadCount(1 << 16);
        p->setExpiryTimeout(60000);
        return p;
    }();
    return *pool;
}

// The server may answer "not changed" only when the record still holds the
// measures of the page's last good check: after a reset of the measures, or
// for a record that shares the page but was never measured with it, the
// page is read whole.
bool recordHoldsMeasuresOf(const historia::StoredCheck& last, const PageCheck& check)
{
    if (last.size != check.storedSize || last.lines != check.storedRow)
        return false;
    return !last.foundDate.isValid() || datevalue::fromDate(last.foundDate) == check.storedDate;
}

bool mayAskForChangesOnly(const historia::StoredCheck& last, const PageCheck& check)
{
    if (last.etag.isEmpty() && last.lastModified.isEmpty())
        return false;
    return recordHoldsMeasuresOf(last, check);
}

// The last day on which the page's last good check measures what its bytes
// measure now: as that check found (its earliest date not past yet, at most
// its year's end), or the day of the check when it did not say.
bool measuresStillStand(const historia::StoredCheck& last)
{
    const QDate until = last.sameUntil.isValid() ? last.sameUntil : last.moment.date();
    return Clock::now().date() <= until;
}

// The bytes of the page's last good check, with a date found then and its
// measures still in the record, while none of its dates has become past
// since: the lines, the text and the dates are the same, so the page
// measures what it measured then and nothing is searched again.
bool sameBytesMeasureTheSame(const QByteArray& body, const historia::StoredCheck& last, const PageCheck& check)
{
    if (!last.hasBody() || !last.foundDate.isValid() || last.size != body.size())
        return false;
    if (!measuresStillStand(last) || !recordHoldsMeasuresOf(last, check))
        return false;
    return historia::Sha256Hex(body) == last.sha256;
}

} // namespace

void TPobierz::SetHandBackGate(HandBackGate gate)
{
    handBackGate = std::move(gate);
}

TPobierz::TPobierz(const QString& name, const QString& address, qint32 recordNumber, qint32 storedSize,
                   qint32 storedRow, qint32 storedTag, double storedDate, double storedCheckDate,
                   const QString& workDirectory, PageCheckReceiver* receiver, const QByteArray& userAgent,
                   HostConnectionsPtr connections, const dokumenty::Following& following)
    : m_workDirectory(workDirectory), m_userAgent(userAgent), m_connections(std::move(connections)),
      m_following(following), m_receiver(receiver)
{
    m_started.start();
    m_check.name = name;
    m_check.address = address;
    m_check.recordNumber = recordNumber;
    m_check.storedSize = storedSize;
    m_check.storedRow = storedRow;
    m_check.storedTag = storedTag;
    m_check.storedDate = storedDate;
    m_check.storedCheckDate = storedCheckDate;
    connect(this, &TPobierz::finished, this, &QObject::deleteLater);
    LiveThreads::started();
    checkThreads().start([this] {
        run();
        m_finished.store(true);
        // The last touch of this object on the worker's thread: the rest
        // happens on its own thread.
        QMetaObject::invokeMethod(this, [this] { Q_EMIT finished(); }, Qt::QueuedConnection);
    });
}

TPobierz::~TPobierz()
{
    LiveThreads::finished();
}

QString TPobierz::TemporaryFileName(qint32 recordNumber)
{
    return QStringLiteral("plik_") + QString::number(recordNumber) + QStringLiteral(".tmp");
}

void TPobierz::run()
{
    m_check.matchAddress = TrimmedText(m_check.address);
    const QString tempFile = QDir(m_workDirectory).filePath(TemporaryFileName(m_check.recordNumber));
    // The page's last good check: what to ask the server, and what the new
    // version is compared with.
    historia::HistoryReader history = historia::HistoryReader::Open(m_workDirectory);
    std::optional<historia::StoredCheck> previous;
    if (history) {
        try {
            previous = history->LastGoodCheck(m_check.matchAddress);
        } catch (const historia::HistoryError&) {
            history.discard(); // nothing to compare, nothing to ask
        }
    }
    try {
        PageRequest request;
        request.address = m_check.address;
        request.tempFileName = tempFile;
        request.userAgent = m_userAgent;
        request.connections = m_connections;
        request.smallBodyInMemory = true;
        if (previous && mayAskForChangesOnly(*previous, m_check)) {
            request.ifNoneMatch = previous->etag;
            request.ifModifiedSince = previous->lastModified;
        }
        // A stop request ends the transfer at once instead of after the page.
        request.cancelled = [this] { return isInterruptionRequested(); };
        PageResult result = DownloadPage(request);
        if (!m_following.on)
            endDownload();
        m_check.downloadStatus = result.status;
        m_check.size = result.size;
        m_check.message = result.message;
        m_check.httpCode = result.httpCode;
        m_check.retryAfterSeconds = result.retryAfterSeconds;
        m_check.host = result.host;
        m_check.etag = result.etag;
        m_check.lastModified = result.lastModified;
        if (result.notModified) {
            if (measuresStillStand(*previous) || !measureStoredBody(previous, history))
                takeStoredMeasures(*previous, true);
        } else if (result.downloaded()) {
            if (isInterruptionRequested()) {
                if (!result.inMemory)
                    QFile::remove(tempFile); // nobody waits for the measures
            } else {
                // The measures are those of the raw bytes.
                QByteArray body = result.inMemory ? std::exchange(result.body, {}) : textfile::ReadBytes(tempFile);
                if (!result.inMemory)
                    QFile::remove(tempFile);
                if (previous && sameBytesMeasureTheSame(body, *previous, m_check))
                    takeStoredMeasures(*previous, false);
                else
                    measure(std::move(body), history, previous);
            }
            if (!isInterruptionRequested())
                followDocuments(history);
        }
    } catch (const FileError& e) {
        // The page could not be stored or read back here: not the page's
        // fault, so no verdict of it; the check still reports at once
        // rather than leave the run waiting for its time limit.
        QFile::remove(tempFile);
        m_check.downloadStatus = DownloadStatus::Failed;
        m_check.message = QStringLiteral("Błąd zapisu pliku tymczasowego");
        m_check.localFailure = e.text();
    }

    endDownload();
    history = {}; // given back before the main thread writes
    if (isInterruptionRequested())
        return; // timed out: nothing is handed back
    if (handBackGate)
        handBackGate(m_check.recordNumber);
    PageCheckReceiver* receiver = m_receiver.data();
    if (!receiver)
        return;
    // Handed over, not waited for: the receiver goes only after finished,
    // which is posted behind this.
    QMetaObject::invokeMethod(
        receiver, [receiver, check = std::move(m_check)] { receiver->StoreResult(check); }, Qt::QueuedConnection);
}

void TPobierz::endDownload()
{
    if (m_downloadEnded.exchange(true))
        return;
    Q_EMIT downloadEnded();
}

void TPobierz::followDocuments(const historia::HistoryReader& history)
{
    if (!m_following.on || !m_check.version || m_check.version->addedAt.isEmpty())
        return;
    dokumenty::FollowContext context;
    context.userAgent = m_userAgent;
    context.connections = m_connections;
    context.stopped = [this] { return isInterruptionRequested(); };
    if (m_following.timeLimitSeconds > 0)
        context.deadline = QDeadlineTimer(qMax<qint64>(0, qint64(m_following.timeLimitSeconds) * 1000 -
                                                              dokumenty::kHandBackReserveMs - m_started.elapsed()));
    context.history = history ? &*history : nullptr;
    context.moment = Clock::now();
    m_check.version = dokumenty::FollowDocuments(m_check.version, m_check.address, m_following, context);
}

void TPobierz::takeStoredMeasures(const historia::StoredCheck& previous, bool notModified)
{
    // The page of the last good check: its measures as the record holds
    // them; decided as that page would be. A 304 has no content type of
    // its own: the stored one stands.
    m_check.notModified = notModified;
    m_check.size = m_check.storedSize;
    m_check.lineCount = m_check.storedRow;
    m_check.textLength = m_check.storedTag;
    m_check.dateFound = previous.foundDate.isValid();
    m_check.pageDate = m_check.dateFound ? datevalue::fromDate(previous.foundDate) : 0;
    if (notModified)
        m_check.message = previous.outcome;
    keepValidatorsOf(previous);
    m_check.sameUntil = previous.sameUntil.isValid() ? previous.sameUntil : previous.moment.date();
    m_check.code = PageCheck::kUndecided;
    m_check.version = historia::UnchangedVersion(previous);
    m_check.hasHistory = true;
    m_check.previousPageDate = m_check.dateFound ? m_check.pageDate : 0;
    m_check.Classify();
}

void TPobierz::keepValidatorsOf(const historia::StoredCheck& previous)
{
    if (m_check.etag.isEmpty())
        m_check.etag = previous.etag;
    if (m_check.lastModified.isEmpty())
        m_check.lastModified = previous.lastModified;
}

bool TPobierz::measureStoredBody(const std::optional<historia::StoredCheck>& previous,
                                 historia::HistoryReader& history)
{
    // The server says the page did not change, but a date of it that was
    // ahead at its last check is past now: its stored bytes are measured, as
    // the page's bytes would be had they come whole.
    if (!history)
        return false;
    QByteArray body;
    try {
        body = history->Body(previous->sha256);
    } catch (const historia::HistoryError&) {
        return false; // the stored measures are the best there is
    }
    m_check.notModified = true;
    m_check.size = qint32(body.size());
    m_check.message = previous->outcome;
    keepValidatorsOf(*previous);
    measure(std::move(body), history, previous);
    return true;
}

void TPobierz::measure(QByteArray body, historia::HistoryReader& history,
                       const std::optional<historia::StoredCheck>& previous)
{
    m_check.code = PageCheck::kUndecided;
    m_check.textLength = -1;
    m_check.lineCount = -1;
    m_check.pageDate = 0;
    // The date is searched in the raw bytes and, for pages in other
    // charsets, in their lines converted.
    const PageMeasures measures = MeasurePage(body, m_check.message);
    m_check.textLength = qint32(measures.textLength);
    m_check.lineCount = qint32(measures.lineCount);
    m_check.dateFound = measures.dateFound;
    m_check.pageDate = measures.date;
    m_check.sameUntil = measures.sameUntil;
    // The page's history gets the body; its heavy work is done here.
    m_check.version = historia::PrepareVersion(history, previous, m_check.matchAddress, std::move(body),
                                               measures.charset, m_check.message, Clock::now(), m_following.on);
    if (m_check.version && m_check.version->hasPrevious) {
        m_check.hasHistory = true;
        const QDate before = m_check.version->previousFoundDate;
        m_check.previousPageDate = before.isValid() ? datevalue::fromDate(before) : 0;
    }
    m_check.Classify();
}
