#pragma once

#include "platform/dialogs.h"
#include "przebieg/runoutcome.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>

class QTimer;
class RunController;
class RunReport;
class Settings;
namespace baza {
class Baza;
}
namespace publikacja {
class PublishTask;
}

// The run's questions, answered by the window's dialogs, or, for a run
// nobody started by hand, by the answer set for it.
class RunDialogs : public Dialogs
{
public:
    explicit RunDialogs(Dialogs& inner) : m_inner(inner) {}
    void answerQuestions(std::optional<Answer> answer) { m_answer = answer; }

    void message(const QString& text) override { m_inner.message(text); }
    Answer question(const QString& text, Buttons buttons) override
    {
        return m_answer ? *m_answer : m_inner.question(text, buttons);
    }
    QString saveFileName(const QString& name, const QString& filter) override { return m_inner.saveFileName(name, filter); }
    QString openFileName(const QString& filter) override { return m_inner.openFileName(filter); }
    void error(const QString& text) override { m_inner.error(text); }

private:
    Dialogs& m_inner;
    std::optional<Answer> m_answer;
};

// The scheduled check while the window is open (also hidden in the tray):
// the window holds the register, so the timer's service waits for it and
// the window runs the check itself when its time comes, publishes after it
// when so set, and keeps its summary in harmonogram.txt. The summary of
// the last scheduled check, whoever ran it, goes into the event log.
class ScheduleWatch : public QObject
{
    Q_OBJECT

public:
    // start: begins a run that asks nobody (false when none began).
    // publish: the window's publication, which a scheduled check uses too.
    ScheduleWatch(baza::Baza& baza, Settings& settings, RunReport& report, RunController& run,
                  publikacja::PublishTask& publish, std::function<bool()> start, QObject* parent = nullptr);

    // Every 20 seconds; tests call it with the clock pinned.
    void Check();

    // The moment the window opened: times before it were the timer's.
    void setOpenedAt(const QDateTime& moment) { m_openedAt = moment; }

private:
    void runEnded(RunOutcome outcome);
    void keep(bool served, const QString& summary, bool withEvents);
    void showLastRun();

    baza::Baza& m_baza;
    Settings& m_settings;
    RunReport& m_report;
    RunController& m_run;
    publikacja::PublishTask& m_publish;
    std::function<bool()> m_start;
    QString m_pendingSummary; // the check's summary while its publication works
    QTimer* m_timer = nullptr;
    QDateTime m_openedAt;
    QDateTime m_handled;   // the latest due moment dealt with
    QDateTime m_current;   // the due moment of the run in progress
    QDateTime m_currentStart;
    QString m_shown;       // the last record's line already in the event log
};
