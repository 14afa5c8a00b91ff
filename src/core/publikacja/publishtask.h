#pragma once

#include "publikacja/publishupdates.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;
class RunReport;

namespace publikacja {

// One publication at a time off the window's thread. Start reads the marked
// records and the settings on the caller's thread (the one the table and
// the report live on), then the transfers and the editing of the local copy
// run on a thread of their own; the step texts and the event log's lines
// come back as signals, in order, on the caller's thread. Stop asks the
// work to end; it does within a tenth of a second of a transfer.
class PublishTask : public QObject
{
    Q_OBJECT

public:
    explicit PublishTask(RunReport& report, QObject* parent = nullptr);
    // Stops a publication still running and waits for its thread.
    ~PublishTask() override;

    // False when one is running already.
    bool Start(baza::Baza& baza, const Settings& settings);
    void Stop();
    bool running() const { return m_thread != nullptr; }
    bool stopRequested() const { return m_stop.load(); }
    // The step text last shown; PublicationEndCaption() once it ended.
    QString caption() const { return m_caption; }
    // Blocks until the running publication has ended (and finished has been
    // emitted); for shutting down and for tests. False on a time-out.
    bool Wait(int timeoutMs = -1);

Q_SIGNALS:
    void started();
    void captionChanged(const QString& text);
    // The publication ended. error: a file error of the local copy, in
    // Polish (the copy stays for inspection); empty otherwise.
    void finished(const publikacja::PublishOutcome& outcome, const QString& error);

private:
    void threadEnded();

    RunReport& m_report;
    QThread* m_thread = nullptr;
    std::atomic_bool m_stop{false};
    QString m_caption;
    // Written by the thread before it ends, read after.
    PublishOutcome m_outcome;
    QString m_error;
};

} // namespace publikacja
