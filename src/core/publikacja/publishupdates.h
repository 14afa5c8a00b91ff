#pragma once

#include <QString>

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
};

// Local copy of the update list: "wykaz.txt" in the data directory.
QString LocalListPath(const baza::Baza& baza);

// Fetches wykaz.txt from the server, removes older entries of the marked
// municipalities (when chosen), appends the marked records, shortens the
// list (when chosen), sends it back and deletes the local copy; then the
// feed and the calendar of deadlines when they are chosen. Every
// outcome goes to the event log. The grid is hidden meanwhile and shown
// again on every path, also when a file error ends the procedure (the error
// then goes on to the caller and the local copy stays for inspection).
// The table must be open; its cursor ends on the first record.
PublishOutcome PublishUpdates(baza::Baza& baza, const Settings& settings, RunReport& report,
                              PublishProgress& progress);

// The publish button: refuses an empty table ("Brak danych do wysyłki w
// bazie") and a run in progress ("Program jeszcze analizuje strony
// inernetowe.") with a message box, logs "Brak połącznia z Internetem"
// without a connection, and otherwise publishes.
PublishOutcome PublishCommand(baza::Baza& baza, bool runActive, const Settings& settings,
                              RunReport& report, PublishProgress& progress, Dialogs& dialogs);

} // namespace publikacja
