#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// What the last scheduled check did, kept in harmonogram.txt beside the
// register: the command line's scheduled run writes it, the window shows it
// in its event log, and whoever runs a scheduled check first (the window or
// the timer's service) leaves the other nothing to do for that time.
namespace harmonogram {

struct LastRun
{
    QDateTime due;      // the scheduled moment it answered
    QDateTime started;
    QDateTime ended;
    bool ran = false;   // false: skipped (the reason is the summary)
    QString summary;    // one line, Polish
    QStringList events; // the event log, oldest first
};

QString LastRunPath(const QString& dataDirectory);

// Empty when the file is missing or not one of ours.
std::optional<LastRun> ReadLastRun(const QString& dataDirectory);
// Replaces the file as a whole. Throws FileError.
void WriteLastRun(const QString& dataDirectory, const LastRun& run);

// The event log's line: "Zaplanowana kontrola 2025-03-02 06:00: <summary>"
QString LastRunLine(const LastRun& run);

} // namespace harmonogram
