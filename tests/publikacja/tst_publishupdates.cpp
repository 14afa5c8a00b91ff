#include "registerfixture.h"
#include "baza/fields.h"

#include "konfig/settings.h"
#include "platform/fileerror.h"
#include "publikacja/entry.h"
#include "publikacja/ftp/ftptimeouts.h"
#include "publikacja/publishprogress.h"
#include "publikacja/publishfeed.h"
#include "publikacja/publishupdates.h"
#include "raport/runreport.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "support/ftptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "support/englishwords.h"
#include "support/testdata.h"
#include "text/datevalue.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace publikacja;

namespace {

QString entryOf(const RecordValues& r)
{
    return MakeEntry(r.gmina, r.natura2000, r.info, datevalue::fromDate(r.aktualizacja));
}

RecordValues record(const char* gmina, const char* area, int kod, QDate date = QDate(2009, 3, 2))
{
    return {QString::fromUtf8(gmina), QString::fromUtf8(area),
            QStringLiteral("http://%1.pl/info").arg(QString::fromUtf8(gmina).toLower()), date, kod};
}

// What the main window would show, in order.
class RecordingProgress : public PublishProgress
{
public:
    QStringList steps;
    void setGridVisible(bool visible) override
    {
        steps << (visible ? QStringLiteral("[grid shown]") : QStringLiteral("[grid hidden]"));
    }
    void setCaption(const QString& text) override { steps << text; }
};

const QString kDownloadStep = QStringLiteral("Pobieranie pliku z serwera. Czekaj...");
const QString kRemoveStep = QStringLiteral("Usuwanie starych wpisów w pliku. Czekaj...");
const QString kAppendStep = QStringLiteral("Dopisywanie danych do pliku. Czekaj...");
const QString kShortenStep = QStringLiteral("Skracanie pliku. Czekaj...");
const QString kUploadStep = QStringLiteral("Wysyłanie pliku na serwer. Czekaj...");
const QString kClosing = QStringLiteral("Przetwarzanie. Czekaj ...");
const QString kFeedStep = QStringLiteral("Wysyłanie kanału Atom. Czekaj...");

// The feed as Debian's feedparser reads it.
QJsonObject parsedFeed(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {testdata::testServer(QStringLiteral("feedcheck.py")), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList column(const QJsonObject& feed, const char* name)
{
    QStringList out;
    for (const QJsonValue& e : feed[u"entries"].toArray())
        out << e.toObject()[QLatin1String(name)].toString();
    return out;
}

} // namespace

class TestPublishUpdates : public QObject
{
    Q_OBJECT

private:
    FtpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<baza::Baza> m_baza;
    Settings m_settings;
    RunReport m_report;
    RecordingProgress m_progress;

    QString serverList() const { return QStringLiteral("www/wykaz.txt"); }
    PublishOutcome publish() { return PublishUpdates(*m_baza, m_settings, m_report, m_progress); }
    QString localList() const { return m_data->filePath(QStringLiteral("wykaz.txt")); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

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
        m_settings.removeOlderEntries = false;
        m_settings.limitEntries = false;
        m_settings.atom = false;
        m_settings.entryCountText = QStringLiteral("20");
        m_report.ClearEventLog();
        m_progress.steps.clear();
    }
    void cleanup()
    {
        m_baza.reset();
        m_data.reset();
    }

    void publishesMarkedRecords()
    {
        const RecordValues a = record("Abc", "Xyz", 3);
        const RecordValues b = record("Bez", "Zmian", 0);
        const RecordValues c = record("Cde", "Uvw", 1);
        BuildRegister(*m_baza, {a, b, c});
        QVERIFY(m_server.putFile(serverList(), ListBytes({QStringLiteral("stary")})));
        const PublishOutcome outcome = publish();
        QVERIFY(outcome.sent);
        QCOMPARE(outcome.appended, 2);
        QCOMPARE(m_server.fileBytes(serverList()), ListBytes({QStringLiteral("stary"), entryOf(a), entryOf(c)}));
        QCOMPARE(EventTexts(m_report), (QStringList{QStringLiteral("Plik pobrany."), QStringLiteral("Plik wysłany.")}));
        QCOMPARE(m_progress.steps, (QStringList{QStringLiteral("[grid hidden]"), kDownloadStep, kRemoveStep,
                                                 kAppendStep, kShortenStep, kUploadStep, kClosing,
                                                 QStringLiteral("[grid shown]")}));
        QVERIFY(!QFile::exists(localList()));
        QCOMPARE(m_baza->table().row(), 0);
        QVERIFY(!m_server.fileExists(QStringLiteral("www/wykaz.xml"))); // the feed is off by default
    }

    // "publikuj także kanał Atom": wykaz.xml beside wykaz.txt, read back
    // from the server at every publication, newest first, cut to the limit.
    void atomFeedBesideTheList()
    {
        const QString page = QStringLiteral("http://127.0.0.2/ogloszenia?a=1&b=2");
        {
            historia::HistoryStore store(historia::HistoryStore::PathIn(m_data->path()));
            store.open(historia::HistoryStore::Mode::ReadWrite);
            for (int i = 0; i < 2; ++i) {
                const QByteArray text = i == 0 ? "Ogłoszenia" : "Ogłoszenia\n<b>Obwieszczenie</b> & \x01więcej";
                historia::PackedBody b{historia::Sha256Hex(text), text.size(), historia::Pack(text), historia::Pack(text)};
                historia::StoredCheck c;
                c.page = page;
                c.address = page;
                c.moment = QDateTime(QDate(2009, 3, 1 + i), QTime(6, 0));
                c.status = 2;
                c.kod = 3;
                c.newContent = true;
                store.AddCheck(c, &b);
            }
        }
        RecordValues odd{QStringLiteral("A&B <Gmina>"), QStringLiteral("Ob\"szar"), page, QDate(2009, 3, 2), 3};
        BuildRegister(*m_baza, {odd, record("Nowa", "Puszcza", 1, QDate(2009, 5, 1)), record("Bez", "Zmian", 0)});
        m_settings.atom = true;
        m_settings.limitEntries = true;
        m_settings.entryCountPosition = 3;
        m_settings.entryCountText = QStringLiteral("3");
        const PublishOutcome first = publish();
        QVERIFY(first.sent);
        QVERIFY(first.feedSent);
        QVERIFY(m_progress.steps.contains(kFeedStep));
        QCOMPARE(EventTexts(m_report).last(), QStringLiteral("Kanał Atom wysłany."));
        QVERIFY(!QFile::exists(m_data->filePath(QStringLiteral("wykaz.xml"))));
        QVERIFY(!m_server.fileExists(QStringLiteral("www/wykaz.xml.tmp")));

        const QJsonObject feed = parsedFeed(m_server.localPathOf(QStringLiteral("www/wykaz.xml")));
        QCOMPARE(feed[u"bozo"].toInt(), 0);
        QCOMPARE(feed[u"version"].toString(), QStringLiteral("atom10"));
        QVERIFY(feed[u"id"].toString().startsWith(QStringLiteral("urn:sha1:")));
        QVERIFY(!feed[u"updated"].toString().isEmpty());
        QCOMPARE(column(feed, "title"), (QStringList{"Nowa (obszar Natura 2000: Puszcza)",
                                                     "A&B <Gmina> (obszar Natura 2000: Ob\"szar)"}));
        QCOMPARE(column(feed, "link"), (QStringList{"http://nowa.pl/info", page}));
        QCOMPARE(column(feed, "updated").last(), QDate(2009, 3, 2).startOfDay().toUTC().toString(Qt::ISODate));
        QCOMPARE(column(feed, "summary").last(), QStringLiteral("<b>Obwieszczenie</b> & więcej"));
        const QStringList firstIds = column(feed, "id");

        // Republished records keep their entries; new ones go on top and
        // the oldest go past the limit.
        m_report.ClearEventLog();
        m_baza->table().first();
        m_baza->table().next();
        m_baza->table().next();
        m_baza->table().edit();
        m_baza->table().setInteger(baza::Kod, 2);
        m_baza->table().setDate(baza::Aktualizacja, datevalue::fromDate(QDate(2009, 6, 1)));
        m_baza->table().post();
        m_baza->table().append();
        m_baza->table().setText(baza::Gmina, QStringLiteral("Najnowsza"));
        m_baza->table().setText(baza::Natura2000, QStringLiteral("Bagna"));
        m_baza->table().setText(baza::Info, QStringLiteral("http://najnowsza.pl/info"));
        m_baza->table().setDate(baza::Aktualizacja, datevalue::fromDate(QDate(2009, 7, 1)));
        m_baza->table().setInteger(baza::Kod, 3);
        m_baza->table().post();
        QVERIFY(publish().feedSent);
        const QJsonObject second = parsedFeed(m_server.localPathOf(QStringLiteral("www/wykaz.xml")));
        QCOMPARE(second[u"bozo"].toInt(), 0);
        QCOMPARE(second[u"id"].toString(), feed[u"id"].toString());
        QCOMPARE(column(second, "title"), (QStringList{"Najnowsza (obszar Natura 2000: Bagna)",
                                                       "Bez (obszar Natura 2000: Zmian)",
                                                       "Nowa (obszar Natura 2000: Puszcza)"}));
        QCOMPARE(column(second, "id").last(), firstIds.first());

        // A feed on the server that is no feed is rebuilt from the list,
        // and said so.
        m_report.ClearEventLog();
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.xml"), "<html>nie kanał</html>"));
        QVERIFY(publish().feedSent);
        QVERIFY2(EventTexts(m_report).contains(QStringLiteral("Kanał Atom na serwerze był nieczytelny; odtworzono go z "
                                                              "wykazu (wpisów w wykazie: 3).")),
                 qPrintable(EventTexts(m_report).join(u'\n')));
        QCOMPARE(column(parsedFeed(m_server.localPathOf(QStringLiteral("www/wykaz.xml"))), "title").size(), 3);
    }

    // A feed on the server that cannot be read loses nothing that was
    // published: wykaz.txt holds every entry, and the feed is made again
    // from it. Nothing it declares is expanded, nothing beyond the bound
    // is read.
    void unreadableFeedIsRebuiltFromTheList_data()
    {
        QTest::addColumn<QByteArray>("feed");
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        const QByteArray atom = "<feed xmlns=\"http://www.w3.org/2005/Atom\">";
        QByteArray valid = head + atom + "<id>urn:x</id><title>Stary</title>";
        for (int i = 0; i < 20; ++i)
            valid += "<entry><id>urn:stary:" + QByteArray::number(i) + "</id><title>Wpis</title>"
                     "<updated>2008-01-01T00:00:00Z</updated></entry>";
        valid += "</feed>";
        QTest::newRow("cut") << valid.left(valid.size() / 2);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("malformed") << head + atom + "<entry><id>urn:1</id></title></feed>";
        QTest::newRow("not Atom") << head + "<rss version=\"2.0\"><channel><title>Gmina</title></channel></rss>";
        // One 4,000-character entity used 50,000 times: 157 KB that would
        // stand for 200 MB of text.
        QByteArray entities = head + "<!DOCTYPE feed [<!ENTITY w \"" + QByteArray(4000, 'w') + "\">]>\n" + atom +
                              "<id>urn:x</id><title>Stary</title><entry><id>urn:e</id><summary>";
        entities += QByteArray("&w;").repeated(50000);
        entities += "</summary></entry></feed>";
        QTest::newRow("50,000 uses of an entity") << entities;
        QTest::newRow("an entity, used once")
            << head + "<!DOCTYPE feed [<!ENTITY g \"Gmina\">]>" + atom + "<id>urn:x</id><title>&g;</title></feed>";
        QTest::newRow("beyond 16 MB") << head + atom + "<id>urn:x</id><entry><id>urn:duzy</id><summary>" +
                                             QByteArray(17 * 1024 * 1024, 'x') + "</summary></entry></feed>";
    }

    void unreadableFeedIsRebuiltFromTheList()
    {
        QFETCH(QByteArray, feed);
        QStringList published;
        for (int i = 0; i < 20; ++i) {
            const QByteArray gmina = "Gmina" + QByteArray::number(i);
            published << entryOf(record(gmina.constData(), "Ostoja", 3, QDate(2008, 1, 1).addDays(i)));
        }
        QVERIFY(m_server.putFile(serverList(), ListBytes(published)));
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.xml"), feed));
        BuildRegister(*m_baza, {record("Nowa", "Puszcza", 3, QDate(2009, 5, 1))});
        m_settings.atom = true;

        const PublishOutcome outcome = publish();
        QVERIFY(outcome.succeeded());
        QVERIFY2(EventTexts(m_report).contains(QStringLiteral("Kanał Atom na serwerze był nieczytelny; odtworzono go z "
                                                              "wykazu (wpisów w wykazie: 21).")),
                 qPrintable(EventTexts(m_report).join(u'\n')));
        const QString sent = m_server.localPathOf(QStringLiteral("www/wykaz.xml"));
        QVERIFY2(QFileInfo(sent).size() < 64 * 1024, qPrintable(QString::number(QFileInfo(sent).size())));
        const QJsonObject rebuilt = parsedFeed(sent);
        QCOMPARE(rebuilt[u"bozo"].toInt(), 0);
        const QStringList titles = column(rebuilt, "title");
        QCOMPARE(titles.size(), 21);
        QCOMPARE(titles.first(), QStringLiteral("Nowa (obszar Natura 2000: Puszcza)"));
        QCOMPARE(titles[1], QStringLiteral("Gmina19 (obszar Natura 2000: Ostoja)"));
        QCOMPARE(titles.last(), QStringLiteral("Gmina0 (obszar Natura 2000: Ostoja)"));
        QCOMPARE(column(rebuilt, "link")[1], QStringLiteral("http://gmina19.pl/info"));
        QCOMPARE(column(rebuilt, "summary")[1],
                 QStringLiteral("Wprowadzono zmiany na stronie gminy Gmina19 (obszar Natura 2000: Ostoja)."));
        QCOMPARE(column(rebuilt, "updated").last(), QDate(2008, 1, 1).startOfDay().toUTC().toString(Qt::ISODate));
        // The same entries the feed had given them: the ids hold.
        QCOMPARE(column(rebuilt, "id")[1], EntryId(QStringLiteral("http://gmina19.pl/info"), QDate(2008, 1, 20)));
    }

    // An entry of the list as the feed gives it back, with what the list
    // escaped unescaped; lines that are not entries are passed over.
    void listedEntriesReadWhatTheListWrote()
    {
        const QString list = m_data->filePath(QStringLiteral("lista.txt"));
        QVERIFY(testdata::writeAll(list, ListBytes({QStringLiteral("stary wiersz"),
                                                    MakeEntry(QStringLiteral("A&B <Gmina>"), QStringLiteral("Ob\"szar"),
                                                              QStringLiteral("http://a.pl/?x=1&y=2"),
                                                              datevalue::fromDate(QDate(2009, 2, 28))),
                                                    QStringLiteral("Dnia 31 lutego 2009 wprowadzono zmiany <hr>")})));
        const QList<FeedEntry> entries = ListedEntries(list);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].title, QStringLiteral("A&B <Gmina> (obszar Natura 2000: Ob\"szar)"));
        QCOMPARE(entries[0].link, QStringLiteral("http://a.pl/?x=1&y=2"));
        QCOMPARE(entries[0].updated, QDate(2009, 2, 28).startOfDay().toUTC());
        QCOMPARE(entries[0].id, EntryId(QStringLiteral("http://a.pl/?x=1&y=2"), QDate(2009, 2, 28)));
        QVERIFY(ListedEntries(m_data->filePath(QStringLiteral("brak.txt"))).isEmpty());
    }

    void failedFeedUploadFailsThePublication()
    {
        BuildRegister(*m_baza, {record("Nowa", "Puszcza", 3)});
        m_settings.atom = true;
        QVERIFY(m_server.makeDirectory(QStringLiteral("www/wykaz.xml.tmp")));
        QVERIFY(m_server.putFile(QStringLiteral("www/wykaz.xml.tmp/zajete"), "x"));
        const PublishOutcome outcome = publish();
        QVERIFY(outcome.sent);
        QVERIFY(!outcome.feedSent);
        QVERIFY(!outcome.succeeded());
        QVERIFY(EventTexts(m_report).last().startsWith(QStringLiteral("Błąd wysyłki kanału Atom: ")));
        m_settings.atom = false;
        QVERIFY(publish().succeeded()); // a list alone, as asked
    }

    void removesOlderEntriesOfTheSameArea()
    {
        const RecordValues now = record("Abc", "Xyz", 2, QDate(2009, 6, 1));
        BuildRegister(*m_baza, {now});
        const QString older = entryOf(record("Abc", "Xyz", 2, QDate(2008, 1, 1)));
        const QString otherArea = entryOf(record("Abc", "Inny", 2, QDate(2008, 2, 1)));
        const QString otherGmina = entryOf(record("Def", "Xyz", 2, QDate(2008, 3, 1)));
        QVERIFY(m_server.putFile(serverList(), ListBytes({older, otherArea, otherGmina})));
        m_settings.removeOlderEntries = true;
        QVERIFY(publish().sent);
        QCOMPARE(m_server.fileBytes(serverList()), ListBytes({otherArea, otherGmina, entryOf(now)}));
    }

    void shortensToTheOldestEntries_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("sentLines");
        QTest::newRow("N = 3") << "3" << 3;
        QTest::newRow("N = 5") << "5" << 4;
    }
    void shortensToTheOldestEntries()
    {
        QFETCH(QString, count);
        QFETCH(int, sentLines);
        const RecordValues now = record("Nowa", "Ostoja", 3);
        BuildRegister(*m_baza, {now});
        const QStringList old{entryOf(record("A", "1", 1)), entryOf(record("B", "2", 1)), entryOf(record("C", "3", 1))};
        QVERIFY(m_server.putFile(serverList(), ListBytes(old)));
        m_settings.limitEntries = true;
        m_settings.entryCountText = count;
        QVERIFY(publish().sent);
        QCOMPARE(m_server.fileBytes(serverList()), ListBytes((old + QStringList{entryOf(now)}).first(sentLines)));
    }

    void blankLinesOnlyGoWhenShortening_data()
    {
        QTest::addColumn<bool>("limit");
        QTest::addColumn<QByteArray>("sentBefore"); // the server's lines as they come back
        QTest::newRow("limit on") << true << QByteArray("a1\r\na2\r\n");
        QTest::newRow("limit off") << false << QByteArray("  a1 \r\n\r\n\ta2\r\n");
    }
    void blankLinesOnlyGoWhenShortening()
    {
        QFETCH(bool, limit);
        QFETCH(QByteArray, sentBefore);
        const RecordValues now = record("Nowa", "Ostoja", 3);
        BuildRegister(*m_baza, {now});
        QVERIFY(m_server.putFile(serverList(), "  a1 \r\n\r\n\ta2\n"));
        m_settings.limitEntries = limit;
        m_settings.entryCountText = QStringLiteral("10");
        QVERIFY(publish().sent);
        QCOMPARE(m_server.fileBytes(serverList()), sentBefore + ListBytes({entryOf(now)}));
    }

    void missingServerFileGetsOnlyTheNewEntries()
    {
        const RecordValues a = record("Abc", "Xyz", 3);
        const RecordValues b = record("Bcd", "Xyz", 2);
        BuildRegister(*m_baza, {a, b});
        m_settings.removeOlderEntries = true;
        m_settings.limitEntries = true;
        QVERIFY(publish().sent);
        QCOMPARE(m_server.fileBytes(serverList()), ListBytes({entryOf(a), entryOf(b)}));
        QCOMPARE(testdata::WithoutReasons(EventTexts(m_report)),
                 (QStringList{QStringLiteral("Błąd pobierania: Nie można pobrać pliku wykaz.txt."),
                              QStringLiteral("Plik wysłany.")}));
        QVERIFY(!QFile::exists(localList()));
    }

    void unreadServerListIsNotReplaced()
    {
        // The list is on the server, but its download breaks off: sending
        // this publication's entries alone would wipe the list's history.
        FtpTestServer broken(FtpTestServer::Mode::BrokenDownloads);
        QVERIFY2(broken.start(), qPrintable(broken.errorString()));
        QVERIFY(broken.makeDirectory(QStringLiteral("www")));
        const QByteArray before = ListBytes({QStringLiteral("Dnia 1 stycznia 2009 wprowadzono zmiany")}).repeated(200);
        QVERIFY(broken.putFile(serverList(), before));
        m_settings.host = broken.host();
        m_settings.user = broken.user();
        m_settings.password = broken.password();
        BuildRegister(*m_baza, {record("Abc", "Xyz", 3)});
        const PublishOutcome outcome = publish();
        QVERIFY(!outcome.sent);
        QCOMPARE(broken.fileBytes(serverList()), before);
        QCOMPARE(testdata::WithoutReasons(EventTexts(m_report)),
                 (QStringList{QStringLiteral("Błąd pobierania: Nie można pobrać pliku wykaz.txt."),
                              QStringLiteral("Wykaz na serwerze nie został zastąpiony, bo nie udało się go pobrać.")}));
        QVERIFY(!QFile::exists(localList()));
        m_baza->table().first();
        QCOMPARE(m_baza->table().integer(baza::Kod), 3); // still marked for the next publication
    }

    // However the server misbehaves, its list of 50 entries is never
    // shortened nor replaced by this publication's entry alone, and the
    // mark stays for the next publication.
    void misbehavingServersKeepTheirList_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QStringList>("events"); // %HOST%, %LOCAL% filled in
        const QString notReplaced = QStringLiteral("Wykaz na serwerze nie został zastąpiony, bo nie udało się go pobrać.");
        QTest::newRow("first login refused")
            << int(FtpTestServer::Mode::RefuseFirstLogin) << "/www"
            << QStringList{QStringLiteral("Błąd pobierania: Serwer FTP %HOST% odrzucił użytkownika lub hasło (kod 530)"),
                           notReplaced};
        QTest::newRow("download times out")
            << int(FtpTestServer::Mode::SilentDownloads) << "/www"
            << QStringList{QStringLiteral("Błąd pobierania: Nie można pobrać pliku wykaz.txt."), notReplaced};
        QTest::newRow("no such directory")
            << int(FtpTestServer::Mode::ActiveAllowed) << "/nie-ma"
            << QStringList{QStringLiteral("Błąd pobierania: Brak katalogu /nie-ma."), notReplaced};
        QTest::newRow("upload connection dropped")
            << int(FtpTestServer::Mode::DropUploads) << "/www"
            << QStringList{QStringLiteral("Plik pobrany."),
                           QStringLiteral("Błąd wysyłki: Nie można wysłać pliku %LOCAL% na serwer.")};
        QTest::newRow("upload kept short")
            << int(FtpTestServer::Mode::ShortStores) << "/www"
            << QStringList{QStringLiteral("Plik pobrany."),
                           QStringLiteral("Błąd wysyłki: Na serwer dotarło tylko 65536 z %SIZE% bajtów pliku %LOCAL%.")};
    }
    void misbehavingServersKeepTheirList()
    {
        QFETCH(int, mode);
        QFETCH(QString, directory);
        QFETCH(QStringList, events);
        FtpTestServer server{FtpTestServer::Mode(mode)};
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QStringList old;
        for (int i = 0; i < 50; ++i)
            old << entryOf(record("Stara", qPrintable(QStringLiteral("Ostoja %1").arg(i)), 3, QDate(2008, 1, 1).addDays(i)));
        for (int i = 0; i < 40; ++i) // well over what a broken upload lets through
            old << old.mid(0, 50);
        const QByteArray before = ListBytes(old);
        QVERIFY(server.putFile(serverList(), before));
        m_settings.host = server.host();
        m_settings.directory = directory;
        m_settings.user = server.user();
        m_settings.password = server.password();
        const RecordValues now = record("Abc", "Xyz", 3);
        BuildRegister(*m_baza, {now});
        const FtpTimeouts saved = CurrentFtpTimeouts();
        SetFtpTimeouts({2, 1, 1});
        const PublishOutcome outcome = publish();
        SetFtpTimeouts(saved);

        QVERIFY(!outcome.sent);
        QCOMPARE(server.fileBytes(serverList()), before);
        QCOMPARE(QDir(server.localPathOf(QStringLiteral("www"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("wykaz.txt")});
        events.replaceInStrings(QStringLiteral("%HOST%"), server.host());
        events.replaceInStrings(QStringLiteral("%LOCAL%"), localList());
        events.replaceInStrings(QStringLiteral("%SIZE%"), QString::number(before.size() + ListBytes({entryOf(now)}).size()));
        QCOMPARE(testdata::WithoutReasons(EventTexts(m_report)), events);
        QVERIFY(!QFile::exists(localList()));
        m_baza->table().first();
        QCOMPARE(m_baza->table().integer(baza::Kod), 3);

        // The next publication, once the server behaves, sends the whole
        // list with the entry that waited.
        if (mode == int(FtpTestServer::Mode::RefuseFirstLogin)) {
            m_report.ClearEventLog();
            QVERIFY(publish().sent);
            QCOMPARE(server.fileBytes(serverList()), before + ListBytes({entryOf(now)}));
        }
    }

    void nothingMarkedLeavesTheServerAlone()
    {
        BuildRegister(*m_baza, {record("Abc", "Xyz", 0), record("Def", "Xyz", 4), record("Ghi", "Xyz", 5)});
        const QByteArray before = ListBytes({QStringLiteral("  zostaje  "), QString()});
        QVERIFY(m_server.putFile(serverList(), before));
        const QDateTime modified = QFileInfo(m_server.localPathOf(serverList())).lastModified();
        m_settings.limitEntries = true;
        m_settings.entryCountText = QStringLiteral("1");
        const PublishOutcome outcome = publish();
        QVERIFY(!outcome.sent);
        QCOMPARE(outcome.appended, 0);
        QCOMPARE(m_server.fileBytes(serverList()), before);
        QCOMPARE(QFileInfo(m_server.localPathOf(serverList())).lastModified(), modified);
        QCOMPARE(EventTexts(m_report),
                 (QStringList{QStringLiteral("Plik pobrany."),
                              QStringLiteral("Nie zaznaczono żadnego rekordu do aktualizacji na serwerze.")}));
        QCOMPARE(m_progress.steps, (QStringList{QStringLiteral("[grid hidden]"), kDownloadStep, kRemoveStep,
                                                 kAppendStep, kClosing, QStringLiteral("[grid shown]")}));
        QVERIFY(!QFile::exists(localList()));
    }

    void failedTransfersLeaveNoLocalCopy_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QStringList>("events");
        // The list was not read, so nothing is sent: the reason and the
        // refusal are in the event log.
        const QString notReplaced = QStringLiteral("Wykaz na serwerze nie został zastąpiony, bo nie udało się go pobrać.");
        QTest::newRow("nobody listens")
            << "closed port" << QStringList{QStringLiteral("Błąd pobierania: Host \"%HOST%\" jest niedostępny"), notReplaced};
        QTest::newRow("no server data")
            << "no data"
            << QStringList{QStringLiteral("Braki w danych dotyczących serwera. Sprawdź konfigurację."), notReplaced};
        QTest::newRow("missing directory")
            << "directory" << QStringList{QStringLiteral("Błąd pobierania: Brak katalogu /nie-ma."), notReplaced};
    }
    void failedTransfersLeaveNoLocalCopy()
    {
        QFETCH(QString, problem);
        QFETCH(QStringList, events);
        BuildRegister(*m_baza, {record("Abc", "Xyz", 3)});
        if (problem == QLatin1String("closed port"))
            m_settings.host = QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::unusedPort());
        else if (problem == QLatin1String("no data"))
            m_settings.host.clear();
        else
            m_settings.directory = QStringLiteral("/nie-ma");
        const PublishOutcome outcome = publish();
        QVERIFY(!outcome.sent);
        QCOMPARE(outcome.appended, 1);
        events.replaceInStrings(QStringLiteral("%HOST%"), m_settings.host);
        QCOMPARE(testdata::WithoutReasons(EventTexts(m_report)), events);
        QVERIFY(!QFile::exists(localList()));
        QCOMPARE(m_progress.steps.last(), QStringLiteral("[grid shown]"));
    }

    void fileErrorStillRestoresTheGrid()
    {
        BuildRegister(*m_baza, {record("Abc", "Xyz", 3)});
        QVERIFY(QDir().mkpath(localList())); // a directory where the local copy goes
        QVERIFY(m_server.putFile(serverList(), "serwer\r\n"));
        QVERIFY_THROWS_EXCEPTION(FileError, publish());
        QCOMPARE(m_progress.steps.first(), QStringLiteral("[grid hidden]"));
        QCOMPARE(m_progress.steps.mid(m_progress.steps.size() - 2),
                 (QStringList{kClosing, QStringLiteral("[grid shown]")}));
        QVERIFY(!m_progress.steps.contains(kUploadStep));
        QCOMPARE(m_server.fileBytes(serverList()), QByteArray("serwer\r\n"));
    }

    void escapedNamesReplaceTheirOlderEntries()
    {
        const RecordValues now = record("Kowale & Synowie <Dolne>", "Ostoja \"Las\"", 3, QDate(2010, 4, 4));
        BuildRegister(*m_baza, {now});
        const QString olderEscaped = entryOf(record("Kowale & Synowie <Dolne>", "Ostoja \"Las\"", 3, QDate(2009, 1, 1)));
        const QString olderRaw = QStringLiteral("Dnia 1 maja 2008 ... <b>Kowale & Synowie <Dolne></b></a> "
                                                "(obszar Natura 2000: Ostoja \"Las\"). <hr>");
        const QString neighbour = entryOf(record("Kowale", "Ostoja \"Las\"", 3, QDate(2009, 1, 1)));
        QVERIFY(m_server.putFile(serverList(), ListBytes({olderEscaped, neighbour, olderRaw})));
        m_settings.removeOlderEntries = true;
        QVERIFY(publish().sent);
        const QString sent = QString::fromLatin1(m_server.fileBytes(serverList()));
        QCOMPARE(sent, QString::fromLatin1(ListBytes({neighbour, entryOf(now)})));
        QVERIFY(sent.contains(QStringLiteral("<b>Kowale &amp; Synowie &lt;Dolne&gt;</b>")));
        QVERIFY(sent.contains(QStringLiteral("(obszar Natura 2000: Ostoja &quot;Las&quot;)")));
    }

    void publishCommandRefusals_data()
    {
        QTest::addColumn<bool>("emptyTable");
        QTest::addColumn<bool>("runActive");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("empty table") << true << false << true
                                     << QStringList{QStringLiteral("Brak danych do wysyłki w bazie")} << QStringList{};
        QTest::newRow("empty table during a run")
            << true << true << false << QStringList{QStringLiteral("Brak danych do wysyłki w bazie")} << QStringList{};
        QTest::newRow("run active")
            << false << true << true << QStringList{QStringLiteral("Program jeszcze analizuje strony inernetowe.")}
            << QStringList{};
        QTest::newRow("offline") << false << false << false << QStringList{}
                                 << QStringList{QStringLiteral("Brak połącznia z Internetem")};
        QTest::newRow("publishes") << false << false << true << QStringList{}
                                   << QStringList{QStringLiteral("Błąd pobierania: Nie można pobrać pliku wykaz.txt."),
                                                  QStringLiteral("Plik wysłany.")};
    }
    void publishCommandRefusals()
    {
        QFETCH(bool, emptyTable);
        QFETCH(bool, runActive);
        QFETCH(bool, online);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, events);
        const RecordValues a = record("Abc", "Xyz", 3);
        BuildRegister(*m_baza, emptyTable ? QList<RecordValues>{} : QList<RecordValues>{a});
        ConnectionOverride connection(online);
        ScriptedDialogs dialogs;
        const PublishOutcome outcome =
            PublishCommand(*m_baza, runActive, m_settings, m_report, m_progress, dialogs);
        QCOMPARE(dialogs.messages, messages);
        QCOMPARE(testdata::WithoutReasons(EventTexts(m_report)), events);
        const bool published = !events.isEmpty() && events.last() == QStringLiteral("Plik wysłany.");
        QCOMPARE(outcome.sent, published);
        QCOMPARE(m_server.fileBytes(serverList()), published ? ListBytes({entryOf(a)}) : QByteArray());
        QCOMPARE(m_progress.steps.isEmpty(), !published);
    }
};

QTEST_GUILESS_MAIN(TestPublishUpdates)
#include "tst_publishupdates.moc"
