#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

// One subcommand of ekowarta-cli. Each command lives in a file of its own
// and registers itself with a static CommandRegistration, so adding one
// needs no edit elsewhere.
struct CliContext
{
    QString dataDir; // with a trailing separator
    QTextStream& out;
    QTextStream& err;
};

// Thrown by commands for a bad argument: printed on stderr, exit status 2.
struct UsageError
{
    QString text;
};

struct Command
{
    QString name;
    QString synopsis; // "mark RECNO 0|1|2|3"
    QString help;     // one or more lines, Polish
    std::function<int(CliContext&, const QStringList& args)> run;
};

const QList<Command>& Commands();

struct CommandRegistration
{
    explicit CommandRegistration(Command command);
};

// Helpers for commands that take options: takes "--name VALUE" or
// "--name=VALUE" out of args; returns true when found.
bool TakeOption(QStringList& args, const QString& name, QString* value);
bool TakeFlag(QStringList& args, const QString& name);
// --today RRRR-MM-DD pins the clock to noon of that day, so that
// "yesterday" and the current year are those of the given day.
void TakeTodayOption(QStringList& args);
// Refuses anything left over that looks like an option or is surplus.
void RequireNoMoreArguments(const QStringList& args, int expectedPositional);

class Settings;
// The data directory's config.ini for command; each value the file gave
// that could not be used as written is told on stderr with what is used.
void LoadCommandSettings(CliContext& c, Settings& settings, const QString& command);
