// The noise rules on their own lines, beside their neighbours and against
// the page's previous version, and on a corpus of the common BIP layouts
// (tests/fixtures/bip): a version that only counted visitors and moved its
// clocks shows no line and, through a real run with the filter on, gets
// kod 0; a version with a new notice shows the notice's lines and nothing
// else.
#include "bipcorpus.h"

#include "historia/checkdetails.h"
#include "historia/historystore.h"
#include "historia/noiserules.h"
#include "historia/versiondiff.h"
#include "historia/visibletext.h"
#include "support/runfixture.h"

#include <QtTest>

using namespace historia;

namespace {

const QDate kWednesday(2026, 12, 9);
const QDate kThursday(2026, 12, 10);
const QDate kFriday(2026, 12, 11);

QString textOf(const QString& layout, const bipcorpus::Version& v)
{
    const QByteArray ct = bipcorpus::ContentType(layout);
    return VisibleText(bipcorpus::Page(layout, v), ct.contains("utf-8") ? "utf-8" : "", QString::fromLatin1(ct));
}

QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

} // namespace

class TestNoiseRules : public QObject, protected RunFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUpRun(QDateTime(kWednesday, QTime(8, 30))); }
    void cleanup() { QVERIFY(tearDownRun()); }

    // Checked on Thursday 10 December 2026.
    void linesOfTheirOwn_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("compared");
        QTest::newRow("liczba odsłon") << "Liczba odsłon: 2668760" << "";
        QTest::newRow("bez polskich liter") << "Ilosc wyswietlen: 343201" << "";
        QTest::newRow("odsłon strony z kropkami") << "liczba odslon strony: 2.668.760" << "";
        QTest::newRow("oglądany razy") << "Dokument oglądany razy: 137 066" << "Dokument";
        QTest::newRow("odwiedzono nas") << "Odwiedzono nas: 237689 razy" << "";
        QTest::newRow("liczba przed słowem") << "33795869   odwiedzin" << "";
        QTest::newRow("wyświetleń w metryczce") << "Rejestr zmian | Wyświetleń: 55 | Drukuj" << "Rejestr zmian | | Drukuj";
        QTest::newRow("dzień tygodnia") << "Czwartek, 10 grudnia 2026" << "";
        QTest::newRow("dzień tygodnia bez polskich liter") << "czwartek, 10 grudnia 2026 r." << "";
        QTest::newRow("dziś, data ISO") << "dziś jest: 2026-12-10" << "";
        QTest::newRow("miesiąc rzymski z godziną") << "10 XII 2026, godz. 08:15" << "";
        QTest::newRow("skrót miesiąca sam w wierszu") << "10 gru. 2026" << "";
        QTest::newRow("data sama w wierszu") << "10.12.2026" << "";
        QTest::newRow("aktualizacja serwisu") << "Data aktualizacji serwisu: 10.12.2026 08:15" << "";
        QTest::newRow("ostatnia aktualizacja, inny dzień") << "Ostatnia aktualizacja strony: 2026-12-08" << "";
        QTest::newRow("wygenerowano") << "Data wygenerowania strony: 10.12.2026 08:15:42" << "";
        // What a page says stays: a notice of today, a session announced
        // for today, a weekday of another day, words that look like counters.
        QTest::newRow("ogłoszenie z dziś") << "Obwieszczenie z dnia 10.12.2026 r." << "Obwieszczenie z dnia 10.12.2026 r.";
        QTest::newRow("sesja dziś") << "Sesja Rady Gminy w czwartek, 10 grudnia 2026 o godz. 10:00"
                                    << "Sesja Rady Gminy w czwartek, 10 grudnia 2026 o godz. 10:00";
        QTest::newRow("inny dzień") << "Czwartek, 3 grudnia 2026" << "Czwartek, 3 grudnia 2026";
        QTest::newRow("odsłonięcie") << "Odsłonięcie pomnika 12 grudnia" << "Odsłonięcie pomnika 12 grudnia";
        QTest::newRow("data aktualizacji bez daty") << "Data aktualizacji planu: w toku" << "Data aktualizacji planu: w toku";
    }
    void linesOfTheirOwn()
    {
        QFETCH(QString, line);
        QFETCH(QString, compared);
        QCOMPARE(NoiseRules().ComparedLine(line, kThursday), compared);
    }

    void aNumberBesideItsLabel_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("keys");
        const QString notice = QStringLiteral("Obwieszczenie o wszczęciu postępowania");
        QTest::newRow("etykieta nad liczbą") << QStringList{notice, "Liczba odsłon:", "2668760"}
                                              << QStringList{notice, "Liczba odsłon:"};
        QTest::newRow("statystyka odwiedzin") << QStringList{"Statystyka odwiedzin", "1 407 408", notice}
                                               << QStringList{"Statystyka odwiedzin", notice};
        QTest::newRow("słowo pod liczbą") << QStringList{"237689", "razy"} << QStringList{"razy"};
        QTest::newRow("znacznik aktualizacji") << QStringList{"Ostatnia aktualizacja:", "2026-12-10 08:15"}
                                                << QStringList{"Ostatnia aktualizacja:"};
        // A number beside anything else is the page's text.
        QTest::newRow("numer konta") << QStringList{"Numer rachunku bankowego", "12345678"}
                                      << QStringList{"Numer rachunku bankowego", "12345678"};
        QTest::newRow("data pod tytułem") << QStringList{notice, "2026-12-10"} << QStringList{notice};
        QTest::newRow("data pod tytułem, inny dzień") << QStringList{notice, "2026-12-08"}
                                                       << QStringList{notice, "2026-12-08"};
    }
    void aNumberBesideItsLabel()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, keys);
        QCOMPARE(CompareForm(lines, kThursday, NoiseRules()).keys, keys);
    }

    // What the previous version teaches: Wednesday's line, then Thursday's.
    void learnedFromThePreviousVersion_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("counted");
        QTest::newRow("liczba subskrybentów") << "Subskrybentów newslettera: 812" << "Subskrybentów newslettera: 815" << true;
        QTest::newRow("stan na dzień") << "Stan na dzień 09.12.2026 r." << "Stan na dzień 10.12.2026 r." << true;
        QTest::newRow("kurs i temperatura") << "Kurs euro: 4,31 zł, 3°C" << "Kurs euro: 4,29 zł, 5°C" << true;
        QTest::newRow("liczba w nawiasie") << "Aktualności (3)" << "Aktualności (4)" << true;
        // News of the same shape: a new case reference, a new date, a
        // heading where there was none; other words.
        QTest::newRow("nowy znak sprawy") << "Znak: OŚ.6220.5.2026" << "Znak: OŚ.6220.6.2026" << false;
        QTest::newRow("nowy termin") << "Uwagi do 15.12.2026" << "Uwagi do 22.12.2026" << false;
        QTest::newRow("nowy numer zarządzenia") << "Zarządzenie Nr 120.5.2026" << "Zarządzenie Nr 121.5.2026" << false;
        QTest::newRow("inne słowa") << "Obwieszczenie Wójta" << "Zawiadomienie Wójta" << false;
    }
    void learnedFromThePreviousVersion()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, counted);
        const QString head = QStringLiteral("Ochrona środowiska\n");
        const QString tail = QStringLiteral("\nKontakt z urzędem");
        const VersionDiff d = DiffTexts(head + before + tail, kWednesday, head + after + tail, kThursday, NoiseRules());
        QCOMPARE(d.isEmpty(), counted);
        QCOMPARE(d.counted, counted ? QStringList{after} : QStringList());
        QCOMPARE(d.added, counted ? QStringList() : QStringList{after});
        QCOMPARE(d.removed, counted ? QStringList() : QStringList{before});
    }

    // A row put on top of a numbered list renumbers the rows below it: they
    // only counted on, the new row is the news.
    void renumberedRowsOnlyCount()
    {
        const QString a = QStringLiteral("1 Obwieszczenie o wydaniu decyzji ROŚ.6220.6.2026 19.11.2026");
        const QString b = QStringLiteral("2 Zawiadomienie o zebranych dowodach ROŚ.6220.5.2026 05.11.2026");
        const QString n = QStringLiteral("1 Obwieszczenie o wszczęciu postępowania ROŚ.6220.8.2026 10.12.2026");
        const QString before = QStringLiteral("Rejestr\n") + a + u'\n' + b;
        const QString after = QStringLiteral("Rejestr\n") + n + u'\n' + QString(a).replace(0, 1, u'2') + u'\n' +
                              QString(b).replace(0, 1, u'3');
        const VersionDiff d = DiffTexts(before, kWednesday, after, kThursday, NoiseRules());
        QCOMPARE(d.added, QStringList{n});
        QVERIFY(d.removed.isEmpty());
        QCOMPARE(d.counted.size(), 2);
    }

    void corpusThroughTheComparison_data()
    {
        QTest::addColumn<QString>("layout");
        const QStringList layouts = bipcorpus::Layouts();
        QVERIFY(layouts.size() >= 8);
        for (const QString& l : layouts)
            QTest::newRow(qPrintable(l)) << l;
    }
    void corpusThroughTheComparison()
    {
        QFETCH(QString, layout);
        const bipcorpus::Version v1{kWednesday, 1, false};
        const bipcorpus::Version v2{kThursday, 2, false};
        const bipcorpus::Version v3{kFriday, 3, true};
        QVERIFY(bipcorpus::Page(layout, v1) != bipcorpus::Page(layout, v2));
        const VersionDiff noise = DiffTexts(textOf(layout, v1), v1.day, textOf(layout, v2), v2.day, NoiseRules());
        QCOMPARE(noise.added, QStringList());
        QCOMPARE(noise.removed, QStringList());

        const QStringList notice = bipcorpus::NoticeLines(layout, v3);
        QVERIFY(!notice.isEmpty());
        const VersionDiff news = DiffTexts(textOf(layout, v2), v2.day, textOf(layout, v3), v3.day, NoiseRules());
        QCOMPARE(sorted(news.added), notice);
        QCOMPARE(news.removed, QStringList());
    }

    // The whole way: every layout a record, three runs over a loopback
    // server with "pomijaj zmiany bez nowej treści" on.
    void corpusThroughRealRuns()
    {
        m_settings->skipWithoutNewContent = true;
        const QStringList layouts = bipcorpus::Layouts();
        QList<Record> records;
        auto serve = [&](const bipcorpus::Version& v) {
            for (const QString& l : layouts)
                m_server->route(QStringLiteral("/%1").arg(l).toUtf8(),
                                HttpTestServer::Response::html(bipcorpus::Page(l, v), bipcorpus::ContentType(l)));
        };
        for (const QString& l : layouts)
            records.append({QStringLiteral("Gmina %1").arg(l), url(QStringLiteral("/%1").arg(l))});
        serve({kWednesday, 1, false});
        makeRegister(records);
        QVERIFY(runToEnd());

        pinClock(QDateTime(kThursday, QTime(8, 30)));
        serve({kThursday, 2, false});
        QVERIFY(runToEnd());
        HistoryStore store(HistoryStore::PathIn(m_dir->path()));
        store.open(HistoryStore::Mode::ReadOnly);
        for (int i = 0; i < layouts.size(); ++i) {
            const StoredCheck last = *store.LastVersion(url(QStringLiteral("/%1").arg(layouts[i])));
            const CheckDetails d = DescribeCheck(store, last);
            QVERIFY2(d.added.isEmpty() && d.removed.isEmpty(), qPrintable(layouts[i] + QStringLiteral(": ") + d.added.join(u'|')));
            QVERIFY2(kodOf(i + 1) == 0, qPrintable(layouts[i]));
            QVERIFY(!last.newContent);
        }

        pinClock(QDateTime(kFriday, QTime(8, 30)));
        const bipcorpus::Version v3{kFriday, 3, true};
        serve(v3);
        QVERIFY(runToEnd());
        for (int i = 0; i < layouts.size(); ++i) {
            const StoredCheck last = *store.LastVersion(url(QStringLiteral("/%1").arg(layouts[i])));
            const CheckDetails d = DescribeCheck(store, last);
            QCOMPARE(sorted(d.added), bipcorpus::NoticeLines(layouts[i], v3));
            QCOMPARE(d.removed, QStringList());
            // Dated Thursday: newer than anything the page showed before.
            QVERIFY2(kodOf(i + 1) == 3, qPrintable(layouts[i] + u' ' + QString::number(kodOf(i + 1))));
        }
    }
};

QTEST_GUILESS_MAIN(TestNoiseRules)
#include "tst_noiserules.moc"
