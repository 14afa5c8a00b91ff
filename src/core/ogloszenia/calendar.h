#pragma once

#include "ogloszenia/noticelist.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace dbf {
class DbfTable;
}

// terminy.ics: the calendar of deadlines, iCalendar (RFC 5545), UTF-8 with
// CR LF and lines folded at 75 octets. One all-day event per open comment
// window, on its last day, with a reminder three days before. Written
// beside baza.dbf after every run, and sent with the update list when
// "publikuj także terminy (iCalendar)" is on, so that a calendar program
// can subscribe to it.
namespace ogloszenia {

struct CalendarEvent
{
    QString uid;         // stable: the same notice on the same page gives the same UID
    QDate day;           // the last day for comments
    QString summary;     // "Termin uwag: " + kind, reference, municipality
    QString description; // the subject, details and the page address, one per line
    QString url;         // the page where the notice was read
    QDateTime stamp;     // when the notice was first read
};

inline constexpr int kReminderDays = 3;

QString CalendarFileName();
QString CalendarPath(const QString& dataDirectory);

// "<40 hex digits>@ekowarta": from the page and the notice's identity.
QString NoticeUid(const QString& page, const Notice& notice);

// The event of a notice with a comment window; its municipality from the
// records of its page.
CalendarEvent DeadlineEvent(const ListedNotice& notice);

// The whole file. Texts are escaped (backslash, semicolon, comma, line
// breaks), characters iCalendar cannot carry are left out.
QByteArray WriteCalendar(const QList<CalendarEvent>& events);

// Escaping and folding, as the file uses them.
QString EscapeText(const QString& text);
QByteArray FoldLine(const QByteArray& line);

struct CalendarResult
{
    bool written = false;
    int events = 0;
    QString error; // Polish; empty when written
};

// Writes terminy.ics in the data directory for the comment windows open on
// the given day: of the register's pages, read from the page history. A
// history that does not exist yet gives a calendar without events; one that
// cannot be read leaves the file as it was. The file is replaced whole, never
// left half-written.
CalendarResult WriteDeadlineCalendar(const QString& dataDirectory, const dbf::DbfTable& table, const QDate& today);
// The same from the records read before (off the table's thread).
CalendarResult WriteDeadlineCalendar(const QString& dataDirectory, const RecordsByPage& records, const QDate& today);

} // namespace ogloszenia
