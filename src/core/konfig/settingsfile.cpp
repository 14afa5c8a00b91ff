#include "konfig/settingsfile.h"
#include "konfig/timelimits.h"

#include "konfig/inifile.h"
#include "konfig/password.h"
#include "konfig/settings.h"
#include "konfig/wholenumber.h"
#include "platform/fileerror.h"

#include <QRegularExpression>

#include <algorithm>


namespace konfig {
namespace {


QString flag(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

// What the file said that the program cannot use as it stands: the key, the
// text read, why it does not do and what is used instead, one line each.
class Corrections
{
public:
    explicit Corrections(QStringList& lines) : m_lines(lines) { m_lines.clear(); }

    void note(const char* key, const QString& read, const QString& why, const QString& used)
    {
        m_lines << QStringLiteral("Ustawienie %1=%2 w pliku config.ini %3; program używa wartości %4.")
                       .arg(QString::fromLatin1(key), read.trimmed(), why, used);
    }

    // A whole number of the range [low, high]: the value, or when the file
    // says something else (and says anything at all), the fallback or the
    // nearest end of the range, with a line saying so.
    int number(const char* key, const QString& read, int fallback, int low, int high)
    {
        if (read.isEmpty())
            return fallback;
        const std::optional<int> n = WholeNumber(read);
        if (!n) {
            note(key, read, QStringLiteral("nie jest liczbą całkowitą"), QString::number(fallback));
            return fallback;
        }
        const int used = qBound(low, *n, high);
        if (used != *n)
            note(key, read, QStringLiteral("jest poza zakresem %1–%2").arg(low).arg(high), QString::number(used));
        return used;
    }

    // A box that is ticked ("1") or not ("0", or nothing at all).
    bool tick(const char* key, const QString& read)
    {
        if (read != QLatin1String("1") && read != QLatin1String("0") && !read.isEmpty())
            note(key, read, QStringLiteral("nie jest 0 ani 1"), QStringLiteral("0"));
        return read == QLatin1String("1");
    }

private:
    QStringList& m_lines;
};

// "1" or nothing: the default formats; "0": none; else a list of formats.
void readDocumentFormats(Settings& s, const QString& read, Corrections& fix)
{
    s.documents = true;
    s.documentFormats = DefaultDocumentFormats();
    const QString value = read.trimmed().toLower();
    if (value.isEmpty() || value == QLatin1String("1"))
        return;
    if (value == QLatin1String("0")) {
        s.documents = false;
        return;
    }
    static const QStringList known = {QStringLiteral("pdf"), QStringLiteral("doc"), QStringLiteral("docx"),
                                      QStringLiteral("odt"), QStringLiteral("rtf"), QStringLiteral("html")};
    QStringList formats;
    for (const QString& word : value.split(QRegularExpression(QStringLiteral("[,; ]+")), Qt::SkipEmptyParts)) {
        if (!known.contains(word)) {
            fix.note("dokumenty", read, QStringLiteral("nie jest 0, 1 ani listą formatów (%1)").arg(known.join(QLatin1Char(','))),
                     QStringLiteral("1 (%1)").arg(DefaultDocumentFormats().join(QLatin1Char(','))));
            return;
        }
        if (!formats.contains(word))
            formats << word;
    }
    s.documentFormats = formats;
}

QString documentFormatsText(const Settings& s)
{
    if (!s.documents)
        return QStringLiteral("0");
    QStringList sorted = s.documentFormats;
    QStringList byDefault = DefaultDocumentFormats();
    std::sort(sorted.begin(), sorted.end());
    std::sort(byDefault.begin(), byDefault.end());
    return sorted == byDefault ? QStringLiteral("1") : s.documentFormats.join(QLatin1Char(','));
}

} // namespace

void LoadSettings(Settings& s, const QString& iniPath)
{
    const IniFile ini(iniPath);
    const QString section = QString::fromLatin1(kSection);
    auto read = [&](const char* key) { return ini.read(section, QString::fromLatin1(key)); };

    Corrections fix(s.corrections);

    s.tray = fix.tick("tray", read("tray"));

    // A number outside the list selects nothing, as setting the item index
    // of a list with five items does: the check then has no time limit.
    const QString timeRead = read("czas");
    const std::optional<int> time = timeRead.isEmpty() ? std::optional<int>(kDefaultTimeLimitIndex) : WholeNumber(timeRead);
    if (!time)
        fix.note("czas", timeRead, QStringLiteral("nie jest liczbą całkowitą"), QString::number(kDefaultTimeLimitIndex));
    const int timeIndex = time.value_or(kDefaultTimeLimitIndex);
    s.timeLimitIndex = timeIndex >= 0 && timeIndex < konfig::TimeLimitCount() ? timeIndex : -1;
    // -1 is what the file holds when nothing was selected: no news.
    if (time && s.timeLimitIndex < 0 && *time != -1)
        fix.note("czas", timeRead, QStringLiteral("nie wskazuje pozycji listy 0–%1").arg(konfig::TimeLimitCount() - 1),
                 QStringLiteral("-1 (kontrola strony bez limitu czasu)"));

    s.removeOlderEntries = fix.tick("dubl", read("dubl"));
    s.limitEntries = fix.tick("wpisy", read("wpisy"));
    s.skipWithoutNewContent = fix.tick("tresc", read("tresc"));

    // The spin buttons hold the position within their range; the edit box
    // then shows the position, plain digits without grouping.
    s.entryCountPosition = fix.number("licz", read("licz"), kDefaultEntryCount, kMinEntryCount, kMaxEntryCount);
    s.entryCountText = QString::number(s.entryCountPosition);

    s.host = read("host");
    s.directory = read("dir");
    s.user = read("user");
    s.password = PasswordFromStored(ini.readBytes(kSection, "pass"));

    s.jobs = fix.number("watki", read("watki"), kMinJobs, kMinJobs, kMaxJobs);
    s.hostDelayMs = fix.number("przerwa", read("przerwa"), kDefaultHostDelayMs, 0, kMaxHostDelayMs);
    s.userAgent = read("agent").trimmed();

    s.notify = fix.tick("powiadom", read("powiadom"));
    s.smtpUrl = read("smtp");
    s.smtpUser = read("smtpuser");
    s.smtpPassword = PasswordFromStored(ini.readBytes(kSection, "smtppass"));
    s.mailFrom = read("mailod");
    s.mailTo = read("maildo");
    s.failingChecks =
        fix.number("alarm", read("alarm"), kDefaultFailingChecks, kMinFailingChecks, kMaxFailingChecks);
    s.atom = fix.tick("atom", read("atom"));
    s.ical = fix.tick("ical", read("ical"));
    readDocumentFormats(s, read("dokumenty"), fix);
    s.documentsPerPage = fix.number("dokumentow", read("dokumentow"), kDefaultDocumentsPerPage,
                                    kMinDocumentsPerPage, kMaxDocumentsPerPage);

    s.schedule.on = fix.tick("harmonogram", read("harmonogram"));
    const harmonogram::Schedule byDefault;
    const QString timeOfDay = read("godzina");
    const std::optional<QTime> at = harmonogram::ParseTime(timeOfDay);
    if (!at && !timeOfDay.isEmpty())
        fix.note("godzina", timeOfDay, QStringLiteral("nie jest godziną GG:MM"), harmonogram::TimeText(byDefault.time));
    s.schedule.time = at.value_or(byDefault.time);
    const QString days = read("dni");
    const std::optional<harmonogram::Days> parsedDays =
        days.isEmpty() ? std::optional<harmonogram::Days>(harmonogram::kEveryDay) : harmonogram::ParseDays(days);
    if (!parsedDays)
        fix.note("dni", days, QStringLiteral("nie jest listą dni tygodnia"), harmonogram::DaysText(harmonogram::kEveryDay));
    s.schedule.days = parsedDays.value_or(harmonogram::kEveryDay);
    s.schedule.publish = fix.tick("publikuj", read("publikuj"));

    s.notifyChanged();
}

void SaveSettings(const Settings& s, const QString& iniPath)
{
    IniFile ini(iniPath);
    const QString section = QString::fromLatin1(kSection);
    auto cannotWrite = [&] { return FileError::cannotWrite(iniPath, ini.errorString()); };
    auto write = [&](const char* key, const QString& value) {
        if (!ini.write(section, QString::fromLatin1(key), value))
            throw cannotWrite();
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
        throw cannotWrite();
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
            throw cannotWrite();
    }
    writeIfSet("mailod", s.mailFrom, QString());
    writeIfSet("maildo", s.mailTo, QString());
    writeIfSet("alarm", QString::number(s.failingChecks), QString::number(kDefaultFailingChecks));
    writeIfSet("atom", flag(s.atom), flag(false));
    writeIfSet("ical", flag(s.ical), flag(false));
    writeIfSet("dokumenty", documentFormatsText(s), QStringLiteral("1"));
    writeIfSet("dokumentow", QString::number(s.documentsPerPage), QString::number(kDefaultDocumentsPerPage));
    const harmonogram::Schedule byDefault;
    writeIfSet("harmonogram", flag(s.schedule.on), flag(false));
    writeIfSet("godzina", harmonogram::TimeText(s.schedule.time), harmonogram::TimeText(byDefault.time));
    writeIfSet("dni", harmonogram::DaysText(s.schedule.days), harmonogram::DaysText(byDefault.days));
    writeIfSet("publikuj", flag(s.schedule.publish), flag(false));
}

} // namespace konfig
