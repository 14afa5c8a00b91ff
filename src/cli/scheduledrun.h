#pragma once

#include "command.h"
#include "harmonogram/lastrun.h"

#include <QDateTime>

class RunController;
class RunReport;
class Settings;
namespace baza {
class Baza;
}

// run --scheduled, as the timer's service starts it: it waits while the
// window has the register (the window then runs the check itself), is
// skipped with a line in harmonogram.txt when its time has been served or
// the register stays busy, publishes after the check when the schedule says
// so, and leaves its summary for the window's event log.
class ScheduledRun
{
public:
    ScheduledRun(CliContext& context, const Settings& settings);

    // Waits for the register and the connection, up to waitSeconds; false
    // when the run is not to happen (the reason is printed and kept).
    bool AwaitTurn(int waitSeconds);
    // After the run, while the register is still held: publishes when the
    // schedule says so.
    void Publish(baza::Baza& baza, const RunController& run, RunReport& report, Settings& settings);
    // After the e-mail, the register let go: keeps the summary.
    void Finish(const RunController& run, RunReport& report, bool mailed);
    // A failure that ended the run is kept as its summary too.
    void Failed(const QString& text);

private:
    void keep(bool ran, const QString& summary, const QStringList& events = {});

    CliContext& m_context;
    const Settings& m_settings;
    harmonogram::LastRun m_record;
    QString m_published; // what Publish adds to the summary
};
