// Notices in what publication sends: the Atom feed gets one entry per notice
// a marked page's last change brought (the same id at every publication),
// and "publikuj także terminy (iCalendar)" sends terminy.ics beside
// wykaz.txt by the list's safe upload, also when no record is marked; a
// broken upload leaves the calendar on the server whole.
#include "registerfixture.h"

#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "konfig/settings.h"
#include "publikacja/ftp/ftptimeouts.h"
#include "publikacja/publishprogress.h"
#include "publikacja/publishupdates.h"
#include "raport/runreport.h"
#include "support/ftptestserver.h"
#include "support/seams.h"
#include "support/testdata.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace publikacja;
using ogloszenia::Notice;

namespace {

class QuietProgress : public PublishProgress
{
public:
    QStringList steps;
    void setGridVisible(bool) override {}
    void setCaption(const QString& text) override { steps << text; }
};

QJsonObject parsed(const char* checker, const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {testdata::testServer(QString::fromLatin1(checker)), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList column(const QJsonObject& parsedFile, const char* list, const char* name)
{
    QStringList out;
    for (const QJsonValue& e : parsedFile[QLatin1String(list)].toArray())
        out << e.toObject()[QLatin1String(name)].toString();
    return out;
}

Notice notice(const QString& reference, const QDate& until)
{
    Notice n;
    n.kind = QStringLiteral("obwieszczenie");
    n.authority = QStringLiteral("Burmistrz Milicza");
    n.reference = reference;
    n.date = QDate(2026, 12, 1);
    n.procedure = QStringLiteral("DŚU");
    n.stage = QStringLiteral("wszczęcie");
    n.commentsFrom = QDate(2026, 12, 5);
    n.commentsUntil = until;
    n.natura2000 = true;
    n.area = QStringLiteral("PLB020001");
    n.subject = QStringLiteral("budowie fermy drobiu w Sułowie");
    return n;
}

void addCheck(const QString& dataDirectory, const QString& page, const QDateTime& at, const QByteArray& text,
              const QList<Notice>& notices)
{
    historia::HistoryStore store(historia::HistoryStore::PathIn(dataDirectory));
    store.open(historia::HistoryStore::Mode::ReadWrite);
    historia::PackedBody b{historia::Sha256Hex(text), text.size(), historia::Pack(text), historia::Pack(text)};
    historia::StoredCheck c;
    c.page = page;
    c.address = page;
    c.moment = at;
    c.status = 2;
    c.kod = 3;
    c.newContent = true;
    store.AddCheck(c, &b, notices);
}

} // namespace

class TestPublishNotices : public QObject
{
    Q_OBJECT

    FtpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<baza::Baza> m_baza;
    Settings m_settings;
    RunReport m_report;
    QuietProgress m_progress;
    const QString m_page = QStringLiteral("http://127.0.0.2/milicz/obwieszczenia");

    PublishOutcome publish() { return PublishUpdates(*m_baza, m_settings, m_report, m_progress); }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    void init()
    {
        QDir(m_server.rootPath()).removeRecursively();
        QVERIFY(m_server.makeDirectory(QStringLiteral("www")));
        m_data = std::make_unique<QTemporaryDir>();
        m_baza = std::make_unique<baza::Baza>(m_data->path());
        m_settings.host = m_server.host();
        m_settings.directory = QStringLiteral("/www");
        m_settings.user = m_server.user();
        m_settings.password = m_server.password();
        m_report.ClearEventLog();
        m_progress.steps.clear();
    }
    void cleanup()
    {
        m_baza.reset();
        m_data.reset();
    }

    void feedHasOneEntryPerNotice()
    {
        addCheck(m_data->path(), m_page, QDateTime(QDate(2026, 12, 1), QTime(7, 0)), "Obwieszczenia", {});
        addCheck(m_data->path(), m_page, QDateTime(QDate(2026, 12, 8), QTime(7, 0)), "Obwieszczenia\nA\nB",
                 {notice(QStringLiteral("GKR.6220.14.2026"), QDate(2026, 12, 21)),
                  notice(QStringLiteral("GKR.6220.15.2026"), {})});
        BuildRegister(*m_baza, {{QStringLiteral("Milicz"), QStringLiteral("Dolina Baryczy"), m_page, QDate(2026, 12, 1), 3},
                                {QStringLiteral("Cisna"), QStringLiteral("Bieszczady"), QStringLiteral("http://cisna.pl/info"),
                                 QDate(2026, 12, 2), 2}});
        m_settings.atom = true;
        QVERIFY(publish().feedSent);
        const QString served = m_server.localPathOf(QStringLiteral("www/wykaz.xml"));
        const QJsonObject feed = parsed("feedcheck.py", served);
        QCOMPARE(feed[u"bozo"].toInt(), 0);
        const QStringList titles = column(feed, "entries", "title");
        QCOMPARE(titles.size(), 3);
        QVERIFY2(titles.contains(QStringLiteral("Obwieszczenie GKR.6220.14.2026 z 1.12.2026 – Milicz (obszar Natura 2000: "
                                                "Dolina Baryczy)")),
                 qPrintable(titles.join(u'|')));
        QVERIFY(titles.contains(QStringLiteral("Cisna (obszar Natura 2000: Bieszczady)"))); // no notices: the page's entry
        const QStringList summaries = column(feed, "entries", "summary");
        QVERIFY2(summaries.contains(QStringLiteral("Burmistrz Milicza\nDŚU, wszczęcie\nTermin uwag: 5.12.2026 – "
                                                   "21.12.2026\nNatura 2000: PLB020001\nPrzedmiot: budowie fermy "
                                                   "drobiu w Sułowie")),
                 qPrintable(summaries.join(u'|')));
        QVERIFY(summaries.contains(QStringLiteral("Burmistrz Milicza\nDŚU, wszczęcie\nTermin uwag: nie podano\n"
                                                  "Natura 2000: PLB020001\nPrzedmiot: budowie fermy drobiu w Sułowie")));
        const QStringList ids = column(feed, "entries", "id");
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 3);

        // Published again: the same entries, not doubled.
        QVERIFY(publish().feedSent);
        const QJsonObject again = parsed("feedcheck.py", served);
        const QStringList againIds = column(again, "entries", "id");
        QCOMPARE(againIds.size(), 3);
        QCOMPARE(QSet<QString>(againIds.begin(), againIds.end()), QSet<QString>(ids.begin(), ids.end()));
    }

    void calendarGoesBesideTheList()
    {
        const PinnedClock clock(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        addCheck(m_data->path(), m_page, QDateTime(QDate(2026, 12, 8), QTime(7, 0)), "Obwieszczenia",
                 {notice(QStringLiteral("GKR.6220.14.2026"), QDate(2026, 12, 21)),
                  notice(QStringLiteral("GKR.6220.2.2026"), QDate(2026, 12, 9))});
        // Nothing marked: the list stays as it is, the calendar still goes.
        BuildRegister(*m_baza, {{QStringLiteral("Milicz"), QStringLiteral("Dolina Baryczy"), m_page, {}, 0}});
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.txt"), ListBytes({QStringLiteral("stary")})));
        m_settings.ical = false;
        QVERIFY(!publish().calendarSent);
        QVERIFY(!m_server.fileExists(QStringLiteral("www/terminy.ics")));

        m_settings.ical = true;
        m_report.ClearEventLog();
        const PublishOutcome outcome = publish();
        QVERIFY(outcome.calendarSent);
        QVERIFY(!outcome.sent);
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/wykaz.txt")), ListBytes({QStringLiteral("stary")}));
        QVERIFY(m_progress.steps.contains(QStringLiteral("Wysyłanie kalendarza terminów. Czekaj...")));
        QCOMPARE(EventTexts(m_report).last(), QStringLiteral("Kalendarz terminów wysłany (terminów: 1)."));
        const QByteArray local = testdata::readAll(m_data->filePath(QStringLiteral("terminy.ics")));
        QVERIFY(local.contains("SUMMARY:Termin uwag: obwieszczenie GKR.6220.14.2026 – Milicz\r\n"));
        QCOMPARE(m_server.fileBytes(QStringLiteral("www/terminy.ics")), local);
        QCOMPARE(QDir(m_server.localPathOf(QStringLiteral("www"))).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("terminy.ics"), QStringLiteral("wykaz.txt")}));
        const QJsonObject cal = parsed("icalcheck.py", m_server.localPathOf(QStringLiteral("www/terminy.ics")));
        QCOMPARE(column(cal, "events", "start"), QStringList{QStringLiteral("2026-12-21")});
    }

    void aBrokenUploadLeavesTheServersCalendarWhole()
    {
        FtpTestServer server{FtpTestServer::Mode::DropUploads};
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.makeDirectory(QStringLiteral("www")));
        m_settings.host = server.host();
        const PinnedClock clock(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        // Enough notices for a file past what the server lets through.
        QList<Notice> many;
        for (int i = 1; i <= 60; ++i)
            many << notice(QStringLiteral("GKR.6220.%1.2026").arg(i), QDate(2026, 12, 21));
        addCheck(m_data->path(), m_page, QDateTime(QDate(2026, 12, 8), QTime(7, 0)), "Obwieszczenia", many);
        BuildRegister(*m_baza, {{QStringLiteral("Milicz"), QStringLiteral("Dolina Baryczy"), m_page, {}, 0}});
        QVERIFY(server.putFile(QStringLiteral("www/wykaz.txt"), ListBytes({QStringLiteral("stary")})));
        const QByteArray before = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n";
        QVERIFY(server.putFile(QStringLiteral("www/terminy.ics"), before));
        m_settings.ical = true;
        const FtpTimeouts saved = CurrentFtpTimeouts();
        SetFtpTimeouts({2, 1, 1});
        const PublishOutcome outcome = publish();
        SetFtpTimeouts(saved);
        QVERIFY(!outcome.calendarSent);
        QCOMPARE(server.fileBytes(QStringLiteral("www/terminy.ics")), before);
        QVERIFY2(EventTexts(m_report).last().startsWith(QStringLiteral("Błąd wysyłki kalendarza terminów: ")),
                 qPrintable(EventTexts(m_report).join(u'|')));
        QVERIFY(testdata::readAll(m_data->filePath(QStringLiteral("terminy.ics"))).size() > 4096);
    }
};

QTEST_GUILESS_MAIN(TestPublishNotices)
#include "tst_publishnotices.moc"
