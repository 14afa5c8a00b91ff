#include "harmonogram/lastrun.h"

#include "text/textfile.h"

#include <QDir>
#include <QFileInfo>

namespace harmonogram {
namespace {

const QString kDue = QStringLiteral("termin=");
const QString kStarted = QStringLiteral("start=");
const QString kEnded = QStringLiteral("koniec=");
const QString kRan = QStringLiteral("wykonana=");
const QString kSummary = QStringLiteral("wynik=");
const QString kEvent = QStringLiteral("zdarzenie=");

QString moment(const QDateTime& m)
{
    return m.isValid() ? m.toString(Qt::ISODate) : QString();
}

// Text files are one line per value: a line break inside would start a
// line of its own.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

QString LastRunPath(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(QStringLiteral("harmonogram.txt"));
}

std::optional<LastRun> ReadLastRun(const QString& dataDirectory)
{
    const QString path = LastRunPath(dataDirectory);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QStringList lines;
    try {
        lines = textfile::ReadLines(path);
    } catch (const std::exception&) {
        return std::nullopt; // an unreadable record only means nothing is shown
    }
    LastRun run;
    for (const QString& line : lines) {
        if (line.startsWith(kDue))
            run.due = QDateTime::fromString(line.mid(kDue.size()), Qt::ISODate);
        else if (line.startsWith(kStarted))
            run.started = QDateTime::fromString(line.mid(kStarted.size()), Qt::ISODate);
        else if (line.startsWith(kEnded))
            run.ended = QDateTime::fromString(line.mid(kEnded.size()), Qt::ISODate);
        else if (line.startsWith(kRan))
            run.ran = line.mid(kRan.size()) == QLatin1String("1");
        else if (line.startsWith(kSummary))
            run.summary = line.mid(kSummary.size());
        else if (line.startsWith(kEvent))
            run.events << line.mid(kEvent.size());
    }
    if (!run.due.isValid())
        return std::nullopt;
    return run;
}

void WriteLastRun(const QString& dataDirectory, const LastRun& run)
{
    QStringList lines{kDue + moment(run.due), kStarted + moment(run.started), kEnded + moment(run.ended),
                      kRan + (run.ran ? QStringLiteral("1") : QStringLiteral("0")), kSummary + oneLine(run.summary)};
    for (const QString& e : run.events)
        lines << kEvent + oneLine(e);
    textfile::WriteLines(LastRunPath(dataDirectory), lines);
}

QString LastRunLine(const LastRun& run)
{
    return QStringLiteral("Zaplanowana kontrola %1: %2")
        .arg(run.due.toString(QStringLiteral("yyyy-MM-dd HH:mm")), run.summary);
}

} // namespace harmonogram
