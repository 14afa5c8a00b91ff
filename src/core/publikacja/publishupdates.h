#pragma once

#include "ogloszenia/noticelist.h"
#include "publikacja/updatelist.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>

class Dialogs;
class RunReport;
class Settings;
namespace baza {
class Baza;
}

namespace publikacja {

class PublishProgress;

struct PublishOutcome
{
    int appended = 0;  // entries of marked records written into the list
    bool sent = false; // the list went back to the server
    bool feedSent = false; // wykaz.xml too ("publikuj także kanał Atom")
    bool calendarSent = false; // terminy.ics too ("publikuj także terminy (iCalendar)")
    bool stopped = false;  // the user stopped it before its end
    bool feedWanted = false; // the settings asked for the feed with the list

    // The publication did all it was asked: the list went up, and the feed
    // too when it was asked for. A feed that failed fails the publication,
    // as the list does.
    bool succeeded() const { return sent && (!feedWanted || feedSent); }
};

// Local copy of the update list: "wykaz.txt" in the data directory.
QString LocalListPath(const baza::Baza& baza);

// What a publication works from, read on the window's thread so that the
// rest may run elsewhere: the marked records in the grid's order, the
// settings that publication reads (a copy: the configuration window may
// change the originals meanwhile), the data directory and the moment.
struct PublishInput
{
    QString dataDirectory;
    QList<MarkedRecord> marked;
    ogloszenia::RecordsByPage recordsByPage; // for the calendar, when chosen
    std::shared_ptr<const Settings> settings;
    QDateTime now;
};
// The table must be open; its cursor ends on the first record.
PublishInput TakePublishInput(baza::Baza& baza, const Settings& settings);

// Where a publication tells what it does: the step texts for the progress
// display, the lines for the event log. Called on the thread that runs it.
class PublishSteps
{
public:
    virtual ~PublishSteps() = default;
    virtual void caption(const QString& text) = 0;
    virtual void logEvent(const QString& text) = 0;
};

// The publication itself, on any thread: fetches wykaz.txt, removes older
// entries of the marked municipalities (when chosen), appends the marked
// records, shortens the list (when chosen), sends it back, then the feed
// (when chosen), then the calendar of deadlines (when chosen), and deletes
// the local copy. stop ends it at the next step
// or within a tenth of a second of a transfer; a stopped publication says so
// in the event log, never replaces the server's list by a part of one, and
// is no success. A file error of the local copy throws FileError and leaves
// the copy for inspection.
PublishOutcome RunPublication(const PublishInput& input, PublishSteps& steps, const std::atomic_bool* stop);

// The closing text of the progress display, after every publication.
QString PublicationEndCaption();

// RunPublication on the caller's thread, for the command line: the grid
// hidden meanwhile and shown again on every path, also when a file error
// ends the procedure (the error then goes on to the caller and the local
// copy stays for inspection). The table must be open; its cursor ends on
// the first record.
PublishOutcome PublishUpdates(baza::Baza& baza, const Settings& settings, RunReport& report,
                              PublishProgress& progress);

// Why the publish button may not start now: an empty table ("Brak danych
// do wysyłki w bazie") and a run in progress ("Program jeszcze analizuje
// strony inernetowe.") with a message box, no connection ("Brak połącznia
// z Internetem") in the event log. True when publication may start.
bool MayPublish(baza::Baza& baza, bool runActive, RunReport& report, Dialogs& dialogs);

// The publish button on the caller's thread: MayPublish, then PublishUpdates.
PublishOutcome PublishCommand(baza::Baza& baza, bool runActive, const Settings& settings,
                              RunReport& report, PublishProgress& progress, Dialogs& dialogs);

} // namespace publikacja
