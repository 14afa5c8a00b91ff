#pragma once

#include "dokumenty/followdocuments.h"
#include "internet/hostconnections.h"
#include "internet/useragent.h"
#include "kontrola/pagecheck.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <optional>

namespace historia {
class HistoryReader;
struct StoredCheck;
} // namespace historia

// Receives a page check's result on its own (main) thread, as a copy: the
// worker does not wait for it. It is told before the worker's finished.
class PageCheckReceiver : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    virtual void StoreResult(const PageCheck& check) = 0;
};

// One page check on a worker thread: download, measure, find the newest
// date, classify, hand the result back. Created running; deletes itself
// when done. It touches no table and no window: only its own fields, the
// network and its temporary file. The object lives on the thread that made
// it; its work runs on one of the checks' threads, which are kept for the
// next checks instead of being started and ended for every page.
class TPobierz : public QObject
{
    Q_OBJECT

public:
    // The record's Gmina, info, record number, size, row, tag,
    // Aktualizacja and DataKontroli, in this order; then where temporary
    // files go, who receives the result, the User-Agent its request sends
    // and the pass's open connections (none: a connection of its own,
    // closed after it); last, which linked documents it reads (none by
    // default).
    TPobierz(const QString& name, const QString& address, qint32 recordNumber, qint32 storedSize, qint32 storedRow,
             qint32 storedTag, double storedDate, double storedCheckDate, const QString& workDirectory,
             PageCheckReceiver* receiver, const QByteArray& userAgent = DefaultUserAgent(),
             HostConnectionsPtr connections = {}, const dokumenty::Following& following = {});
    ~TPobierz() override;

    // "plik_" + record number + ".tmp"
    static QString TemporaryFileName(qint32 recordNumber);

    // The stop request: it aborts a download in flight at once (the
    // transfer's cancel check), skips the measuring, and is read once more
    // just before the result would be handed back. The receiver still
    // decides on its own thread whether a result that arrives is wanted.
    // Safe from any thread.
    void requestInterruption() { m_interrupted.store(true); }
    bool isInterruptionRequested() const { return m_interrupted.load(); }

    // True once the work is over (finished is on its way).
    bool isFinished() const { return m_finished.load(); }

    // For tests: called on the worker's thread after the stop request was
    // read and before the result is handed back, so that a test can hold a
    // worker exactly there. Empty by default.
    using HandBackGate = std::function<void(qint32 recordNumber)>;
    static void SetHandBackGate(HandBackGate gate);

    // True once downloadEnded has been emitted: a receiver connected after
    // the worker started asks this after connecting, so that it misses
    // nothing.
    bool downloadHasEnded() const { return m_downloadEnded.load(); }

Q_SIGNALS:
    // The page's transfer is over and its connection given back (or
    // closed): the host may be asked by someone else. Emitted on the
    // worker's thread, before the measuring; when documents are followed,
    // after them (they are asked of the same host).
    void downloadEnded();
    // The check is over, its result (if any) handed back; emitted on the
    // object's own thread, after which it deletes itself.
    void finished();

private:
    void run(); // Execute, on a checks' thread
    void measure(QByteArray body, historia::HistoryReader& history,
                 const std::optional<historia::StoredCheck>& previous);
    void takeStoredMeasures(const historia::StoredCheck& previous, bool notModified);
    bool measureStoredBody(const std::optional<historia::StoredCheck>& previous, historia::HistoryReader& history);
    void keepValidatorsOf(const historia::StoredCheck& previous);
    void followDocuments(const historia::HistoryReader& history);
    void endDownload();

    std::atomic<bool> m_downloadEnded{false};
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_finished{false};
    PageCheck m_check;
    QString m_workDirectory;
    QByteArray m_userAgent;
    HostConnectionsPtr m_connections;
    dokumenty::Following m_following;
    QElapsedTimer m_started; // at dispatch, as the run's watchdog counts
    QPointer<PageCheckReceiver> m_receiver;
};
