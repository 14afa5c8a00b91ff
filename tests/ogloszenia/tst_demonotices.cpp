// Two runs of ekowarta-cli over the demo (its own server, register and FTP
// server, as `make demo` starts them), with the demo's Milicz announcing a
// consultation between them: the record gets kod 3; the notice stands in
// the notices window, the e-mail after the second run, the Atom feed and
// terminy.ics (here and on the server) with its deadline; the page that
// only counted a visitor shows nothing anywhere; the new row of Krośnice's
// list is read from the PDF it links to.
#include "baza/baza.h"
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "historia/historystore.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "noticeswindow.h"
#include "support/smtptestserver.h"
#include "support/testdata.h"
#include "support/widgetlookup.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTableWidget>
#include <QTcpServer>
#include <QtTest>

namespace {

const QString kDemo = testdata::sourcePath(QStringLiteral("demo"));
const QString kPython = QStringLiteral("/usr/bin/python3");

// A port with its neighbour (the demo's FTP) free on 127.0.0.1.
quint16 freePortPair()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTcpServer http;
        QTcpServer ftp;
        if (http.listen(QHostAddress::LocalHost, 0) && http.serverPort() < 65535 &&
            ftp.listen(QHostAddress::LocalHost, http.serverPort() + 1))
            return http.serverPort();
    }
    return 0;
}

QJsonObject parsed(const char* checker, const QString& path)
{
    QProcess p;
    p.start(kPython, {testdata::testServer(QString::fromLatin1(checker)), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QString day(const QDate& d)
{
    return d.toString(QStringLiteral("d.MM.yyyy"));
}

} // namespace

class TestDemoNotices : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;
    SmtpTestServer m_smtp;
    QDate m_today;
    QString m_reference;
    QString m_milicz, m_suwalki, m_krosnice; // their pages
    int m_miliczRecord = 0, m_suwalkiRecord = 0;
    int m_miliczKod = -1, m_suwalkiKod = -1;

    testdata::ProcessResult cli(const QStringList& args, int timeoutMs = 60000)
    {
        return testdata::run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), m_dir.path()} + args,
                             timeoutMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,localhost,127.0.0.0/8");
        QVERIFY2(QFile::exists(kPython), "the demo server needs Debian's /usr/bin/python3");
        QVERIFY2(m_smtp.start(), qPrintable(m_smtp.errorString()));
        const quint16 port = freePortPair();
        QVERIFY(port > 0);
        const QString script = QDir(kDemo).filePath(QStringLiteral("serwer_pokazowy.py"));
        QCOMPARE(QProcess::execute(kPython, {script, QStringLiteral("prepare"), QStringLiteral("--dir"), m_dir.path(),
                                             QStringLiteral("--port"), QString::number(port)}),
                 0);
        const auto imported = cli({QStringLiteral("import"), m_dir.filePath(QStringLiteral("rejestr.csv"))});
        QVERIFY2(imported.exitCode == 0, imported.err.constData());

        // The summary by e-mail, the feed and the calendar on, changes
        // without new content skipped.
        const QString ini = m_dir.filePath(QStringLiteral("config.ini"));
        Settings s;
        konfig::LoadSettings(s, ini);
        s.notify = true;
        s.smtpUrl = m_smtp.url();
        s.mailFrom = QStringLiteral("ekowarta@example.pl");
        s.mailTo = QStringLiteral("ola@example.pl");
        s.atom = true;
        s.ical = true;
        s.skipWithoutNewContent = true;
        konfig::SaveSettings(s, ini);

        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start(kPython, {script, QStringLiteral("serve"), QStringLiteral("--dir"), m_dir.path(),
                                 QStringLiteral("--port"), QString::number(port), QStringLiteral("--slow"),
                                 QStringLiteral("0.2")});
        QVERIFY(m_server.waitForStarted());
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += m_server.readAllStandardOutput()).contains("PORT"),
                                  m_server.readAllStandardError().constData(), 10000);

        m_today = QDate::currentDate();
        m_reference = QStringLiteral("GKR.6220.21.%1").arg(m_today.addDays(-1).year());
        for (int run = 0; run < 2; ++run) {
            const auto r = cli({QStringLiteral("run"), QStringLiteral("--new")}, 180000);
            QVERIFY2(r.exitCode == 0, r.err.constData());
        }
        // The feed goes with publication.
        const auto published = cli({QStringLiteral("publish")});
        QVERIFY2(published.exitCode == 0, published.err.constData());

        baza::Baza b(m_dir.path());
        b.OpenTable();
        dbf::DbfTable& t = b.table();
        for (int row = 0; row < t.recordCount(); ++row) {
            t.setRow(row);
            if (t.text(baza::Gmina) == QStringLiteral("Milicz")) {
                m_miliczRecord = t.recNo();
                m_milicz = t.text(baza::Info).trimmed();
            } else if (t.text(baza::Gmina) == QStringLiteral("Suwałki")) {
                m_suwalkiRecord = t.recNo();
                m_suwalki = t.text(baza::Info).trimmed();
            } else if (t.text(baza::Gmina) == QStringLiteral("Krośnice")) {
                m_krosnice = t.text(baza::Info).trimmed();
            }
        }
        QVERIFY(m_miliczRecord > 0 && m_suwalkiRecord > 0);
        // The verdicts as the second run left them (publication cleared the marks).
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        const QList<historia::StoredCheck> milicz = store.Checks(m_milicz);
        const QList<historia::StoredCheck> suwalki = store.Checks(m_suwalki);
        QCOMPARE(milicz.size(), 2);
        QCOMPARE(suwalki.size(), 2);
        QCOMPARE(milicz[0].kod, 0); // the first run is the baseline
        m_miliczKod = milicz[1].kod;
        m_suwalkiKod = suwalki[1].kod;
    }
    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    void theNewNoticeGivesKod3AndTheCounterNothing()
    {
        QCOMPARE(m_miliczKod, 3);
        QCOMPARE(m_suwalkiKod, 0);
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        const QList<historia::StoredCheck> checks = store.Checks(m_milicz);
        const QList<historia::StoredNotice> brought = store.NoticesOfCheck(checks[1].id);
        QCOMPARE(brought.size(), 1);
        const ogloszenia::Notice& n = brought.first().notice;
        QCOMPARE(n.reference, m_reference);
        QCOMPARE(n.kind, QStringLiteral("obwieszczenie"));
        QCOMPARE(n.procedure, QStringLiteral("DŚU"));
        QCOMPARE(n.commentsUntil, m_today.addDays(21));
        QVERIFY(n.natura2000);
        QVERIFY(store.NoticesOfCheck(store.Checks(m_suwalki)[1].id).isEmpty());
    }

    void theNewRowIsReadFromItsPdf()
    {
        historia::HistoryStore store(historia::HistoryStore::PathIn(m_dir.path()));
        store.open(historia::HistoryStore::Mode::ReadOnly);
        const QList<historia::StoredCheck> checks = store.Checks(m_krosnice);
        QCOMPARE(checks.size(), 2);
        const QList<historia::StoredDocument> docs = store.DocumentsOfCheck(checks[1].id);
        QCOMPARE(docs.size(), 1);
        QVERIFY(docs[0].address.endsWith(QStringLiteral("/krosnice/pliki/obwieszczenie-14.pdf")));
        QCOMPARE(docs[0].outcome, historia::StoredDocument::Outcome::Text);
        const QList<historia::StoredNotice> brought = store.NoticesOfCheck(checks[1].id);
        QCOMPARE(brought.size(), 1);
        const ogloszenia::Notice& n = brought.first().notice;
        QCOMPARE(n.reference, QStringLiteral("RGK.6220.14.%1").arg(m_today.addDays(-1).year()));
        QCOMPARE(n.procedure, QStringLiteral("DŚU"));
        QCOMPARE(n.commentsUntil, m_today.addDays(14));
        QCOMPARE(n.document, docs[0].address);
    }

    void theNoticesWindowShowsIt()
    {
        baza::Baza b(m_dir.path());
        b.OpenTable();
        NoticesWindow w(m_dir.path(), b.table());
        childNamed<QCheckBox>(w, "TerminOtwarty")->setChecked(true);
        auto* list = childNamed<QTableWidget>(w, "ListaOgloszen");
        int found = -1;
        for (int row = 0; row < list->rowCount(); ++row) {
            QVERIFY(list->item(row, 1)->text() != QStringLiteral("Suwałki"));
            if (list->item(row, 6)->text() == m_reference)
                found = row;
        }
        QVERIFY(found >= 0);
        QCOMPARE(list->item(found, 1)->text(), QStringLiteral("Milicz"));
        QCOMPARE(list->item(found, 7)->text(), day(m_today.addDays(-1)) + QStringLiteral(" – ") + day(m_today.addDays(21)));
        QCOMPARE(list->item(found, 8)->text(), QStringLiteral("21 dni"));
    }

    void theEmailTellsItFirstWithItsDeadline()
    {
        const QList<QJsonObject> mails = m_smtp.messages();
        QCOMPARE(mails.size(), 2);
        // The baseline run marks nothing and brings no news.
        QVERIFY(!mails[0].value(QStringLiteral("body")).toString().contains(QStringLiteral("Nowe ogłoszenia")));
        const QString body = mails[1].value(QStringLiteral("body")).toString();
        const qsizetype notices = body.indexOf(QStringLiteral("Nowe ogłoszenia ("));
        const qsizetype notice = body.indexOf(QStringLiteral("- obwieszczenie ") + m_reference);
        const qsizetype deadline = body.indexOf(QStringLiteral("  Termin uwag: ") + day(m_today.addDays(-1)) +
                                                QStringLiteral(" – ") + day(m_today.addDays(21)) +
                                                QStringLiteral(" (zostało 21 dni)"));
        const qsizetype pages = body.indexOf(QStringLiteral("Strony zaktualizowane ("));
        QVERIFY2(notices >= 0 && notices < notice && notice < deadline && deadline < pages, qPrintable(body));
        QVERIFY2(!body.contains(QStringLiteral("Suwałki")), qPrintable(body));
        QVERIFY(mails[1].value(QStringLiteral("headers")).toObject().value(QStringLiteral("Subject")).toString().contains(
            QStringLiteral("nowe ogłoszenia")));
    }

    void theFeedHasAnEntryOfItsOwn()
    {
        const QJsonObject feed = parsed("feedcheck.py", m_dir.filePath(QStringLiteral("ftp/wykaz.xml")));
        QCOMPARE(feed[u"bozo"].toInt(), 0);
        QStringList titles;
        for (const QJsonValue& e : feed[u"entries"].toArray())
            titles << e.toObject()[u"title"].toString();
        QVERIFY2(titles.contains(QStringLiteral("Obwieszczenie %1 z %2 – Milicz (obszar Natura 2000: PLB020001 Dolina "
                                                "Baryczy)")
                                     .arg(m_reference, day(m_today.addDays(-1)))),
                 qPrintable(titles.join(u'|')));
        for (const QString& t : titles)
            QVERIFY2(!t.contains(QStringLiteral("Suwałki")), qPrintable(t));
    }

    void theCalendarHoldsItsDeadline()
    {
        for (const QString& path : {m_dir.filePath(QStringLiteral("terminy.ics")),
                                    m_dir.filePath(QStringLiteral("ftp/terminy.ics"))}) {
            const QJsonObject cal = parsed("icalcheck.py", path);
            QJsonObject event;
            for (const QJsonValue& e : cal[u"events"].toArray())
                if (e.toObject()[u"summary"].toString() ==
                    QStringLiteral("Termin uwag: obwieszczenie %1 – Milicz").arg(m_reference))
                    event = e.toObject();
            QVERIFY2(!event.isEmpty(), qPrintable(path));
            QCOMPARE(event[u"start"].toString(), m_today.addDays(21).toString(Qt::ISODate));
            QVERIFY(event[u"description"].toString().contains(QStringLiteral("Strona: ") + m_milicz));
            for (const QJsonValue& e : cal[u"events"].toArray())
                QVERIFY(!e.toObject()[u"summary"].toString().contains(QStringLiteral("Suwałki")));
        }
    }
};

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestDemoNotices test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_demonotices.moc"
