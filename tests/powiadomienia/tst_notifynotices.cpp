// The e-mail after a run tells the new notices first, each with its
// deadline and days left, then the pages that changed: only the notices this
// run's checks brought, a page shared by two records telling them once.
#include "../publikacja/registerfixture.h"

#include "historia/historystore.h"
#include "historia/packing.h"
#include "powiadomienia/runsummary.h"

#include <QTemporaryDir>
#include <QtTest>

using ogloszenia::Notice;

namespace {

Notice notice(const QString& reference, const QDate& until, const QString& subject = {})
{
    Notice n;
    n.kind = QStringLiteral("obwieszczenie");
    n.authority = QStringLiteral("Wójt Gminy Krośnice");
    n.reference = reference;
    n.date = QDate(2026, 12, 1);
    n.procedure = QStringLiteral("DŚU");
    n.stage = QStringLiteral("konsultacje");
    n.commentsFrom = until.isValid() ? QDate(2026, 12, 5) : QDate();
    n.commentsUntil = until;
    n.natura2000 = true;
    n.area = QStringLiteral("Dolina Baryczy PLB020001");
    n.subject = subject;
    return n;
}

void addCheck(historia::HistoryStore& store, const QString& page, const QDateTime& at, const QByteArray& text,
              const QList<Notice>& notices)
{
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

class TestNotifyNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newNoticesComeFirstWithTheirDeadlines()
    {
        QTemporaryDir dir;
        const QString shared = QStringLiteral("http://127.0.0.1/krosnice/bip");
        const QString other = QStringLiteral("http://127.0.0.1/cisna/info");
        {
            historia::HistoryStore store(historia::HistoryStore::PathIn(dir.path()));
            store.open(historia::HistoryStore::Mode::ReadWrite);
            // An older check's notice is yesterday's news.
            addCheck(store, shared, QDateTime(QDate(2026, 12, 1), QTime(6, 0)), "A",
                     {notice(QStringLiteral("RGK.6220.1.2026"), QDate(2026, 12, 30))});
            addCheck(store, shared, QDateTime(QDate(2026, 12, 10), QTime(6, 0)), "A\nB\nC",
                     {notice(QStringLiteral("RGK.6220.7.2026"), QDate(2026, 12, 21),
                             QStringLiteral("budowie fermy drobiu w Wierzchowicach")),
                      notice(QStringLiteral("RGK.6220.8.2026"), QDate(2026, 12, 10)),
                      notice(QStringLiteral("RGK.6220.9.2026"), {})});
            addCheck(store, other, QDateTime(QDate(2026, 12, 10), QTime(6, 0)), "X", {});
        }
        baza::Baza b(dir.path());
        BuildRegister(b, {{QStringLiteral("Krośnice"), QStringLiteral("Dolina Baryczy"), shared, {}, 3},
                          {QStringLiteral("Krośnice"), QStringLiteral("Stawy Milickie"), shared, {}, 3},
                          {QStringLiteral("Cisna"), QStringLiteral("Bieszczady"), other, {}, 2}});
        const powiadomienia::RunSummary s = powiadomienia::CollectRunSummary(
            dir.path(), b.table(), {1, 2, 3}, {}, 3, powiadomienia::RunEnding::Finished,
            QDateTime(QDate(2026, 12, 10), QTime(7, 30)));
        QCOMPARE(s.notices.size(), 3);
        QCOMPARE(powiadomienia::SummarySubject(s),
                 QStringLiteral("Ekowarta: nowe ogłoszenia 3, zaktualizowane 3, błędy 0, niedostępne 0"));

        const QString body = QLatin1Char('\n') + powiadomienia::SummaryBody(s);
        const QStringList expected{
            QStringLiteral("Nowe ogłoszenia (3):"),
            QStringLiteral("- obwieszczenie RGK.6220.7.2026 z 1.12.2026 – Wójt Gminy Krośnice"),
            QStringLiteral("  Krośnice (obszar Natura 2000: Dolina Baryczy), LP 1"),
            QStringLiteral("  DŚU, konsultacje"),
            QStringLiteral("  Termin uwag: 5.12.2026 – 21.12.2026 (zostało 11 dni)"),
            QStringLiteral("  Natura 2000: Dolina Baryczy PLB020001"),
            QStringLiteral("  Przedmiot: budowie fermy drobiu w Wierzchowicach"),
            QStringLiteral("  ") + shared,
            QStringLiteral("- obwieszczenie RGK.6220.8.2026 z 1.12.2026 – Wójt Gminy Krośnice"),
            QStringLiteral("  Termin uwag: 5.12.2026 – 10.12.2026 (upływa dziś)"),
            QStringLiteral("- obwieszczenie RGK.6220.9.2026 z 1.12.2026 – Wójt Gminy Krośnice"),
            QStringLiteral("  Termin uwag: nie podano"),
            QStringLiteral("Strony zaktualizowane (3):"),
            QStringLiteral("- Krośnice (obszar Natura 2000: Dolina Baryczy), LP 1"),
            QStringLiteral("- Krośnice (obszar Natura 2000: Stawy Milickie), LP 2"),
            QStringLiteral("- Cisna (obszar Natura 2000: Bieszczady), LP 3"),
        };
        qsizetype at = 0;
        for (const QString& line : expected) {
            const qsizetype found = body.indexOf(QLatin1Char('\n') + line + QLatin1Char('\n'), at);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("missing or out of order: ") + line + u'\n' + body));
            at = found + 1;
        }
        QVERIFY(!body.contains(QStringLiteral("RGK.6220.1.2026")));
        QCOMPARE(body.count(QStringLiteral("RGK.6220.7.2026")), 1);

        // A run without new notices has no such section and the old subject.
        const powiadomienia::RunSummary quiet = powiadomienia::CollectRunSummary(
            dir.path(), b.table(), {3}, {}, 3, powiadomienia::RunEnding::Finished,
            QDateTime(QDate(2026, 12, 10), QTime(7, 30)));
        QVERIFY(quiet.notices.isEmpty());
        QVERIFY(!powiadomienia::SummaryBody(quiet).contains(QStringLiteral("Nowe ogłoszenia")));
        QCOMPARE(powiadomienia::SummarySubject(quiet),
                 QStringLiteral("Ekowarta: zaktualizowane 1, błędy 0, niedostępne 0"));
        b.table().close();
    }
};

QTEST_GUILESS_MAIN(TestNotifyNotices)
#include "tst_notifynotices.moc"
