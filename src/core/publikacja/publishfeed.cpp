#include "publikacja/publishfeed.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "historia/historystore.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "ogloszenia/noticelist.h"
#include "platform/fileerror.h"
#include "platform/systemerror.h"
#include "publikacja/entry.h"
#include "publikacja/ftp/ftptransfer.h"
#include "raport/runreport.h"
#include "text/textfile.h"
#include "text/datevalue.h"
#include "text/trimmedtext.h"
#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <memory>
#include <optional>

namespace publikacja {
namespace {

QString entrySummary(const QString& gmina, const QString& obszar, const QStringList& added)
{
    if (added.isEmpty())
        return QStringLiteral("Wprowadzono zmiany na stronie gminy %1 (obszar Natura 2000: %2).").arg(gmina, obszar);
    return added.join(QLatin1Char('\n'));
}

bool writeLocal(const QString& path, const QByteArray& bytes, QString* error)
{
    // QSaveFile writes under a temporary name and renames it over the old
    // file only when everything is on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitSaveFile(file)) {
        *error = QStringLiteral("Nie można zapisać pliku \"%1\": %2").arg(QDir::toNativeSeparators(path), SystemError::FileReason(file));
        return false;
    }
    return true;
}

// The marked records by physical row, without moving the cursor.
QList<MarkedRecord> markedRows(const dbf::DbfTable& table)
{
    QList<MarkedRecord> marked;
    for (int row = 0; row < table.recordCount(); ++row) {
        const int kod = table.integerAt(row, baza::Kod);
        if (baza::IsMarked(kod))
            marked << MarkedRecord{kod, table.textAt(row, baza::Gmina), table.textAt(row, baza::Natura2000),
                                   table.textAt(row, baza::Info), table.dateAt(row, baza::Aktualizacja),
                                   table.dateAt(row, baza::DataKontroli)};
    }
    return marked;
}

// The feed fetched into path, when it is one we can read: a file beyond
// the feed's bound is not read at all.
std::optional<AtomFeed> readLocalFeed(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFeedBytes)
        return std::nullopt;
    return ReadFeed(file.read(kMaxFeedBytes + 1));
}

QString htmlUnescaped(QString text)
{
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

// One line as MakeEntry writes it; false for any other line.
bool parseListLine(const QString& line, QString& municipality, QString& area, QString& url, QDate& day)
{
    static const QString kHead = QStringLiteral("Dnia ");
    static const QString kHref = QStringLiteral(" wprowadzono zmiany na stronie gminy <a href=\"");
    static const QString kName = QStringLiteral("\" target=_blank><b>");
    static const QString kArea = QStringLiteral("</b></a> (obszar Natura 2000: ");
    static const QString kTail = QStringLiteral("). <hr>");
    const QString l = line.trimmed();
    if (!l.startsWith(kHead) || !l.endsWith(kTail))
        return false;
    const qsizetype href = l.indexOf(kHref);
    const qsizetype name = href < 0 ? -1 : l.indexOf(kName, href + kHref.size());
    const qsizetype areaAt = name < 0 ? -1 : l.indexOf(kArea, name + kName.size());
    if (areaAt < 0)
        return false;
    const QStringList date = l.mid(kHead.size(), href - kHead.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (date.size() != 3)
        return false;
    int month = 0;
    for (int m = 1; m <= 12 && !month; ++m)
        if (MonthGenitive(m) == date[1])
            month = m;
    day = QDate(date[2].toInt(), month, date[0].toInt());
    if (!month || !day.isValid())
        return false;
    url = htmlUnescaped(l.mid(href + kHref.size(), name - href - kHref.size())).trimmed();
    municipality = htmlUnescaped(l.mid(name + kName.size(), areaAt - name - kName.size())).trimmed();
    const qsizetype areaStart = areaAt + kArea.size();
    area = htmlUnescaped(l.mid(areaStart, l.size() - kTail.size() - areaStart)).trimmed();
    return true;
}

} // namespace

FeedEntry NoticeEntry(const historia::StoredNotice& stored, const QString& gmina, const QString& obszar)
{
    const ogloszenia::Notice& n = stored.notice;
    FeedEntry e;
    e.id = NoticeEntryId(stored.page, n.identity());
    QString heading = ogloszenia::NoticeHeading(n);
    heading[0] = heading[0].toUpper();
    e.title = QStringLiteral("%1 – %2 (obszar Natura 2000: %3)").arg(heading, gmina, obszar);
    e.link = stored.address;
    e.updated = stored.seen.toUTC();
    QStringList lines;
    if (!n.authority.isEmpty())
        lines << n.authority;
    lines << QStringLiteral("%1, %2").arg(n.procedure, n.stage);
    const QString window = ogloszenia::CommentWindowText(n);
    lines << QStringLiteral("Termin uwag: %1").arg(window.isEmpty() ? QStringLiteral("nie podano") : window);
    if (n.natura2000)
        lines << QStringLiteral("Natura 2000: %1").arg(n.area.isEmpty() ? QStringLiteral("tak") : n.area);
    if (!n.subject.isEmpty())
        lines << QStringLiteral("Przedmiot: %1").arg(n.subject);
    e.summary = lines.join(QLatin1Char('\n'));
    return e;
}

QList<FeedEntry> ListedEntries(const QString& listPath)
{
    QList<FeedEntry> entries;
    if (!QFile::exists(listPath))
        return entries;
    const QStringList lines = textfile::ReadLines(listPath);
    // The list grows at its end: the newest entries come first in the feed.
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        QString gmina;
        QString obszar;
        QString address;
        QDate day;
        if (!parseListLine(*it, gmina, obszar, address, day))
            continue;
        FeedEntry e;
        e.id = EntryId(address, day);
        e.title = QStringLiteral("%1 (obszar Natura 2000: %2)").arg(gmina, obszar);
        e.link = address;
        e.updated = day.startOfDay().toUTC();
        e.summary = entrySummary(gmina, obszar, {});
        entries << e;
    }
    return entries;
}

QString LocalFeedPath(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(QStringLiteral("wykaz.xml"));
}

int FeedEntryLimit(const Settings& settings)
{
    return settings.limitEntries ? qBound(konfig::kMinEntryCount, settings.entryCountPosition, konfig::kMaxEntryCount)
                                 : konfig::kMaxEntryCount;
}

QList<FeedEntry> MarkedEntries(const dbf::DbfTable& table, const QString& dataDirectory)
{
    return MarkedEntries(markedRows(table), dataDirectory);
}

QList<FeedEntry> MarkedEntries(const QList<MarkedRecord>& marked, const QString& dataDirectory)
{
    std::unique_ptr<historia::HistoryStore> store;
    const QString historyPath = historia::HistoryStore::PathIn(dataDirectory);
    if (!marked.isEmpty() && QFile::exists(historyPath)) {
        try {
            store = std::make_unique<historia::HistoryStore>(historyPath);
            store->open(historia::HistoryStore::Mode::ReadOnly);
        } catch (const historia::HistoryError&) {
            store.reset(); // the entries go without their lines
        }
    }
    QList<FeedEntry> entries;
    for (const MarkedRecord& r : marked) {
        const QString gmina = TrimmedText(r.gmina);
        const QString obszar = TrimmedText(r.natura2000);
        const QString address = TrimmedText(r.info);
        const QDateTime updated = datevalue::toDateTime(publikacja::EntryDate(r.aktualizacja, r.dataKontroli));
        QStringList added;
        QList<historia::StoredNotice> notices;
        if (store) {
            try {
                notices = store->NoticesOfLastChange(address);
                if (notices.isEmpty())
                    added = store->AddedLinesOfLastChange(address);
            } catch (const historia::HistoryError&) {
            }
        }
        // A change that brought notices is told by them, one entry each.
        if (!notices.isEmpty()) {
            for (const historia::StoredNotice& n : notices) {
                FeedEntry e = NoticeEntry(n, gmina, obszar);
                e.kodTerm = QString::number(r.kod);
                e.kodLabel = baza::KodLongText(r.kod);
                entries << e;
            }
            continue;
        }
        FeedEntry e;
        e.id = EntryId(address, updated.date());
        e.title = QStringLiteral("%1 (obszar Natura 2000: %2)").arg(gmina, obszar);
        e.link = address;
        e.updated = updated.toUTC();
        e.summary = entrySummary(gmina, obszar, added);
        e.kodTerm = QString::number(r.kod);
        e.kodLabel = baza::KodLongText(r.kod);
        entries << e;
    }
    return entries;
}

bool PublishFeed(const dbf::DbfTable& table, const QString& dataDirectory, const Settings& settings,
                 RunReport& report, const QDateTime& now)
{
    return PublishFeed(markedRows(table), dataDirectory, settings, [&report](const QString& line) { report.LogEvent(line); },
                       now);
}

bool PublishFeed(const QList<MarkedRecord>& marked, const QString& dataDirectory, const Settings& settings,
                 const LogLine& log, const QDateTime& now, const std::atomic_bool* stop, bool* stopped)
{
    if (stopped)
        *stopped = false;
    const QString path = LocalFeedPath(dataDirectory);
    const QString host = TrimmedText(settings.host);
    const QString directory = TrimmedText(settings.directory);
    const QString user = TrimmedText(settings.user);
    const QString password = TrimmedText(settings.password);

    AtomFeed feed;
    const FtpResult fetched = FtpDownload(host, user, password, directory, QStringLiteral("wykaz.xml"), path, stop);
    if (fetched.stopped) {
        QFile::remove(path);
        if (stopped)
            *stopped = true;
        return false;
    }
    if (fetched.success) {
        if (const auto old = readLocalFeed(path)) {
            feed = *old;
        } else {
            // What was published is not lost with the feed: wykaz.txt,
            // which has just gone up, holds every entry it announced.
            try {
                feed.entries = ListedEntries(QDir(dataDirectory).filePath(QStringLiteral("wykaz.txt")));
            } catch (const FileError& e) {
                log(QStringLiteral("Błąd wysyłki kanału Atom: ") + e.text());
                log(
                    QStringLiteral("Kanał Atom na serwerze nie został zastąpiony, bo nie udało się go odczytać."));
                QFile::remove(path);
                return false;
            }
            log(QStringLiteral("Kanał Atom na serwerze był nieczytelny; odtworzono go z wykazu "
                                           "(wpisów w wykazie: %1).")
                                .arg(feed.entries.size()));
        }
    } else if (!fetched.remoteFileMissing) {
        log(QStringLiteral("Błąd pobierania kanału Atom: ") + fetched.error);
        log(QStringLiteral("Kanał Atom na serwerze nie został zastąpiony, bo nie udało się go pobrać."));
        QFile::remove(path);
        return false;
    }

    if (feed.id.isEmpty())
        feed.id = FeedId(host, directory);
    feed.title = QStringLiteral("Zmiany na stronach gmin (Natura 2000)");
    feed.updated = now.toUTC();
    feed.entries = MergeEntries(MarkedEntries(marked, dataDirectory), feed.entries, FeedEntryLimit(settings));

    QString error;
    if (!writeLocal(path, WriteFeed(feed), &error)) {
        log(QStringLiteral("Błąd wysyłki kanału Atom: ") + error);
        QFile::remove(path);
        return false;
    }
    const FtpResult sent = FtpUpload(path, host, directory, user, password, stop);
    QFile::remove(path);
    if (sent.stopped) {
        if (stopped)
            *stopped = true;
        return false;
    }
    if (!sent.success) {
        log(QStringLiteral("Błąd wysyłki kanału Atom: ") + sent.error);
        return false;
    }
    log(QStringLiteral("Kanał Atom wysłany."));
    return true;
}

} // namespace publikacja
