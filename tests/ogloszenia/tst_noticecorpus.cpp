// The notice reader against a corpus of pages written in the forms offices
// publish (tests/fixtures/ogloszenia: each page with the notices a person
// read in it). Fails below the goals: F1 0.95 for kind, case reference,
// document date and Natura 2000; 0.9 for procedure and deadline; 0.85 for
// stage. Pages named b… were written after the reader and are also scored
// on their own.
#include "ogloszenia/noticereader.h"
#include "ogloszenia/noticescore.h"
#include "support/testdata.h"

#include <QDir>
#include <QtTest>

using namespace ogloszenia;

namespace {

// The day the corpus is read on: every notice in it is older.
const QDate kToday(2026, 12, 10);

QStringList corpusPages()
{
    return QDir(testdata::fixture(QStringLiteral("ogloszenia")))
        .entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

void score(NoticeScorer& scorer, const QString& page)
{
    const QString dir = testdata::fixture(QStringLiteral("ogloszenia"));
    ReadOptions o;
    o.today = kToday;
    const QList<Notice> read = ReadNoticesInPage(testdata::readAll(dir + QLatin1Char('/') + page), QString(), o);
    QString base = page;
    base.chop(5);
    scorer.AddPage(ReadExpectedNotices(testdata::readAll(dir + QLatin1Char('/') + base + QStringLiteral(".jsonl"))),
                   read);
}

} // namespace

class TestNoticeCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void corpusIsLargeAndVaried()
    {
        NoticeScorer all;
        QSet<QString> kinds;
        QSet<QString> procedures;
        QSet<QString> stages;
        int withDeadline = 0;
        int twoOrMore = 0;
        const QString dir = testdata::fixture(QStringLiteral("ogloszenia"));
        for (const QString& page : corpusPages()) {
            QString base = page;
            base.chop(5);
            const QList<Notice> expected =
                ReadExpectedNotices(testdata::readAll(dir + QLatin1Char('/') + base + QStringLiteral(".jsonl")));
            twoOrMore += expected.size() >= 2;
            for (const Notice& n : expected) {
                kinds << n.kind;
                procedures << n.procedure;
                stages << n.stage;
                withDeadline += n.commentsUntil.isValid();
            }
            all.AddPage(expected, expected);
        }
        QVERIFY2(all.expectedNotices() >= 40, qPrintable(QString::number(all.expectedNotices())));
        QCOMPARE(kinds.size(), 6);
        QCOMPARE(procedures.size(), 7);
        QCOMPARE(stages.size(), 7);
        QVERIFY(withDeadline >= 10);
        QVERIFY(twoOrMore >= 5);
        // The scorer itself: the corpus against itself is read perfectly.
        for (const FieldScore& s : all.fields())
            QCOMPARE(s.f1(), 1.0);
    }

    void readerMeetsTheGoals()
    {
        NoticeScorer all;
        NoticeScorer heldOut;
        for (const QString& page : corpusPages()) {
            score(all, page);
            if (page.startsWith(QLatin1Char('b')))
                score(heldOut, page);
        }
        qInfo().noquote() << "\nCały korpus:\n" + all.Table() + "\nStrony b… (pisane po czytniku):\n" + heldOut.Table();
        const QList<std::pair<const char*, double>> goals = {
            {"rodzaj", 0.95}, {"znak", 0.95},     {"data", 0.95}, {"natura2000", 0.95},
            {"procedura", 0.9}, {"uwagi_do", 0.9}, {"etap", 0.85},
        };
        for (const auto& [field, goal] : goals) {
            const double f1 = all.F1(QString::fromLatin1(field));
            QVERIFY2(f1 >= goal, qPrintable(QStringLiteral("%1: F1 %2 < %3").arg(QString::fromLatin1(field)).arg(f1).arg(goal)));
        }
    }

    void scorerCountsWrongMissingAndExtraValues()
    {
        Notice e;
        e.kind = QStringLiteral("obwieszczenie");
        e.reference = QStringLiteral("GKR.6220.1.2026");
        e.date = QDate(2026, 3, 2);
        e.natura2000 = true;
        Notice wrong = e;
        wrong.reference = QStringLiteral("GKR.6220.2.2026");
        wrong.natura2000 = false;
        Notice extra;
        extra.kind = QStringLiteral("decyzja");
        NoticeScorer s;
        s.AddPage({e}, {wrong, extra});
        const auto field = [&s](const char* name) {
            for (const FieldScore& f : s.fields())
                if (f.field == QLatin1String(name))
                    return f;
            return FieldScore{};
        };
        QCOMPARE(field("rodzaj").hits, 1);
        QCOMPARE(field("rodzaj").falseOnes, 1); // the extra notice
        QCOMPARE(field("znak").hits, 0);
        QCOMPARE(field("znak").falseOnes, 1);
        QCOMPARE(field("znak").missed, 1);
        QCOMPARE(field("data").f1(), 1.0);
        QCOMPARE(field("natura2000").missed, 1);
        QCOMPARE(s.pairedNotices(), 1);
        NoticeScorer none;
        none.AddPage({e}, {});
        QCOMPARE(none.F1(QStringLiteral("rodzaj")), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestNoticeCorpus)
#include "tst_noticecorpus.moc"
