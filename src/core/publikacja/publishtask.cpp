#include "publikacja/publishtask.h"

#include "platform/programerror.h"
#include "raport/runreport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QThread>

namespace publikacja {

PublishTask::PublishTask(RunReport& report, QObject* parent) : QObject(parent), m_report(report)
{
}

PublishTask::~PublishTask()
{
    if (!m_thread)
        return;
    // The work ends within a tenth of a second of a stop; its queued lines
    // die with this object.
    m_stop = true;
    m_thread->wait();
    delete m_thread;
}

bool PublishTask::Start(baza::Baza& baza, const Settings& settings)
{
    if (m_thread)
        return false;
    // The table is read here, on its own thread; the thread gets a copy.
    PublishInput input = TakePublishInput(baza, settings);
    m_stop = false;
    m_outcome = {};
    m_error.clear();

    // Everything the thread tells goes through this object's queue, so that
    // it arrives in order and before finished.
    class PostingSteps : public PublishSteps
    {
    public:
        explicit PostingSteps(PublishTask* task) : m_task(task) {}
        void caption(const QString& text) override
        {
            QMetaObject::invokeMethod(
                m_task,
                [task = m_task, text] {
                    task->m_caption = text;
                    Q_EMIT task->captionChanged(text);
                },
                Qt::QueuedConnection);
        }
        void logEvent(const QString& text) override
        {
            QMetaObject::invokeMethod(
                m_task, [task = m_task, text] { task->m_report.LogEvent(text); }, Qt::QueuedConnection);
        }

    private:
        PublishTask* m_task;
    };

    m_thread = QThread::create([this, input = std::move(input)] {
        PostingSteps steps(this);
        try {
            m_outcome = RunPublication(input, steps, &m_stop);
        } catch (const std::exception& e) {
            m_error = ErrorText(e);
        }
    });
    m_thread->setObjectName(QStringLiteral("publikacja"));
    connect(m_thread, &QThread::finished, this, &PublishTask::threadEnded, Qt::QueuedConnection);
    Q_EMIT started();
    m_thread->start();
    return true;
}

void PublishTask::Stop()
{
    if (m_thread)
        m_stop = true;
}

bool PublishTask::Wait(int timeoutMs)
{
    if (!m_thread)
        return true;
    if (!m_thread->wait(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs)))
        return false;
    // The thread's lines and its end are waiting in this object's queue.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return !m_thread;
}

void PublishTask::threadEnded()
{
    if (!m_thread)
        return;
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    m_caption = PublicationEndCaption();
    Q_EMIT captionChanged(m_caption);
    Q_EMIT finished(m_outcome, m_error);
}

} // namespace publikacja
