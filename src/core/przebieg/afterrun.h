#pragma once

#include "przebieg/runoutcome.h"

#include <QDate>
#include <QString>

class RunReport;
namespace dbf {
class DbfTable;
}

// What every run leaves behind once it has ended, the window's and the
// command line's alike: the calendar of deadlines (terminy.ics) written
// anew from the history. A run that never began (no records, no
// connection at the start, the start question cancelled) leaves nothing.
// A failure is a line in the event log; the run's outcome stays as it was.
// True when the calendar was written.
bool AfterRun(const QString& dataDirectory, const dbf::DbfTable& table, RunReport& report, RunOutcome outcome,
              bool aborted, const QDate& today);

// Whether a run that ended so took place at all.
bool RunTookPlace(RunOutcome outcome, bool aborted);
