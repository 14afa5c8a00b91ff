#pragma once

#include <QDate>
#include <QString>

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

} // namespace publikacja
