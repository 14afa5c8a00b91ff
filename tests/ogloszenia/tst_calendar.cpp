// terminy.ics, the calendar of deadlines: escaping and folding by the rules
// of RFC 5545, the file written from a real history and register and read
// back with python3-icalendar (one all-day event per open comment window, on
// its last day, with a reminder three days before and a UID that stays the
// same from run to run), a damaged history that leaves the old file alone,
// and the command line's run writing it after a check.
#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "ogloszenia/calendar.h"
#include "support/httptestserver.h"
#include "support/testdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using historia::HistoryStore;
using historia::StoredCheck;
using ogloszenia::Notice;

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

Notice notice(const QString& kind, const QString& reference, const QDate& from, const QDate& until)
{
    Notice n;
    n.kind = kind;
    n.authority = QStringLiteral("Burmistrz Milicza");
    n.reference = reference;
    n.date = from;
    n.procedure = QStringLiteral("DŚU");
    n.stage = QStringLiteral("konsultacje");
    n.commentsFrom = from;
    n.commentsUntil = until;
    n.natura2000 = true;
    n.area = QStringLiteral("Dolina Baryczy PLB020001");
    n.subject = QStringLiteral("budowie fermy drobiu w Sułowie; obsada 40 000 DJP, wraz z infrastrukturą \\ drogami");
    return n;
}

void addCheck(HistoryStore& store, const QString& page, const QDateTime& at, const QByteArray& body,
              const QList<Notice>& notices)
{
    StoredCheck c;
    c.page = page;
    c.address = page;
    c.moment = at;
    c.status = 2;
    c.httpCode = 200;
    c.outcome = QStringLiteral("text/html");
    c.size = qint32(body.size());
    c.lines = 3;
    c.kod = 3;
    c.newContent = true;
    historia::PackedBody p;
    p.sha256 = historia::Sha256Hex(body);
    p.size = body.size();
    p.body = historia::Pack(body);
    p.text = historia::Pack(body);
    store.AddCheck(c, &p, notices);
}

void addRecord(baza::Baza& b, const QString& gmina, const QString& area, const QString& page)
{
    b.table().append();
    b.table().setText(baza::Gmina, gmina);
    b.table().setText(baza::Natura2000, area);
    b.table().setText(baza::Info, page);
    b.table().post();
}

QJsonObject readWithIcalendar(const QString& path)
{
    QProcess p;
    p.start(kPython, {testdata::testServer(QStringLiteral("icalcheck.py")), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Every line ends in CR LF and holds at most 75 octets; no bare LF or CR.
QString lineProblem(const QByteArray& bytes)
{
    if (!bytes.endsWith("\r\n"))
        return QStringLiteral("the file does not end in CR LF");
    const QList<QByteArray> lines = bytes.left(bytes.size() - 2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (!line.endsWith('\r') && i + 1 < lines.size())
            return QStringLiteral("line %1 ends in a bare LF").arg(i + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.contains('\r'))
            return QStringLiteral("line %1 holds a bare CR").arg(i + 1);
        if (line.size() > 75)
            return QStringLiteral("line %1 has %2 octets").arg(i + 1).arg(line.size());
    }
    return {};
}

// The file's lines unfolded: a line that starts with a space continues the one before.
QStringList unfolded(const QByteArray& bytes)
{
    QByteArray joined = bytes;
    joined.replace("\r\n ", "");
    QStringList out;
    for (const QByteArray& line : joined.split('\n'))
        if (!line.isEmpty())
            out << QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line);
    return out;
}

} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escapesText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain Polish") << QStringLiteral("Żółć gęślą jaźń") << QStringLiteral("Żółć gęślą jaźń");
        QTest::newRow("comma and semicolon") << QStringLiteral("a, b; c") << QStringLiteral("a\\, b\\; c");
        QTest::newRow("backslash first") << QStringLiteral("C:\\dane\\,") << QStringLiteral("C:\\\\dane\\\\\\,");
        QTest::newRow("line breaks") << QStringLiteral("a\nb\r\nc\rd") << QStringLiteral("a\\nb\\nc\\nd");
        QTest::newRow("controls dropped, tab kept") << QStringLiteral("a\x01\tb\x7f") << QStringLiteral("a\tb");
        QTest::newRow("lone surrogate dropped") << (QStringLiteral("x") + QChar(0xD800) + QStringLiteral("y"))
                                                << QStringLiteral("xy");
        QTest::newRow("pair kept") << QString::fromUtf8("🌲") << QString::fromUtf8("🌲");
    }
    void escapesText()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(ogloszenia::EscapeText(text), escaped);
    }

    void foldsAt75OctetsNeverInsideACharacter_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("short") << QByteArray("SUMMARY:Termin uwag");
        QTest::newRow("exactly 75") << QByteArray(75, 'a');
        QTest::newRow("76") << QByteArray(76, 'a');
        QTest::newRow("ASCII, long") << ("DESCRIPTION:" + QByteArray(400, 'x'));
        // Two-byte letters put a character across every possible cut.
        QTest::newRow("Polish letters") << ("DESCRIPTION:" + QString(300, QChar(u'ż')).toUtf8());
        QTest::newRow("shifted by one") << ("DESCRIPTION:a" + QString(300, QChar(u'ą')).toUtf8());
        QTest::newRow("four-byte characters") << ("SUMMARY:" + QString::fromUtf8("🌲").repeated(60).toUtf8());
    }
    void foldsAt75OctetsNeverInsideACharacter()
    {
        QFETCH(QByteArray, line);
        const QByteArray folded = ogloszenia::FoldLine(line);
        const QList<QByteArray> parts = folded.split('\n');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QByteArray part = parts[i];
            if (i + 1 < parts.size()) {
                QVERIFY(part.endsWith('\r'));
                part.chop(1);
            }
            if (i > 0)
                QVERIFY(part.startsWith(' '));
            QVERIFY2(part.size() <= 75, part.constData());
            // Each piece is whole UTF-8 on its own.
            QVERIFY(QString::fromUtf8(part).toUtf8() == part);
            if (i + 1 < parts.size())
                QVERIFY(part.size() >= 72); // folded only when full
        }
        QByteArray back = folded;
        back.replace("\r\n ", "");
        QCOMPARE(back, line);
    }

    void writesOneEventPerOpenWindowOfTheRegistersPages()
    {
        if (!QFile::exists(kPython))
            QSKIP("the check needs Debian's /usr/bin/python3 with python3-icalendar");
        QTemporaryDir dir;
        const QString milicz = QStringLiteral("http://127.0.0.1/milicz/ogloszenia.html");
        const QString krosnice = QStringLiteral("http://127.0.0.1/krosnice/bip.html");
        const QString gone = QStringLiteral("http://127.0.0.1/usunieta/bip.html");
        const QDate today(2026, 12, 10);
        {
            baza::Baza b(dir.path());
            b.OpenTable();
            addRecord(b, QStringLiteral("Milicz"), QStringLiteral("Dolina Baryczy"), milicz);
            addRecord(b, QStringLiteral("Krośnice"), QStringLiteral("Dolina Baryczy"), krosnice);
            // The same page for another area of the same municipality.
            addRecord(b, QStringLiteral("Krośnice"), QStringLiteral("Stawy Milickie"), krosnice);
            b.table().close();
        }
        {
            HistoryStore store(HistoryStore::PathIn(dir.path()));
            store.open(HistoryStore::Mode::ReadWrite);
            addCheck(store, milicz, QDateTime(QDate(2026, 12, 2), QTime(8, 0)), "a",
                     {notice(QStringLiteral("obwieszczenie"), QStringLiteral("GKR.6220.14.2026"), QDate(2026, 12, 5),
                             QDate(2026, 12, 21)),
                      // Closed yesterday: no longer in the calendar.
                      notice(QStringLiteral("zawiadomienie"), QStringLiteral("GKR.6220.9.2026"), QDate(2026, 11, 20),
                             QDate(2026, 12, 9)),
                      // No comment window at all.
                      notice(QStringLiteral("decyzja"), QStringLiteral("GKR.6220.3.2026"), QDate(2026, 11, 1), {})});
            addCheck(store, krosnice, QDateTime(QDate(2026, 12, 8), QTime(9, 30)), "b",
                     // Its last day is today: still open.
                     {notice(QStringLiteral("ogłoszenie"), QString(), QDate(2026, 12, 1), today)});
            addCheck(store, gone, QDateTime(QDate(2026, 12, 8), QTime(9, 30)), "c",
                     {notice(QStringLiteral("obwieszczenie"), QStringLiteral("OŚ.6220.1.2026"), QDate(2026, 12, 1),
                             QDate(2026, 12, 30))});
        }

        baza::Baza b(dir.path());
        b.OpenTable();
        const ogloszenia::CalendarResult result = ogloszenia::WriteDeadlineCalendar(dir.path(), b.table(), today);
        QVERIFY2(result.written, qPrintable(result.error));
        QCOMPARE(result.events, 2);
        const QString path = dir.filePath(QStringLiteral("terminy.ics"));
        const QByteArray bytes = testdata::readAll(path);
        QCOMPARE(lineProblem(bytes), QString());
        QVERIFY(bytes.startsWith("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"));

        const QJsonObject cal = readWithIcalendar(path);
        QCOMPARE(cal.value(QStringLiteral("version")).toString(), QStringLiteral("2.0"));
        const QJsonArray events = cal.value(QStringLiteral("events")).toArray();
        QCOMPARE(events.size(), 2);
        // Soonest deadline first.
        const QJsonObject first = events[0].toObject();
        QCOMPARE(first.value(QStringLiteral("summary")).toString(), QStringLiteral("Termin uwag: ogłoszenie – Krośnice"));
        QCOMPARE(first.value(QStringLiteral("start")).toString(), QStringLiteral("2026-12-10"));
        const QJsonObject e = events[1].toObject();
        QCOMPARE(e.value(QStringLiteral("summary")).toString(),
                 QStringLiteral("Termin uwag: obwieszczenie GKR.6220.14.2026 – Milicz"));
        QVERIFY(e.value(QStringLiteral("allday")).toBool());
        QCOMPARE(e.value(QStringLiteral("start")).toString(), QStringLiteral("2026-12-21"));
        QCOMPARE(e.value(QStringLiteral("end")).toString(), QStringLiteral("2026-12-22"));
        QCOMPARE(e.value(QStringLiteral("url")).toString(), milicz);
        const QStringList description = e.value(QStringLiteral("description")).toString().split(u'\n');
        QCOMPARE(description.first(), notice({}, {}, {}, {}).subject); // comma, semicolon and backslash came back
        QVERIFY2(description.contains(QStringLiteral("Strona: ") + milicz), qPrintable(description.join(u'|')));
        QVERIFY(description.contains(QStringLiteral("Uwagi: 5.12.2026 – 21.12.2026")));
        const QJsonArray alarms = e.value(QStringLiteral("alarms")).toArray();
        QCOMPARE(alarms.size(), 1);
        QCOMPARE(alarms[0].toObject().value(QStringLiteral("action")).toString(), QStringLiteral("DISPLAY"));
        QCOMPARE(alarms[0].toObject().value(QStringLiteral("trigger")).toInt(), -3 * 86400);
        QVERIFY(e.value(QStringLiteral("uid")).toString() != first.value(QStringLiteral("uid")).toString());

        // Written again (the next run, a day later): the same UID for the
        // same notice, so a subscribed calendar updates instead of doubling.
        const QString uid = e.value(QStringLiteral("uid")).toString();
        QVERIFY(ogloszenia::WriteDeadlineCalendar(dir.path(), b.table(), today.addDays(1)).written);
        const QJsonArray later = readWithIcalendar(path).value(QStringLiteral("events")).toArray();
        QCOMPARE(later.size(), 1); // Krośnice's window closed
        QCOMPARE(later[0].toObject().value(QStringLiteral("uid")).toString(), uid);
    }

    void aHistoryThatCannotBeReadLeavesTheFileAsItWas()
    {
        QTemporaryDir dir;
        baza::Baza b(dir.path());
        b.OpenTable();
        // No history yet: a calendar without events.
        ogloszenia::CalendarResult r = ogloszenia::WriteDeadlineCalendar(dir.path(), b.table(), QDate(2026, 12, 10));
        QVERIFY(r.written);
        QCOMPARE(r.events, 0);
        const QString path = dir.filePath(QStringLiteral("terminy.ics"));
        const QByteArray empty = testdata::readAll(path);
        QVERIFY(unfolded(empty).contains(QStringLiteral("END:VCALENDAR")));
        QVERIFY(!empty.contains("VEVENT"));

        QVERIFY(testdata::writeAll(HistoryStore::PathIn(dir.path()), QByteArray(4096, 'x')));
        r = ogloszenia::WriteDeadlineCalendar(dir.path(), b.table(), QDate(2026, 12, 10));
        QVERIFY(!r.written);
        QVERIFY2(r.error.startsWith(QStringLiteral("nie można odczytać historii stron")), qPrintable(r.error));
        QCOMPARE(testdata::readAll(path), empty);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("terminy.ics*")}, QDir::Files | QDir::Hidden).size(), 1);
    }

    void theCommandLinesRunWritesIt()
    {
        if (!QFile::exists(kPython))
            QSKIP("the check needs Debian's /usr/bin/python3 with python3-icalendar");
        QTemporaryDir dir;
        HttpTestServer server;
        const QDate today = QDate::currentDate();
        const QDate until = today.addDays(14);
        auto day = [](const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")).toUtf8(); };
        server.route("/ogloszenia",
                     HttpTestServer::Response::html(
                         "<html><head><meta charset=\"utf-8\"></head><body>\n<p>Milicz, dnia " + day(today.addDays(-1)) +
                         " r.</p>\n<p>GKR.6220.21.2026</p>\n<p>OBWIESZCZENIE</p>\n<p>Burmistrz Milicza zawiadamia, że "
                         "wszczęto postępowanie w sprawie wydania decyzji o środowiskowych uwarunkowaniach dla "
                         "przedsięwzięcia polegającego na budowie biogazowni w Miliczu. Uwagi i wnioski można składać "
                         "od dnia " + day(today.addDays(-1)) + " r. do dnia " + day(until) +
                         " r.</p>\n<p>Burmistrz Milicza</p>\n</body></html>\n"));
        {
            baza::Baza b(dir.path());
            b.OpenTable();
            addRecord(b, QStringLiteral("Milicz"), QStringLiteral("Dolina Baryczy"),
                      server.url(QStringLiteral("/ogloszenia")));
            b.table().close();
        }
        const auto r = testdata::run(QStringLiteral("ekowarta-cli"),
                                     {QStringLiteral("--dir"), dir.path(), QStringLiteral("run"), QStringLiteral("--new")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QString path = dir.filePath(QStringLiteral("terminy.ics"));
        QVERIFY(QFile::exists(path));
        const QJsonArray events = readWithIcalendar(path).value(QStringLiteral("events")).toArray();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].toObject().value(QStringLiteral("summary")).toString(),
                 QStringLiteral("Termin uwag: obwieszczenie GKR.6220.21.2026 – Milicz"));
        QCOMPARE(events[0].toObject().value(QStringLiteral("start")).toString(), until.toString(Qt::ISODate));
    }
};

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
