#include "harmonogram/userunits.h"

#include "platform/fileerror.h"
#include "platform/systemerror.h"
#include "platform/savefile.h"

#include <QCryptographicHash>
#include <cerrno>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace harmonogram {
namespace {

QString canonicalFolder(const QString& dataDirectory)
{
    QString dir = QDir::cleanPath(QDir(dataDirectory).absolutePath());
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return canonical.isEmpty() ? dir : canonical;
}

// Description= and the like: systemd expands % specifiers everywhere.
QString escapeSpecifiers(QString text)
{
    return text.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

void writeUnit(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError::cannotWrite(path, SystemError::FileReason(file));
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !CommitSaveFile(file))
        throw FileError::cannotWrite(path, SystemError::FileReason(file));
}

void removeFile(const QString& path)
{
    QFile file(path);
    if ((file.exists() || QFileInfo(path).isSymLink()) && !file.remove())
        throw FileError(QStringLiteral("Nie można usunąć pliku \"%1\": %2").arg(path, SystemError::FileReason(file)));
}

QString wantsLink(const QString& unitDirectory, const QString& timerName)
{
    return unitDirectory + QStringLiteral("/timers.target.wants/") + timerName;
}

// systemctl speaks English: only its exit status is shown (what it said
// stays in the journal of the session manager).
QString describeRefusal(const Systemctl::Result& r)
{
    if (r.exitCode < 0)
        return QStringLiteral("nie udało się uruchomić programu systemctl");
    if (r.exitCode == 124)
        return QStringLiteral("systemctl nie odpowiedział w ciągu 30 s");
    return QStringLiteral("systemctl zakończył się kodem %1").arg(r.exitCode);
}

} // namespace

Systemctl SystemSystemctl()
{
    Systemctl s;
    s.managerRuns = [] {
        // What systemctl --user talks to: the manager's private socket in
        // the session's runtime folder, on a system booted with systemd.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty() || !QFileInfo(QStringLiteral("/run/systemd/system")).isDir())
            return false;
        return QFileInfo::exists(runtime + QStringLiteral("/systemd/private")) &&
               !QStandardPaths::findExecutable(QStringLiteral("systemctl")).isEmpty();
    };
    s.run = [](const QStringList& arguments) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // Its messages in the user's language where it has them, never a pager.
        p.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user"), QStringLiteral("--no-pager")} + arguments);
        Systemctl::Result r;
        if (!p.waitForStarted(5000))
            return r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(1000);
            r.exitCode = 124;
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 1;
        r.output = QString::fromLocal8Bit(p.readAll());
        return r;
    };
    return s;
}

namespace {
Systemctl& installedSystemctl()
{
    static Systemctl current = SystemSystemctl();
    return current;
}
} // namespace

Systemctl CurrentSystemctl()
{
    return installedSystemctl();
}

Systemctl SetSystemctl(Systemctl systemctl)
{
    Systemctl previous = installedSystemctl();
    installedSystemctl() = std::move(systemctl);
    return previous;
}

QString UnitBaseName(const QString& dataDirectory)
{
    const QByteArray hash =
        QCryptographicHash::hash(canonicalFolder(dataDirectory).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("ekowarta-kontrola-") + QString::fromLatin1(hash.left(8));
}

QString UserUnitDirectory()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG_CONFIG_HOME counts only when it is an absolute path; a relative one is ignored.
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/systemd/user"));
}

QString QuoteExecWord(const QString& word)
{
    QString quoted;
    quoted.reserve(word.size() + 2);
    quoted += QLatin1Char('"');
    for (const QChar c : word) {
        switch (c.unicode()) {
        case '\\': quoted += QStringLiteral("\\\\"); break;
        case '"': quoted += QStringLiteral("\\\""); break;
        case '%': quoted += QStringLiteral("%%"); break;
        case '$': quoted += QStringLiteral("$$"); break;
        case '\n': quoted += QStringLiteral("\\n"); break;
        case '\t': quoted += QStringLiteral("\\t"); break;
        default: quoted += c;
        }
    }
    quoted += QLatin1Char('"');
    return quoted;
}

UnitTexts MakeUnits(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory)
{
    const QString base = UnitBaseName(dataDirectory);
    const QString folder = canonicalFolder(dataDirectory);
    QStringList exec;
    for (const QString& word : {cliPath, QStringLiteral("--dir"), folder, QStringLiteral("run"), QStringLiteral("--scheduled")})
        exec << QuoteExecWord(word);

    UnitTexts u;
    u.service = QStringLiteral("# Zapisane przez program Ekowarta; zmieniaj w oknie konfiguracji\n"
                               "# albo poleceniem ekowarta-cli schedule.\n"
                               "[Unit]\n"
                               "Description=Ekowarta: zaplanowana kontrola stron gmin (%1)\n"
                               "\n"
                               "[Service]\n"
                               "Type=oneshot\n"
                               "ExecStart=%2\n"
                               "Nice=5\n")
                    .arg(escapeSpecifiers(folder), exec.join(QLatin1Char(' ')));
    u.timer = QStringLiteral("# Zapisane przez program Ekowarta; zmieniaj w oknie konfiguracji\n"
                             "# albo poleceniem ekowarta-cli schedule.\n"
                             "[Unit]\n"
                             "Description=Ekowarta: kontrola stron gmin %1 (%2)\n"
                             "\n"
                             "[Timer]\n"
                             "OnCalendar=%3\n"
                             "Persistent=true\n"
                             "Unit=%4.service\n"
                             "\n"
                             "[Install]\n"
                             "WantedBy=timers.target\n")
                  .arg(escapeSpecifiers(Describe(schedule)), escapeSpecifiers(folder), OnCalendar(schedule), base);
    return u;
}

InstallOutcome Install(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory,
                       const Systemctl& systemctl)
{
    const QString dir = UserUnitDirectory();
    const QString base = UnitBaseName(dataDirectory);
    const QString timerName = base + QStringLiteral(".timer");
    const QString link = wantsLink(dir, timerName);
    if (!QDir().mkpath(QFileInfo(link).path()))
        throw FileError(QStringLiteral("Nie można utworzyć katalogu \"%1\"").arg(QFileInfo(link).path()));

    const UnitTexts units = MakeUnits(schedule, cliPath, dataDirectory);
    // The service first: a timer is never there without what it starts.
    writeUnit(dir + QLatin1Char('/') + base + QStringLiteral(".service"), units.service);
    const QString timerPath = dir + QLatin1Char('/') + timerName;
    writeUnit(timerPath, units.timer);
    // As `systemctl --user enable` makes it: an absolute link to the unit.
    if (QFileInfo(link).symLinkTarget() != timerPath) {
        removeFile(link);
        if (!QFile::link(timerPath, link))
            throw FileError(QStringLiteral("Nie można utworzyć dowiązania \"%1\"").arg(link));
    }

    InstallOutcome outcome;
    const QString when = Describe(schedule);
    outcome.managerRuns = systemctl.managerRuns && systemctl.managerRuns();
    if (!outcome.managerRuns) {
        outcome.message = QStringLiteral("Kontrola zaplanowana %1. Systemd nie zarządza tu sesją użytkownika, więc "
                                         "licznik %2 zadziała dopiero w sesji z systemd; do tego czasu kontrolę o "
                                         "tej porze wykona program Ekowarta, jeśli będzie otwarty (także w "
                                         "zasobniku systemowym).")
                              .arg(when, timerName);
        return outcome;
    }
    const Systemctl::Result reload = systemctl.run({QStringLiteral("daemon-reload")});
    const Systemctl::Result start =
        reload.exitCode == 0 ? systemctl.run({QStringLiteral("restart"), timerName}) : reload;
    if (start.exitCode != 0) {
        outcome.message = QStringLiteral("Kontrola zaplanowana %1 (licznik %2 zapisany), ale menedżer sesji nie "
                                         "uruchomił licznika (%3). Zadziała po ponownym zalogowaniu; do tego czasu "
                                         "kontrolę wykona program Ekowarta, jeśli będzie otwarty.")
                              .arg(when, timerName, describeRefusal(start));
        return outcome;
    }
    outcome.applied = true;
    outcome.message = QStringLiteral("Kontrola zaplanowana %1 (licznik %2). Odbędzie się także przy zamkniętym "
                                     "programie; pominięta przy wyłączonym komputerze odbędzie się po jego "
                                     "włączeniu.")
                          .arg(when, timerName);
    return outcome;
}

InstallOutcome Remove(const QString& dataDirectory, const Systemctl& systemctl)
{
    const QString dir = UserUnitDirectory();
    const QString base = UnitBaseName(dataDirectory);
    const QString timerName = base + QStringLiteral(".timer");
    const InstalledUnits before = Installed(dataDirectory);

    InstallOutcome outcome;
    outcome.managerRuns = systemctl.managerRuns && systemctl.managerRuns();
    QString refusal;
    if (outcome.managerRuns && (before.timerExists || before.enabled)) {
        const Systemctl::Result stop = systemctl.run({QStringLiteral("stop"), timerName});
        if (stop.exitCode != 0)
            refusal = describeRefusal(stop);
    }
    removeFile(wantsLink(dir, timerName));
    removeFile(before.timerPath);
    removeFile(before.servicePath);
    if (outcome.managerRuns)
        systemctl.run({QStringLiteral("daemon-reload")});
    outcome.applied = outcome.managerRuns && refusal.isEmpty();
    if (!before.timerExists && !before.serviceExists && !before.enabled)
        outcome.message = QStringLiteral("Kontrola nie była zaplanowana.");
    else if (!refusal.isEmpty())
        outcome.message = QStringLiteral("Zaplanowana kontrola wyłączona (pliki licznika usunięte), ale menedżer "
                                         "sesji nie zatrzymał licznika (%1); nie uruchomi go już po ponownym "
                                         "zalogowaniu.")
                              .arg(refusal);
    else
        outcome.message = QStringLiteral("Zaplanowana kontrola wyłączona.");
    return outcome;
}

InstalledUnits Installed(const QString& dataDirectory)
{
    const QString dir = UserUnitDirectory();
    const QString base = UnitBaseName(dataDirectory);
    InstalledUnits u;
    u.timerPath = dir + QLatin1Char('/') + base + QStringLiteral(".timer");
    u.servicePath = dir + QLatin1Char('/') + base + QStringLiteral(".service");
    u.timerExists = QFileInfo::exists(u.timerPath);
    u.serviceExists = QFileInfo::exists(u.servicePath);
    u.enabled = QFileInfo(wantsLink(dir, base + QStringLiteral(".timer"))).isSymLink();
    QFile timer(u.timerPath);
    if (timer.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : timer.readAll().split('\n'))
            if (line.startsWith("OnCalendar="))
                u.onCalendar = QString::fromUtf8(line.mid(11)).trimmed();
    }
    return u;
}

bool UpToDate(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory)
{
    const InstalledUnits installed = Installed(dataDirectory);
    if (!schedule.on)
        return !installed.timerExists && !installed.serviceExists && !installed.enabled;
    if (!installed.enabled)
        return false;
    const UnitTexts units = MakeUnits(schedule, cliPath, dataDirectory);
    QFile timer(installed.timerPath), service(installed.servicePath);
    return timer.open(QIODevice::ReadOnly) && service.open(QIODevice::ReadOnly) &&
           timer.readAll() == units.timer.toUtf8() && service.readAll() == units.service.toUtf8();
}

InstallOutcome Apply(const Schedule& schedule, const QString& cliPath, const QString& dataDirectory,
                     const Systemctl& systemctl)
{
    if (UpToDate(schedule, cliPath, dataDirectory))
        return {};
    return schedule.on ? Install(schedule, cliPath, dataDirectory, systemctl) : Remove(dataDirectory, systemctl);
}

} // namespace harmonogram
