#include "ogloszenia/calendar.h"

#include "historia/historyerror.h"
#include "historia/historystore.h"
#include "platform/savefile.h"
#include "platform/systemerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace ogloszenia {
namespace {

constexpr qsizetype kLineOctets = 75;

QByteArray utcStamp(const QDateTime& moment)
{
    return moment.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
}

QByteArray dateValue(const QDate& day)
{
    return day.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

void addLine(QByteArray& out, const QByteArray& name, const QString& value)
{
    out += FoldLine(name + ':' + value.toUtf8());
    out += "\r\n";
}

void addText(QByteArray& out, const QByteArray& name, const QString& text)
{
    addLine(out, name, EscapeText(text));
}

// A URI value is not TEXT: it is not escaped, but it must stay on its line.
QString uriValue(const QString& address)
{
    QString out;
    for (const QChar c : address)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            out += c;
    return out;
}

} // namespace

QString CalendarFileName()
{
    return QStringLiteral("terminy.ics");
}

QString CalendarPath(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(CalendarFileName());
}

QString NoticeUid(const QString& page, const Notice& notice)
{
    const QByteArray key = (page.trimmed() + QLatin1Char('\n') + notice.identity()).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()) +
           QStringLiteral("@ekowarta");
}

QString EscapeText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (u == u'\\' || u == u';' || u == u',') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\r') {
            if (i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n'))
                out += QStringLiteral("\\n");
        } else if ((u < 0x20 && u != u'\t') || u == 0x7F || c.isSurrogate() || u == 0xFFFE || u == 0xFFFF) {
            continue; // no place for control characters or broken text in TEXT
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray FoldLine(const QByteArray& line)
{
    if (line.size() <= kLineOctets)
        return line;
    QByteArray out;
    out.reserve(line.size() + line.size() / kLineOctets * 3 + 3);
    qsizetype at = 0;
    bool first = true;
    while (at < line.size()) {
        // A continuation line starts with a space, which counts.
        const qsizetype room = first ? kLineOctets : kLineOctets - 1;
        qsizetype end = qMin(at + room, line.size());
        // Never between the bytes of one UTF-8 character.
        while (end < line.size() && end > at + 1 && (quint8(line.at(end)) & 0xC0) == 0x80)
            --end;
        if (!first)
            out += "\r\n ";
        out += line.mid(at, end - at);
        at = end;
        first = false;
    }
    return out;
}

CalendarEvent DeadlineEvent(const ListedNotice& listed)
{
    const Notice& n = listed.stored.notice;
    CalendarEvent e;
    e.uid = NoticeUid(listed.stored.page, n);
    e.day = n.commentsUntil;
    QString summary = QStringLiteral("Termin uwag: ") + (n.kind.isEmpty() ? QStringLiteral("ogłoszenie") : n.kind);
    if (!n.reference.isEmpty())
        summary += QLatin1Char(' ') + n.reference;
    const QString gminy = listed.municipalities();
    if (!gminy.isEmpty())
        summary += QStringLiteral(" – ") + gminy;
    e.summary = summary;

    QStringList d;
    if (!n.subject.isEmpty())
        d << n.subject;
    if (!n.authority.isEmpty())
        d << QStringLiteral("Organ: ") + n.authority;
    if (!n.reference.isEmpty())
        d << QStringLiteral("Znak sprawy: ") + n.reference;
    if (n.date.isValid())
        d << QStringLiteral("Data dokumentu: ") + DayText(n.date);
    d << QStringLiteral("Uwagi: ") + CommentWindowText(n);
    if (!n.area.isEmpty())
        d << QStringLiteral("Obszar Natura 2000: ") + n.area;
    else if (!listed.areas().isEmpty())
        d << QStringLiteral("Obszar Natura 2000 gminy: ") + listed.areas();
    d << QStringLiteral("Strona: ") + listed.stored.address;
    e.description = d.join(QLatin1Char('\n'));
    e.url = listed.stored.address;
    e.stamp = listed.stored.seen;
    return e;
}

QByteArray WriteCalendar(const QList<CalendarEvent>& events)
{
    QByteArray out;
    addLine(out, "BEGIN", QStringLiteral("VCALENDAR"));
    addLine(out, "VERSION", QStringLiteral("2.0"));
    addLine(out, "PRODID", QStringLiteral("-//Ekowarta//Terminy uwag//PL"));
    addLine(out, "CALSCALE", QStringLiteral("GREGORIAN"));
    addText(out, "X-WR-CALNAME", QStringLiteral("Ekowarta: terminy uwag"));
    for (const CalendarEvent& e : events) {
        if (!e.day.isValid())
            continue;
        addLine(out, "BEGIN", QStringLiteral("VEVENT"));
        addLine(out, "UID", uriValue(e.uid));
        addLine(out, "DTSTAMP", QString::fromLatin1(utcStamp(e.stamp.isValid() ? e.stamp : QDateTime(e.day, QTime(0, 0)))));
        addLine(out, "DTSTART;VALUE=DATE", QString::fromLatin1(dateValue(e.day)));
        addLine(out, "DTEND;VALUE=DATE", QString::fromLatin1(dateValue(e.day.addDays(1))));
        addText(out, "SUMMARY", e.summary);
        addText(out, "DESCRIPTION", e.description);
        if (!e.url.isEmpty())
            addLine(out, "URL", uriValue(e.url));
        addLine(out, "TRANSP", QStringLiteral("TRANSPARENT"));
        addLine(out, "BEGIN", QStringLiteral("VALARM"));
        addLine(out, "ACTION", QStringLiteral("DISPLAY"));
        addText(out, "DESCRIPTION", e.summary);
        addLine(out, "TRIGGER", QStringLiteral("-P%1D").arg(kReminderDays));
        addLine(out, "END", QStringLiteral("VALARM"));
        addLine(out, "END", QStringLiteral("VEVENT"));
    }
    addLine(out, "END", QStringLiteral("VCALENDAR"));
    return out;
}

CalendarResult WriteDeadlineCalendar(const QString& dataDirectory, const dbf::DbfTable& table, const QDate& today)
{
    return WriteDeadlineCalendar(dataDirectory, RecordsOfPages(table), today);
}

CalendarResult WriteDeadlineCalendar(const QString& dataDirectory, const RecordsByPage& records, const QDate& today)
{
    CalendarResult result;
    QList<CalendarEvent> events;
    const QString historyPath = historia::HistoryStore::PathIn(dataDirectory);
    if (QFile::exists(historyPath)) {
        try {
            historia::HistoryStore store(historyPath);
            store.open(historia::HistoryStore::Mode::ReadOnly);
            for (const ListedNotice& n : ListNotices(store, records, today))
                events << DeadlineEvent(n);
        } catch (const historia::HistoryError& e) {
            result.error = QStringLiteral("nie można odczytać historii stron: %1").arg(e.text());
            return result;
        }
    }
    const QByteArray bytes = WriteCalendar(events);
    const QString path = CalendarPath(dataDirectory);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitSaveFile(file)) {
        result.error = QStringLiteral("nie można zapisać pliku \"%1\": %2").arg(QDir::toNativeSeparators(path), SystemError::FileReason(file));
        return result;
    }
    result.written = true;
    result.events = int(events.size());
    return result;
}

} // namespace ogloszenia
