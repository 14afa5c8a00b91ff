#include "command.h"

#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/clock.h"

#include <QDate>

namespace {

QList<Command>& registry()
{
    static QList<Command> commands;
    return commands;
}

} // namespace

const QList<Command>& Commands()
{
    return registry();
}

CommandRegistration::CommandRegistration(Command command)
{
    registry().append(std::move(command));
}

bool TakeOption(QStringList& args, const QString& name, QString* value)
{
    const QString prefix = name + QLatin1Char('=');
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("brak wartości opcji %1").arg(name)};
            *value = args[i + 1];
            args.remove(i, 2);
            return true;
        }
        if (args[i].startsWith(prefix)) {
            *value = args[i].mid(prefix.size());
            args.remove(i);
            return true;
        }
    }
    return false;
}

bool TakeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

void RequireNoMoreArguments(const QStringList& args, int expectedPositional)
{
    for (const QString& a : args)
        if (a.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("nieznana opcja %1").arg(a)};
    if (args.size() > expectedPositional)
        throw UsageError{QStringLiteral("zbędny argument %1").arg(args[expectedPositional])};
    if (args.size() < expectedPositional)
        throw UsageError{QStringLiteral("za mało argumentów")};
}

void TakeTodayOption(QStringList& args)
{
    QString today;
    if (!TakeOption(args, QStringLiteral("--today"), &today))
        return;
    const QDate day = QDate::fromString(today, Qt::ISODate);
    if (!day.isValid())
        throw UsageError{QStringLiteral("błędna data %1 (RRRR-MM-DD)").arg(today)};
    Clock::pin(QDateTime(day, QTime(12, 0)));
}

void LoadCommandSettings(CliContext& c, Settings& settings, const QString& command)
{
    konfig::LoadSettings(settings, c.dataDir + QStringLiteral("config.ini"));
    for (const QString& line : std::as_const(settings.corrections))
        c.err << "ekowarta-cli " << command << ": " << line << "\n";
}
