// schedule: the daily check without a window, as the configuration window's
// "Sprawdzaj strony automatycznie codziennie o godz." sets it.
#include "command.h"

#include "harmonogram/lastrun.h"
#include "harmonogram/schedule.h"
#include "harmonogram/userunits.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString shownMoment(const QDateTime& m)
{
    return m.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

void show(CliContext& c, const Settings& settings)
{
    const harmonogram::Schedule& s = settings.schedule;
    const harmonogram::InstalledUnits units = harmonogram::Installed(c.dataDir);
    if (!s.on) {
        c.out << "Kontrola nie jest zaplanowana.\n";
        if (units.timerExists)
            c.out << "Uwaga: licznik " << units.timerPath
                  << " wciąż istnieje; usuń go poleceniem schedule --off.\n";
    } else {
        c.out << "Zaplanowana kontrola: " << harmonogram::Describe(s) << " (dni: " << harmonogram::DaysText(s.days)
              << ")\n";
        c.out << "Publikacja po kontroli: " << (s.publish ? "tak" : "nie") << "\n";
        if (units.timerExists && units.serviceExists)
            c.out << "Licznik: " << units.timerPath << (units.enabled ? " (włączony)" : " (niewłączony)") << "\n";
        else
            c.out << "Licznik nie jest zapisany; zapisze go polecenie schedule " << harmonogram::TimeText(s.time)
                  << ".\n";
        c.out << "Najbliższa kontrola: " << shownMoment(harmonogram::NextDue(s, Clock::now())) << "\n";
    }
    if (const auto last = harmonogram::ReadLastRun(c.dataDir))
        c.out << "Ostatnia: " << harmonogram::LastRunLine(*last) << "\n";
}

int runSchedule(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    const bool showOnly = TakeFlag(args, QStringLiteral("--show"));
    const bool off = TakeFlag(args, QStringLiteral("--off"));
    QString daysText;
    const bool daysGiven = TakeOption(args, QStringLiteral("--days"), &daysText);
    const bool publish = TakeFlag(args, QStringLiteral("--publish"));
    const bool noPublish = TakeFlag(args, QStringLiteral("--no-publish"));
    if (int(showOnly) + int(off) > 1)
        throw UsageError{QStringLiteral("--show i --off wykluczają się")};
    if (publish && noPublish)
        throw UsageError{QStringLiteral("--publish i --no-publish wykluczają się")};
    if ((showOnly || off) && (daysGiven || publish || noPublish))
        throw UsageError{QStringLiteral("%1 nie przyjmuje innych opcji").arg(showOnly ? QStringLiteral("--show") : QStringLiteral("--off"))};
    RequireNoMoreArguments(args, showOnly || off ? 0 : 1);

    if (!QFileInfo(c.dataDir).isDir())
        throw std::runtime_error(QStringLiteral("brak katalogu danych %1").arg(QDir::toNativeSeparators(c.dataDir)).toStdString());
    const QString iniPath = c.dataDir + QStringLiteral("config.ini");
    Settings settings;
    LoadCommandSettings(c, settings, QStringLiteral("schedule"));
    if (showOnly) {
        show(c, settings);
        return 0;
    }

    const harmonogram::Systemctl systemctl = harmonogram::CurrentSystemctl();
    if (off) {
        const harmonogram::InstallOutcome outcome = harmonogram::Remove(c.dataDir, systemctl);
        if (settings.schedule.on) {
            settings.schedule.on = false;
            konfig::SaveSettings(settings, iniPath);
        }
        c.out << outcome.message << "\n";
        return 0;
    }

    const auto time = harmonogram::ParseTime(args.first());
    if (!time)
        throw UsageError{QStringLiteral("godzina \"%1\" nie ma postaci GG:MM (od 00:00 do 23:59)").arg(args.first())};
    harmonogram::Schedule s = settings.schedule;
    s.on = true;
    s.time = *time;
    if (daysGiven) {
        const auto days = harmonogram::ParseDays(daysText);
        if (!days)
            throw UsageError{QStringLiteral("dni \"%1\" to nie lista z pn, wt, śr, czw, pt, sob, nd rozdzielonych przecinkami").arg(daysText)};
        s.days = *days;
    }
    if (publish || noPublish)
        s.publish = publish;

    const harmonogram::InstallOutcome outcome =
        harmonogram::Install(s, QCoreApplication::applicationFilePath(), c.dataDir, systemctl);
    settings.schedule = s;
    konfig::SaveSettings(settings, iniPath);
    c.out << outcome.message << "\n";
    if (s.publish && settings.host.trimmed().isEmpty())
        c.out << "Uwaga: w konfiguracji nie podano serwera FTP, więc po kontroli nic nie zostanie opublikowane.\n";
    c.out << "Najbliższa kontrola: " << shownMoment(harmonogram::NextDue(s, Clock::now())) << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("schedule"),
    QStringLiteral("schedule GG:MM [--days pn,wt,śr,czw,pt,sob,nd] [--publish | --no-publish] | --show | --off"),
    QStringLiteral("Kontrola stron o stałej porze, bez otwierania programu (jak opcja \"Sprawdzaj strony\n"
                   "automatycznie codziennie o godz.\" w konfiguracji). Zapisuje licznik systemd użytkownika\n"
                   "w ~/.config/systemd/user ($XDG_CONFIG_HOME/systemd/user) i go włącza; kontrola pominięta\n"
                   "przy wyłączonym komputerze odbywa się po jego włączeniu. Po kontroli idzie podsumowanie\n"
                   "e-mailem (gdy włączone w konfiguracji).\n"
                   "--days        dni tygodnia (domyślnie wszystkie)\n"
                   "--publish     po kontroli publikuj zaznaczone rekordy na serwerze FTP; --no-publish: nie\n"
                   "--show        pokaż harmonogram, najbliższą i ostatnią zaplanowaną kontrolę\n"
                   "--off         wyłącz zaplanowaną kontrolę i usuń licznik\n"
                   "Gdy o tej porze program okienkowy jest otwarty, kontrolę wykonuje on sam."),
    runSchedule,
});

} // namespace
