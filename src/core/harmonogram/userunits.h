#pragma once

#include "harmonogram/schedule.h"

#include <QString>
#include <QStringList>

#include <functional>

// The scheduled check as a systemd user timer and service, written where
// `systemctl --user enable` would put them: $XDG_CONFIG_HOME/systemd/user
// (~/.config/systemd/user), with the enable link in timers.target.wants.
// Each data folder has units of its own, so two registers never replace
// each other's schedule.
namespace harmonogram {

// The user's session manager, through one small seam: whether a systemd
// user manager runs, and `systemctl --user ARGS` (its exit code and what it
// said). The system's asks the manager's socket and runs systemctl; tests
// give their own.
struct Systemctl
{
    struct Result
    {
        int exitCode = -1; // -1: systemctl could not be started
        QString output;
    };
    std::function<bool()> managerRuns;
    std::function<Result(const QStringList& arguments)> run;
};

Systemctl SystemSystemctl();
// The one the program uses: the system's, unless a test put its own.
Systemctl CurrentSystemctl();
// Returns the one that was in place.
Systemctl SetSystemctl(Systemctl systemctl);

// "ekowarta-kontrola-1a2b3c4d": the units' name for a data folder.
QString UnitBaseName(const QString& dataDirectory);
// $XDG_CONFIG_HOME/systemd/user, or ~/.config/systemd/user.
QString UserUnitDirectory();

// One word of ExecStart, quoted so that systemd reads it back unchanged
// (blanks, quotes, backslashes, its % specifiers and $ variables).
QString QuoteExecWord(const QString& word);

struct UnitTexts
{
    QString timer;
    QString service;
};

// The service runs `<cli> --dir <data> run --scheduled`; the timer fires
// at the schedule's times and catches up at the next start (Persistent).
UnitTexts MakeUnits(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory);

struct InstallOutcome
{
    bool managerRuns = false;
    // The timer was started (or stopped) by the session manager.
    bool applied = false;
    // Polish: what was done, and when the manager is missing or refused,
    // what happens instead.
    QString message;
};

// Writes both units and the enable link, then, where a user manager runs,
// reloads it and (re)starts the timer. Throws FileError when a file cannot
// be written; what is written stays consistent (service before timer).
InstallOutcome Install(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory,
                       const Systemctl& systemctl);
// Stops the timer where a manager runs and removes the link and both units.
InstallOutcome Remove(const QString& dataDirectory, const Systemctl& systemctl);

struct InstalledUnits
{
    QString timerPath;
    QString servicePath;
    bool timerExists = false;
    bool serviceExists = false;
    bool enabled = false; // the timers.target.wants link is there
    QString onCalendar;   // as written in the timer file
};
InstalledUnits Installed(const QString& dataDirectory);

// Whether the files on disk are exactly what Install would write now (so
// that saving unchanged settings asks nothing of the session manager).
bool UpToDate(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory);

// Install or Remove, whichever the schedule asks for; nothing when the
// files already say it. Empty message when nothing was done.
InstallOutcome Apply(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory,
                     const Systemctl& systemctl);

} // namespace harmonogram
