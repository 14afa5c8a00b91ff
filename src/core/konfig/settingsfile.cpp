#include "konfig/settingsfile.h"
#include "konfig/timelimits.h"

#include "konfig/inifile.h"
#include "konfig/password.h"
#include "konfig/settings.h"
#include "konfig/wholenumber.h"
#include "platform/fileerror.h"


namespace konfig {
namespace {


QString flag(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void LoadSettings(Settings& s, const QString& iniPath)
{
    const IniFile ini(iniPath);
    const QString section = QString::fromLatin1(kSection);
    auto read = [&](const char* key) { return ini.read(section, QString::fromLatin1(key)); };

    s.tray = read("tray") == QLatin1String("1");

    // A number outside the list selects nothing, as setting the item index
    // of a list with five items does.
    const int time = WholeNumber(read("czas")).value_or(kDefaultTimeLimitIndex);
    s.timeLimitIndex = time >= 0 && time < konfig::TimeLimitCount() ? time : -1;

    s.removeOlderEntries = read("dubl") == QLatin1String("1");
    s.limitEntries = read("wpisy") == QLatin1String("1");
    s.skipWithoutNewContent = read("tresc") == QLatin1String("1");

    // The spin buttons hold the position within their range; the edit box
    // then shows the position, plain digits without grouping.
    const int count = WholeNumber(read("licz")).value_or(kDefaultEntryCount);
    s.entryCountPosition = qBound(kMinEntryCount, count, kMaxEntryCount);
    s.entryCountText = QString::number(s.entryCountPosition);

    s.host = read("host");
    s.directory = read("dir");
    s.user = read("user");
    s.password = PasswordFromStored(ini.readBytes(kSection, "pass"));

    s.jobs = qBound(kMinJobs, WholeNumber(read("watki")).value_or(kMinJobs), kMaxJobs);
    s.hostDelayMs = qBound(0, WholeNumber(read("przerwa")).value_or(kDefaultHostDelayMs), kMaxHostDelayMs);
    s.userAgent = read("agent").trimmed();

    s.notify = read("powiadom") == QLatin1String("1");
    s.smtpUrl = read("smtp");
    s.smtpUser = read("smtpuser");
    s.smtpPassword = PasswordFromStored(ini.readBytes(kSection, "smtppass"));
    s.mailFrom = read("mailod");
    s.mailTo = read("maildo");
    s.failingChecks = qBound(kMinFailingChecks, WholeNumber(read("alarm")).value_or(kDefaultFailingChecks),
                             kMaxFailingChecks);
    s.atom = read("atom") == QLatin1String("1");
    s.ical = read("ical") == QLatin1String("1");

    s.schedule.on = read("harmonogram") == QLatin1String("1");
    s.schedule.time = harmonogram::ParseTime(read("godzina")).value_or(harmonogram::Schedule().time);
    const QString days = read("dni");
    s.schedule.days = days.isEmpty() ? harmonogram::kEveryDay : harmonogram::ParseDays(days).value_or(harmonogram::kEveryDay);
    s.schedule.publish = read("publikuj") == QLatin1String("1");

    s.notifyChanged();
}

void SaveSettings(const Settings& s, const QString& iniPath)
{
    IniFile ini(iniPath);
    const QString section = QString::fromLatin1(kSection);
    auto write = [&](const char* key, const QString& value) {
        if (!ini.write(section, QString::fromLatin1(key), value))
            throw FileError(QStringLiteral("Unable to write to %1").arg(iniPath));
    };
    write("tray", flag(s.tray));
    write("czas", QString::number(s.timeLimitIndex));
    write("dubl", flag(s.removeOlderEntries));
    write("wpisy", flag(s.limitEntries));
    write("licz", s.entryCountText);
    write("host", s.host);
    write("dir", s.directory);
    write("user", s.user);
    if (!ini.writeBytes(kSection, "pass", StoredPassword(s.password)))
        throw FileError(QStringLiteral("Unable to write to %1").arg(iniPath));
    // The run's later settings go into the file only once they differ from
    // their defaults, so a file written before them stays as it was.
    auto writeIfSet = [&](const char* key, const QString& value, const QString& byDefault) {
        if (value != byDefault || !ini.read(section, QString::fromLatin1(key)).isEmpty())
            write(key, value);
    };
    writeIfSet("watki", QString::number(s.jobs), QStringLiteral("1"));
    writeIfSet("przerwa", QString::number(s.hostDelayMs), QString::number(kDefaultHostDelayMs));
    writeIfSet("agent", s.userAgent, QString());
    // The content filter is an addition to the nine keys: it is written
    // once the user has turned it on, so that a file that never had it
    // keeps exactly its nine keys.
    if (s.skipWithoutNewContent || !ini.read(section, QStringLiteral("tresc")).isEmpty())
        write("tresc", flag(s.skipWithoutNewContent));
    // Notifications and the feed likewise: only once they differ from
    // their defaults or are in the file already.
    writeIfSet("powiadom", flag(s.notify), flag(false));
    writeIfSet("smtp", s.smtpUrl, QString());
    writeIfSet("smtpuser", s.smtpUser, QString());
    if (!s.smtpPassword.isEmpty() || !ini.readBytes(kSection, "smtppass").isEmpty()) {
        if (!ini.writeBytes(kSection, "smtppass", StoredPassword(s.smtpPassword)))
            throw FileError(QStringLiteral("Unable to write to %1").arg(iniPath));
    }
    writeIfSet("mailod", s.mailFrom, QString());
    writeIfSet("maildo", s.mailTo, QString());
    writeIfSet("alarm", QString::number(s.failingChecks), QString::number(kDefaultFailingChecks));
    writeIfSet("atom", flag(s.atom), flag(false));
    writeIfSet("ical", flag(s.ical), flag(false));
    const harmonogram::Schedule byDefault;
    writeIfSet("harmonogram", flag(s.schedule.on), flag(false));
    writeIfSet("godzina", harmonogram::TimeText(s.schedule.time), harmonogram::TimeText(byDefault.time));
    writeIfSet("dni", harmonogram::DaysText(s.schedule.days), harmonogram::DaysText(byDefault.days));
    writeIfSet("publikuj", flag(s.schedule.publish), flag(false));
}

} // namespace konfig
