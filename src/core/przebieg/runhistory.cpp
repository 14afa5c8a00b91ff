#include "przebieg/runhistory.h"

#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/preparedversion.h"
#include "kontrola/downloadpage.h"
#include "platform/clock.h"
#include "text/datevalue.h"
#include "text/trimmedtext.h"

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

RunHistory::~RunHistory() = default;

bool RunHistory::ensureOpen()
{
    if (m_store && m_store->isOpen())
        return true;
    m_store = std::make_unique<historia::HistoryStore>(historia::HistoryStore::PathIn(m_directory));
    try {
        m_store->open(historia::HistoryStore::Mode::ReadWrite);
        return true;
    } catch (const historia::HistoryError& e) {
        if (e.damaged()) {
            setAside(e.foreign());
            try {
                m_store->open(historia::HistoryStore::Mode::ReadWrite);
                return true;
            } catch (const historia::HistoryError&) {
            }
        }
        if (!m_problemTold)
            m_log(QStringLiteral("Historia stron niedostępna: %1; kontrola trwa bez zapisu historii").arg(e.text()));
        m_problemTold = true;
        return false;
    }
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

void RunHistory::write(const historia::StoredCheck& row, const historia::PackedBody* body,
                       const QList<ogloszenia::Notice>& notices)
{
    if (!ensureOpen())
        return;
    try {
        m_store->AddCheck(row, body, notices);
        m_problemTold = false;
    } catch (const historia::HistoryError& e) {
        if (e.damaged()) {
            setAside(e.foreign());
            m_store.reset();
            if (ensureOpen()) {
                try {
                    m_store->AddCheck(row, body, notices);
                    return;
                } catch (const historia::HistoryError&) {
                }
            }
        }
        if (!m_problemTold)
            m_log(QStringLiteral("Nie zapisano historii strony %1: %2").arg(row.page, e.text()));
        m_problemTold = true;
    }
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
    if (check.downloadStatus != DownloadStatus::Downloaded) {
        row.kod = baza::KodReadError;
        write(row, nullptr);
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
    if (check.dateFound)
        row.foundDate = datevalue::toDate(check.pageDate);
    row.kod = result.code == PageCheck::kUndecided ? baza::KodReadError : result.code;
    row.newContent = prepared && !prepared->sameContent;
    write(row, prepared ? &prepared->body : nullptr, prepared ? prepared->notices : QList<ogloszenia::Notice>());
    return result;
}

void RunHistory::RecordTimeOut(const QString& address, const QString& message)
{
    historia::StoredCheck row;
    row.page = TrimmedText(address);
    row.address = address;
    row.moment = wholeSeconds(Clock::now());
    row.status = baza::KodTimedOut;
    row.outcome = message;
    row.kod = baza::KodTimedOut;
    write(row, nullptr);
}
