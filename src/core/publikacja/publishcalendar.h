#pragma once

#include "ogloszenia/noticelist.h"

#include <QDate>
#include <QString>

#include <atomic>
#include <functional>

class RunReport;
class Settings;
namespace dbf {
class DbfTable;
}

namespace publikacja {

// With "publikuj także terminy (iCalendar)": writes terminy.ics anew in the
// data directory (the deadlines open today) and sends it to the server
// directory of wykaz.txt the way the list goes (temporary name on the
// server, size check, rename), so that a subscribed calendar never reads a
// half-sent file. The local file stays: it is the data directory's own
// calendar. Every outcome goes to the event log. True when it was sent.
bool PublishCalendar(const dbf::DbfTable& table, const QString& dataDirectory, const Settings& settings,
                     RunReport& report, const QDate& today);
// The same off the table's thread, from its records read before; stop ends
// the upload early (*stopped, the server's calendar stays as it was).
bool PublishCalendar(const ogloszenia::RecordsByPage& records, const QString& dataDirectory, const Settings& settings,
                     const std::function<void(const QString&)>& log, const QDate& today,
                     const std::atomic_bool* stop = nullptr, bool* stopped = nullptr);

} // namespace publikacja
