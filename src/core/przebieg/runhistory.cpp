#include "przebieg/runhistory.h"

#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/preparedversion.h"
#include "kontrola/downloadpage.h"
#include "platform/clock.h"
#include "text/datevalue.h"
#include "text/trimmedtext.h"

#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QDateTime wholeSeconds(QDateTime t)
{
    return t.addMSecs(-t.time().msec());
}

} // namespace

RunHistory::RunHistory(const QString& dataDirectory, Log log) : m_directory(dataDirectory), m_log(std::move(log)) {}

RunHistory::~RunHistory()
{
    // A last try for what still waits, without holding anybody up.
    WriteWaiting(0);
}

RunHistory::Opened RunHistory::ensureOpen(int waitMs)
{
    if (m_store && m_store->isOpen())
        return Opened::Open;
    m_store = std::make_unique<historia::HistoryStore>(historia::HistoryStore::PathIn(m_directory));
    try {
        m_store->open(historia::HistoryStore::Mode::ReadWrite, waitMs);
        return Opened::Open;
    } catch (const historia::HistoryError& e) {
        if (e.busy())
            return Opened::Busy;
        if (e.writeFailed()) {
            m_diskFailure = QStringLiteral("Historia stron: %1").arg(e.text());
            return Opened::DiskFailed;
        }
        if (e.damaged()) {
            setAside(e.foreign());
            try {
                m_store->open(historia::HistoryStore::Mode::ReadWrite, waitMs);
                return Opened::Open;
            } catch (const historia::HistoryError& again) {
                if (again.busy())
                    return Opened::Busy;
            }
        }
        if (!m_problemTold)
            m_log(QStringLiteral("Historia stron niedostępna: %1; kontrola trwa bez zapisu historii").arg(e.text()));
        m_problemTold = true;
        return Opened::Unavailable;
    }
}

RunHistory::Written RunHistory::writeOne(const Waiting& check, int waitMs)
{
    switch (ensureOpen(waitMs)) {
    case Opened::Open: break;
    case Opened::Busy: return Written::Busy;
    case Opened::DiskFailed: return Written::DiskFailed;
    case Opened::Unavailable: return Written::GivenUp;
    }
    const historia::PackedBody* body = check.version ? &check.version->body : nullptr;
    const QList<historia::StoredDocument> documents =
        check.version ? check.version->documents : QList<historia::StoredDocument>();
    m_store->setBusyTimeout(waitMs);
    try {
        m_store->AddCheck(check.row, body, check.notices, documents);
        m_problemTold = false;
        return Written::Done;
    } catch (const historia::HistoryError& e) {
        if (e.busy())
            return Written::Busy;
        if (e.writeFailed()) {
            m_diskFailure = QStringLiteral("Historia stron: %1").arg(e.text());
            return Written::DiskFailed;
        }
        if (e.damaged()) {
            setAside(e.foreign());
            m_store.reset();
            if (ensureOpen(waitMs) == Opened::Open) {
                try {
                    m_store->AddCheck(check.row, body, check.notices, documents);
                    return Written::Done;
                } catch (const historia::HistoryError&) {
                }
            }
        }
        if (!m_problemTold)
            m_log(QStringLiteral("Nie zapisano historii strony %1: %2").arg(check.row.page, e.text()));
        m_problemTold = true;
        return Written::GivenUp;
    }
}

bool RunHistory::WriteWaiting(int waitMs)
{
    while (!m_waiting.empty()) {
        const Written written = writeOne(m_waiting.front(), waitMs);
        if (written == Written::Busy || written == Written::DiskFailed)
            return false;
        const Waiting& done = m_waiting.front();
        if (done.version)
            m_waitingBytes -= done.version->body.body.size() + done.version->body.text.size();
        m_waiting.pop_front();
    }
    m_waitingBytes = 0;
    m_busyTold = false;
    m_overflowTold = false;
    return true;
}

// A damaged file keeps what can still be saved from it under a name of its
// own, and so does another program's database that happens to have the
// history's name; the history starts again in a new file.
void RunHistory::setAside(bool foreign)
{
    m_store->close();
    const QString path = m_store->path();
    const QFileInfo info(path);
    const QString aside = info.dir().filePath((foreign ? QStringLiteral("historia-obca-")
                                                       : QStringLiteral("historia-uszkodzona-")) +
                                              Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                                              QStringLiteral(".sqlite"));
    if (QFile::rename(path, aside)) {
        for (const char* suffix : {"-wal", "-shm"})
            QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
        if (foreign)
            m_log(QStringLiteral("Plik %1 nie jest historią stron tego programu: odłożono go nietknięty jako %2, "
                                 "historia zaczyna się od nowa")
                      .arg(info.fileName(), QFileInfo(aside).fileName()));
        else
            m_log(QStringLiteral("Plik historii stron był uszkodzony: odłożono go jako %1, historia zaczyna się od "
                                 "nowa")
                      .arg(QFileInfo(aside).fileName()));
    }
}

QString RunHistory::write(const historia::StoredCheck& row, std::shared_ptr<const historia::PreparedVersion> version,
                          const QList<ogloszenia::Notice>& notices)
{
    const qint64 bytes = version ? version->body.body.size() + version->body.text.size() : 0;
    const bool othersWait = !m_waiting.empty();
    if (othersWait && m_waitingBytes + bytes > kMostWaitingBytes) {
        if (!m_overflowTold)
            m_log(QStringLiteral("Plik historii stron jest zajęty zbyt długo: dalsze kontrole nie zostaną w nim "
                                 "zapisane"));
        m_overflowTold = true;
        return {};
    }
    // In order behind those that wait: the file gets them as they came.
    m_waiting.push_back({row, std::move(version), notices});
    m_waitingBytes += bytes;
    // Only the first refusal is waited for, and briefly; behind it the
    // file is only tried.
    m_diskFailure.clear();
    if (WriteWaiting(othersWait ? 0 : kFirstWaitMs))
        return {};
    if (!m_diskFailure.isEmpty()) {
        // Not kept: the run stops and this page is checked again when it
        // goes on. What waited before it waits on.
        m_waitingBytes -= bytes;
        m_waiting.pop_back();
        return m_diskFailure;
    }
    if (!m_busyTold)
        m_log(QStringLiteral("Plik historii stron jest zajęty przez inny program: wyniki kontroli czekają i zostaną "
                             "w nim zapisane, gdy się zwolni"));
    m_busyTold = true;
    return {};
}

PageCheck RunHistory::Record(const PageCheck& check, bool skipWithoutNewContent)
{
    PageCheck result = check;
    if (check.downloadStatus == DownloadStatus::Offline)
        return result; // nothing was checked

    historia::StoredCheck row;
    row.page = TrimmedText(check.address);
    row.address = check.address;
    row.moment = wholeSeconds(Clock::now());
    row.status = check.downloadStatus;
    row.httpCode = check.httpCode;
    row.outcome = check.message;
    if (check.failedLocally())
        return result; // nothing is known of the page
    if (check.downloadStatus != DownloadStatus::Downloaded) {
        row.kod = baza::KodReadError;
        result.localFailure = write(row, nullptr);
        return result;
    }

    const historia::PreparedVersion* prepared = check.version.get();
    // A date that is new only in a stamp or a clock, or in markup nobody
    // sees, is no news either when the text is the same, noise aside.
    if (skipWithoutNewContent && prepared && prepared->sameContent && baza::IsMarked(check.code))
        result.code = 0;
    row.size = check.size;
    row.lines = check.lineCount;
    row.etag = check.etag;
    row.lastModified = check.lastModified;
    row.sameUntil = check.sameUntil;
    if (check.dateFound)
        row.foundDate = datevalue::toDate(check.pageDate);
    row.kod = result.code == PageCheck::kUndecided ? baza::KodReadError : result.code;
    row.newContent = prepared && !prepared->sameContent;
    result.localFailure = write(row, check.version, prepared ? prepared->notices : QList<ogloszenia::Notice>());
    return result;
}

QString RunHistory::RecordTimeOut(const QString& address, const QString& message)
{
    historia::StoredCheck row;
    row.page = TrimmedText(address);
    row.address = address;
    row.moment = wholeSeconds(Clock::now());
    row.status = baza::KodTimedOut;
    row.outcome = message;
    row.kod = baza::KodTimedOut;
    return write(row, nullptr);
}
