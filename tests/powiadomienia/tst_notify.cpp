// The summary e-mail and the alerts, against real SMTP servers on loopback.
#include "../publikacja/registerfixture.h"

#include "baza/fields.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "internet/tlstrust.h"
#include "konfig/settings.h"
#include "powiadomienia/failingpages.h"
#include "powiadomienia/runnotifier.h"
#include "powiadomienia/runsummary.h"
#include "powiadomienia/smtpsend.h"
#include "raport/runreport.h"
#include "support/ftptestserver.h"
#include "support/seams.h"
#include "support/silentsmtpserver.h"
#include "support/smtptestserver.h"
#include "support/englishwords.h"
#include "support/testdata.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace powiadomienia;

namespace {

class TrustedCa
{
public:
    explicit TrustedCa(const QString& path) : m_previous(TlsTrust::setCaFileForTests(path)) {}
    ~TrustedCa() { TlsTrust::setCaFileForTests(m_previous); }

private:
    QString m_previous;
};

MailMessage message(const QString& subject = QStringLiteral("Ekowarta: zaktualizowane 1, błędy 0, niedostępne 0"))
{
    MailMessage m;
    m.from = QStringLiteral("ekowarta@gmina.example.pl");
    m.to = SplitRecipients(QStringLiteral(" ola@example.pl , ,jan@example.com "));
    m.subject = subject;
    m.body = QStringLiteral("Zażółć gęślą jaźń\n.\n..kropki na początku\n") + QString(1500, QLatin1Char('x')) +
             QStringLiteral("\nkoniec\n");
    return m;
}

QStringList strings(const QJsonValue& v)
{
    QStringList out;
    for (const QJsonValue& e : v.toArray())
        out << e.toString();
    return out;
}

historia::PackedBody packed(const QByteArray& body, const QString& text)
{
    historia::PackedBody p;
    p.sha256 = historia::Sha256Hex(body);
    p.size = body.size();
    p.body = historia::Pack(body);
    p.text = historia::Pack(text.toUtf8());
    return p;
}

void addCheck(historia::HistoryStore& store, const QString& page, const QDateTime& at, bool ok,
              const historia::PackedBody* body = nullptr, bool newContent = false)
{
    historia::StoredCheck c;
    c.page = page;
    c.address = page;
    c.moment = at;
    c.status = ok ? 2 : 0;
    c.httpCode = ok ? 200 : 404;
    c.outcome = ok ? QStringLiteral("text/html") : QStringLiteral("Błędna strona: Not Found");
    c.kod = ok ? 3 : 5;
    c.newContent = newContent;
    store.AddCheck(c, ok ? body : nullptr);
}

} // namespace

class TestNotify : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageArrivesWithProperHeaders()
    {
        SmtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const MailMessage m = message();
        const SendResult r = SendMail({server.url(), {}, {}}, m);
        QVERIFY2(r.sent, qPrintable(r.error));

        const QList<QJsonObject> got = server.messages();
        QCOMPARE(got.size(), 1);
        const QJsonObject mail = got.first();
        QCOMPARE(mail[u"mail_from"].toString(), m.from);
        QCOMPARE(strings(mail[u"rcpt_tos"]), (QStringList{"ola@example.pl", "jan@example.com"}));
        const QJsonObject headers = mail[u"headers"].toObject();
        QCOMPARE(headers[u"Subject"].toString(), m.subject);
        QCOMPARE(headers[u"To"].toString(), QStringLiteral("ola@example.pl, jan@example.com"));
        QCOMPARE(headers[u"MIME-Version"].toString(), QStringLiteral("1.0"));
        QVERIFY(headers[u"Message-ID"].toString().endsWith(QStringLiteral("@gmina.example.pl>")));
        QVERIFY(QDateTime::fromString(headers[u"Date"].toString(), Qt::RFC2822Date).isValid());
        QCOMPARE(mail[u"charset"].toString(), QStringLiteral("utf-8"));
        // The headers themselves are ASCII: the subject travels encoded.
        const QString raw = mail[u"raw_headers"].toString();
        QVERIFY(raw.contains(QStringLiteral("Subject: =?UTF-8?B?")));
        QVERIFY(!raw.contains(QStringLiteral("błędy")));
        QString body = mail[u"body"].toString();
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(body, m.body);
        QVERIFY(!mail[u"tls"].toBool());

        // A password does not go to a server that cannot encrypt.
        const SendResult login = SendMail({server.url(), QStringLiteral("jan"), QStringLiteral("Tajne-7")}, m);
        QCOMPARE(login.error, QStringLiteral("Serwer poczty 127.0.0.1:%1 nie oferuje szyfrowania (STARTTLS), a hasło nie "
                                             "może iść otwartym tekstem")
                                  .arg(QUrl(server.url()).port()));
        QCOMPARE(server.messages().size(), 1);
    }

    void tlsIsAlwaysVerified_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("STARTTLS") << int(SmtpTestServer::Mode::StartTls);
        QTest::newRow("smtps") << int(SmtpTestServer::Mode::Smtps);
    }

    void tlsIsAlwaysVerified()
    {
        QFETCH(int, mode);
        SmtpTestServer server(SmtpTestServer::Mode(mode), QStringLiteral("jan:Tajne-7"));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const SmtpAccount account{server.url(), QStringLiteral("jan"), QStringLiteral("Tajne-7")};

        // The test certificate is nobody's CA by default.
        const SendResult untrusted = SendMail(account, message());
        QVERIFY(!untrusted.sent);
        const int port = QUrl(server.url()).port();
        QCOMPARE(untrusted.error, QStringLiteral("Certyfikat serwera poczty 127.0.0.1:%1 nie został potwierdzony").arg(port));
        QVERIFY(server.messages().isEmpty());

        const TrustedCa trust(SmtpTestServer::certificate());
        const SendResult wrongPassword = SendMail({server.url(), QStringLiteral("jan"), QStringLiteral("zle")}, message());
        // The server's own words may follow, quoted, after ours.
        QCOMPARE(testdata::WithoutServerWords(wrongPassword.error),
                 QStringLiteral("Serwer poczty 127.0.0.1:%1 odrzucił użytkownika lub hasło (kod 535)").arg(port));
        const SendResult r = SendMail(account, message());
        QVERIFY2(r.sent, qPrintable(r.error));
        const QList<QJsonObject> got = server.messages();
        QCOMPARE(got.size(), 1);
        QVERIFY(got.first()[u"tls"].toBool());
        QCOMPARE(got.first()[u"login"].toString(), QStringLiteral("jan"));
    }

    void failuresAreToldInPolish_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("error");
        // The refusal in our words, then the server's own, quoted.
        QTest::newRow("refusing") << int(SmtpTestServer::Mode::Refuse)
                                  << QStringLiteral("Serwer poczty 127.0.0.1:%1 odrzucił nadawcę lub adresata (kod 550) "
                                                    "(odpowiedź serwera: „5.1.1 Odbiorca odrzucony”)");
        QTest::newRow("dropping") << int(SmtpTestServer::Mode::Drop) << QStringLiteral("Serwer poczty 127.0.0.1:%1 przerwał połączenie");
        QTest::newRow("nobody") << -1 << QStringLiteral("Serwer poczty 127.0.0.1:%1 jest niedostępny");
    }

    void failuresAreToldInPolish()
    {
        QFETCH(int, mode);
        QFETCH(QString, error);
        SmtpTestServer server(mode < 0 ? SmtpTestServer::Mode::Plain : SmtpTestServer::Mode(mode));
        QString url;
        if (mode < 0) {
            const quint16 port = FtpTestServer::unusedPort();
            url = QStringLiteral("smtp://127.0.0.1:%1").arg(port);
            error = error.arg(port);
        } else {
            QVERIFY2(server.start(), qPrintable(server.errorString()));
            url = server.url();
            error = error.arg(QUrl(url).port());
        }
        const SendResult r = SendMail({url, {}, {}}, message());
        QVERIFY(!r.sent);
        QCOMPARE(r.error, error);
        QVERIFY(server.messages().isEmpty());
    }

    // A server that falls silent holds the sender no longer than the bound,
    // and what it did is told as it was: a message it accepted was sent
    // whatever the goodbye, and a server that answered and then stopped
    // was there all along.
    void silentServersAreToldAsTheyWere_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("error");
        QTest::newRow("accepts, never answers QUIT") << int(SilentSmtpServer::Mode::SilentQuit) << true << QString();
        QTest::newRow("never answers the final dot")
            << int(SilentSmtpServer::Mode::SilentEnd) << false
            << QStringLiteral("Serwer poczty 127.0.0.1:%1 przestał odpowiadać");
        QTest::newRow("closes at the final dot")
            << int(SilentSmtpServer::Mode::CloseAtEnd) << false << QStringLiteral("Serwer poczty 127.0.0.1:%1 przerwał połączenie");
        QTest::newRow("never greets") << int(SilentSmtpServer::Mode::GreetSilent) << false
                                      << QStringLiteral("Serwer poczty 127.0.0.1:%1 jest niedostępny");
    }

    void silentServersAreToldAsTheyWere()
    {
        QFETCH(int, mode);
        QFETCH(bool, sent);
        QFETCH(QString, error);
        SilentSmtpServer server{SilentSmtpServer::Mode(mode)};
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const int before = SetSmtpSilenceForTests(2);
        QElapsedTimer clock;
        clock.start();
        const SendResult r = SendMail({server.url(), {}, {}}, message());
        const qint64 took = clock.elapsed();
        SetSmtpSilenceForTests(before);
        QCOMPARE(r.sent, sent);
        if (!sent)
            QCOMPARE(r.error, error.contains(QLatin1String("%1")) ? error.arg(QUrl(server.url()).port()) : error);
        // Two silences at most: the one that ended the message and the goodbye.
        QVERIFY2(took < 9000, qPrintable(QString::number(took)));
    }

    void headerInjectionAndBadAddressesAreRefused_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("error");
        const QString ok = QStringLiteral("a@example.pl");
        QTest::newRow("subject") << ok << ok << QStringLiteral("Ekowarta\r\nBcc: obcy@example.pl") << QString()
                                 << QStringLiteral("Nadawca i temat wiadomości nie mogą zawierać znaku końca wiersza");
        QTest::newRow("sender") << QStringLiteral("a@example.pl\nBcc: obcy@example.pl") << ok << QStringLiteral("x")
                                << QString()
                                << QStringLiteral("Nadawca i temat wiadomości nie mogą zawierać znaku końca wiersza");
        QTest::newRow("recipient") << ok << QStringLiteral("b@example.pl\r\nBcc: obcy@example.pl") << QStringLiteral("x")
                                   << QString()
                                   << QStringLiteral("Adresy odbiorców nie mogą zawierać znaku końca wiersza");
        QTest::newRow("no recipient") << ok << QStringLiteral(" , ") << QStringLiteral("x") << QString()
                                      << QStringLiteral("Nie podano adresu odbiorcy");
        QTest::newRow("named recipient") << ok << QStringLiteral("Jan <jan@example.pl>") << QStringLiteral("x")
                                         << QString() << QStringLiteral("Nieprawidłowy adres odbiorcy: Jan <jan@example.pl>");
        QTest::newRow("not smtp") << ok << ok << QStringLiteral("x") << QStringLiteral("http://127.0.0.1:25")
                                  << QStringLiteral("Adres serwera poczty ma postać smtp://serwer:port lub smtps://serwer:port");
    }

    void headerInjectionAndBadAddressesAreRefused()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, subject);
        QFETCH(QString, url);
        QFETCH(QString, error);
        SmtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        MailMessage m;
        m.from = from;
        m.to = SplitRecipients(to);
        m.subject = subject;
        m.body = QStringLiteral("treść\n");
        const SendResult r = SendMail({url.isEmpty() ? server.url() : url, {}, {}}, m);
        QVERIFY(!r.sent);
        QCOMPARE(r.error, error);
        QVERIFY(server.messages().isEmpty());
    }

    // One register, one history: the message after a run tells the run's
    // updated and failed pages and the pages that keep failing; a failure
    // to send is one line in the event log and leaves the register alone.
    void summaryAfterARun()
    {
        QTemporaryDir dir;
        const QString pa = QStringLiteral("http://127.0.0.2/ogloszenia");
        const QString pd = QStringLiteral("http://127.0.0.3/info");
        const QString pf = QStringLiteral("http://127.0.0.4/info");
        {
            historia::HistoryStore store(historia::HistoryStore::PathIn(dir.path()));
            store.open(historia::HistoryStore::Mode::ReadWrite);
            const QDateTime t0(QDate(2026, 11, 2), QTime(6, 30));
            const historia::PackedBody a = packed("a", QStringLiteral("Ogłoszenia\nObwieszczenie A"));
            const historia::PackedBody b = packed("b", QStringLiteral("Ogłoszenia\nObwieszczenie B <&>\nObwieszczenie A"));
            addCheck(store, pa, t0, true, &a, true);
            addCheck(store, pa, t0.addDays(1), true, &b, true);
            addCheck(store, pd, t0, true, &a, true);
            for (int i = 1; i <= 3; ++i)
                addCheck(store, pd, t0.addDays(i), false);
            addCheck(store, pf, t0, true, &a, true);
            for (int i = 1; i <= 2; ++i)
                addCheck(store, pf, t0.addDays(i), false);
            // A page no record has any more.
            for (int i = 1; i <= 3; ++i)
                addCheck(store, QStringLiteral("http://127.0.0.9/stara"), t0.addDays(i), false);
        }
        baza::Baza b(dir.path());
        BuildRegister(b, {{QStringLiteral("Łomianki"), QStringLiteral("Kampinos"), pa, QDate(2026, 11, 3), 3},
                          {QStringLiteral("Izabelin"), QStringLiteral("Kampinos"), pd, {}, 5},
                          {QStringLiteral("Leszno"), QStringLiteral("Puszcza"), pd, {}, 5},
                          {QStringLiteral("Czosnów"), QStringLiteral("Dolina Wisły"), pf, {}, 4}});
        const QString uwagi[] = {{}, QStringLiteral("Błędna strona: Not Found"), {},
                                 QStringLiteral("Problem z odczytem strony (przekroczony czas)")};
        for (int row = 0; row < 4; ++row) {
            b.table().setRow(row);
            b.table().edit();
            b.table().setText(baza::Uwagi, uwagi[row]);
            b.table().post();
        }
        RunReport report;
        Settings settings;
        settings.mailFrom = QStringLiteral("ekowarta@example.pl");
        settings.mailTo = QStringLiteral("ola@example.pl");
        RunNotifier notifier(b.directory(), b.table(), report, settings);
        const PinnedClock clock(QDateTime(QDate(2026, 11, 5), QTime(7, 15)));

        // Notifications off: nothing, and the run's lines are forgotten.
        report.AddUpdatedLine(1, QStringLiteral("Łomianki"));
        QVERIFY(!notifier.prepare(RunOutcome::Finished, false));
        settings.notify = true;
        report.AddUpdatedLine(1, QStringLiteral("Łomianki"));
        report.AddErrorLine(2, QStringLiteral("Izabelin"));
        report.AddErrorLine(4, QStringLiteral("Czosnów"));
        QVERIFY(!notifier.prepare(RunOutcome::Offline, false)); // no run took place
        report.AddUpdatedLine(1, QStringLiteral("Łomianki"));
        report.AddErrorLine(2, QStringLiteral("Izabelin"));
        report.AddErrorLine(4, QStringLiteral("Czosnów"));
        const std::optional<PreparedMail> mail = notifier.prepare(RunOutcome::Finished, false);
        QVERIFY(mail);
        QCOMPARE(mail->message.subject, QStringLiteral("Ekowarta: zaktualizowane 1, błędy 2, niedostępne 1"));
        const QString body = QLatin1Char('\n') + mail->message.body;
        const QStringList expected{
            QStringLiteral("Kontrola stron zakończona 05.11.2026 07:15."),
            QStringLiteral("Strony zaktualizowane (1):"),
            QStringLiteral("- Łomianki (obszar Natura 2000: Kampinos), LP 1"),
            QStringLiteral("  ") + pa,
            QStringLiteral("  nowa data"),
            QStringLiteral("  + Obwieszczenie B <&>"),
            QStringLiteral("Strony z błędem lub przekroczonym czasem (2):"),
            QStringLiteral("  Uwagi: Błędna strona: Not Found"),
            QStringLiteral("- Czosnów (obszar Natura 2000: Dolina Wisły), LP 4"),
            QStringLiteral("  przekroczony czas"),
            QStringLiteral("  Uwagi: Problem z odczytem strony (przekroczony czas)"),
            QStringLiteral("Strony niedostępne (1), nieudanych kontroli z rzędu: co najmniej 3:"),
            QStringLiteral("- ") + pd +
                QStringLiteral(" — Izabelin (obszar Natura 2000: Kampinos), Leszno (obszar Natura 2000: Puszcza); "
                               "ostatnia udana kontrola: 02.11.2026"),
        };
        qsizetype at = 0;
        for (const QString& line : expected) {
            const qsizetype found = body.indexOf(QLatin1Char('\n') + line + QLatin1Char('\n'), at);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("missing or out of order: ") + line + QStringLiteral("\n") + body));
            at = found + 1;
        }
        QVERIFY(!body.contains(QStringLiteral("127.0.0.9")));
        QVERIFY(!body.contains(QStringLiteral("Obwieszczenie A")));
        b.table().close();

        // Refused: one line in the event log, the register untouched.
        const QByteArray before = testdata::readAll(b.dbfPath());
        SmtpTestServer refusing(SmtpTestServer::Mode::Refuse);
        QVERIFY2(refusing.start(), qPrintable(refusing.errorString()));
        PreparedMail toRefusing = *mail;
        toRefusing.account.url = refusing.url();
        QVERIFY(!notifier.sendNow(toRefusing).sent);
        QCOMPARE(EventTexts(report), QStringList{QStringLiteral("Nie udało się wysłać podsumowania kontroli e-mailem: Serwer "
                                                                "poczty 127.0.0.1:%1 odrzucił nadawcę lub adresata (kod 550) "
                                                                "(odpowiedź serwera: „5.1.1 Odbiorca odrzucony”)")
                                                     .arg(QUrl(refusing.url()).port())});
        QCOMPARE(testdata::readAll(b.dbfPath()), before);

        // From the window: on a thread of its own, the outcome logged back.
        SmtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        PreparedMail toServer = *mail;
        toServer.account.url = server.url();
        QSignalSpy sent(&notifier, &RunNotifier::sent);
        notifier.sendInBackground(toServer);
        QCOMPARE(notifier.sendsInFlight(), 1);
        QVERIFY(sent.wait(20000));
        QCOMPARE(sent.first().first().toBool(), true);
        QCOMPARE(EventTexts(report).last(), QStringLiteral("Podsumowanie kontroli wysłane e-mailem do: ola@example.pl"));
        QCOMPARE(server.messages().size(), 1);
        QVERIFY(server.messages().first()[u"body"].toString().contains(QStringLiteral("+ Obwieszczenie B <&>")));
    }

    void alertsFollowTheSetting()
    {
        QTemporaryDir dir;
        const QString page = QStringLiteral("http://127.0.0.5/bip");
        {
            historia::HistoryStore store(historia::HistoryStore::PathIn(dir.path()));
            store.open(historia::HistoryStore::Mode::ReadWrite);
            for (int i = 0; i < 4; ++i)
                addCheck(store, page, QDateTime(QDate(2026, 10, 1 + i), QTime(8, 0)), false);
        }
        baza::Baza b(dir.path());
        BuildRegister(b, {{QStringLiteral("Gmina"), QStringLiteral("Obszar"), QStringLiteral(" ") + page, {}, 5}});
        QCOMPARE(FailingPages(dir.path(), b.table(), 4).pages.size(), 1);
        QVERIFY(FailingPages(dir.path(), b.table(), 5).pages.isEmpty());
        const FailingPageAlert alert = FailingPages(dir.path(), b.table(), 3).pages.value(0);
        QCOMPARE(AlertLine(alert), page + QStringLiteral(" — Gmina (obszar Natura 2000: Obszar); jeszcze nigdy nie "
                                                         "udało się jej pobrać"));
        // A register without a history has no alerts and no problem.
        QTemporaryDir empty;
        baza::Baza other(empty.path());
        BuildRegister(other, {{QStringLiteral("G"), QStringLiteral("O"), page, {}, 5}});
        const FailingPagesResult none = FailingPages(empty.path(), other.table(), 3);
        QVERIFY(none.pages.isEmpty());
        QVERIFY(none.problem.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNotify)
#include "tst_notify.moc"
