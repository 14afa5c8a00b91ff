#include "przebieg/historywriter.h"

#include "platform/livethreads.h"
#include "przebieg/runhistory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

HistoryWriter::HistoryWriter(const QString& dataDirectory, Log log, QObject* parent) : QObject(parent)
{
    // The history's lines are told on this object's thread, in order with
    // the verdicts.
    auto tell = [this, log = std::move(log)](const QString& text) {
        QMetaObject::invokeMethod(this, [log, text] { log(text); }, Qt::QueuedConnection);
    };
    m_history = std::make_unique<RunHistory>(dataDirectory, std::move(tell));
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("historia"));
    m_worker = new QObject;
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

HistoryWriter::~HistoryWriter()
{
    // Behind every job given: the last tries for what waits for a busy
    // file, on the thread that used the file.
    post([this] {
        m_history.reset();
        QThread::currentThread()->quit();
    });
    m_thread->wait();
    delete m_worker;
    delete m_thread;
    // Answers nobody will receive any more.
    for (; m_pending > 0; --m_pending)
        LiveThreads::finished();
}

void HistoryWriter::post(std::function<void()> job)
{
    QMetaObject::invokeMethod(m_worker, std::move(job), Qt::QueuedConnection);
}

void HistoryWriter::answer(std::function<void()> signal)
{
    m_waiting = m_history->waitingCount();
    QMetaObject::invokeMethod(
        this,
        [this, signal = std::move(signal)] {
            --m_pending;
            signal();
            LiveThreads::finished();
        },
        Qt::QueuedConnection);
}

void HistoryWriter::Record(quint64 ticket, const PageCheck& check, bool skipWithoutNewContent)
{
    ++m_pending;
    LiveThreads::started();
    post([this, ticket, check, skipWithoutNewContent] {
        const PageCheck result = m_history->Record(check, skipWithoutNewContent);
        answer([this, ticket, result] { Q_EMIT recorded(ticket, result); });
    });
}

void HistoryWriter::RecordTimeOut(const QString& address, const QString& message)
{
    ++m_pending;
    LiveThreads::started();
    post([this, address, message] {
        m_history->RecordTimeOut(address, message);
        answer([this] { Q_EMIT timeOutRecorded(); });
    });
}

void HistoryWriter::WriteWaitingLater()
{
    post([this] {
        m_history->WriteWaiting(0);
        m_waiting = m_history->waitingCount();
    });
}

bool HistoryWriter::WriteWaiting(int waitMs)
{
    bool none = false;
    QMetaObject::invokeMethod(
        m_worker,
        [this, waitMs, &none] {
            none = m_history->WriteWaiting(waitMs);
            m_waiting = m_history->waitingCount();
        },
        Qt::BlockingQueuedConnection);
    return none;
}

void HistoryWriter::Drain()
{
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
