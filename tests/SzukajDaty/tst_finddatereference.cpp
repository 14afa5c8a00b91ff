// The fast date finder against a plain one kept here as the reference: the
// line-by-line algorithm written the straightforward way (every line
// prepared and normalised with every replacement, every scan run), over thousands of
// generated pages with dates in every form, blanks inside years, capitals,
// mixed line breaks, NUL bytes and future dates, on several days of the year.
#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagelines.h"
#include "platform/clock.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QRandomGenerator>
#include <QtTest>

namespace reference {

QByteArray normalize(QByteArrayView line)
{
    QByteArray text;
    for (const char c : line)
        if (c != ' ')
            text += c;
    text = cp1250::toLower(text);
    const char16_t* const names[3][12] = {
        {u"stycznia", u"lutego", u"marca", u"kwietnia", u"maja", u"czerwca", u"lipca", u"sierpnia",
         u"września", u"października", u"listopada", u"grudnia"},
        {u"styczeń", u"luty", u"marzec", u"kwiecień", u"maj", u"czerwiec", u"lipiec", u"sierpień",
         u"wrzesień", u"październik", u"listopad", u"grudzień"},
        {u"sty", u"lut", u"mar", u"kwi", u"maj", u"cze", u"lip", u"sie", u"wrz", u"paź", u"lis",
         u"gru"},
    };
    // Each column is followed by its names written without Polish letters.
    const std::pair<const char*, int> plain[3][6] = {
        {{"wrzesnia", 9}, {"pazdziernika", 10}},
        {{"styczen", 1}, {"kwiecien", 4}, {"sierpien", 8}, {"wrzesien", 9}, {"pazdziernik", 10}, {"grudzien", 12}},
        {{"paz", 10}},
    };
    auto code = [](int month) { return '-' + QByteArray::number(month).rightJustified(2, '0') + '-'; };
    for (int form = 0; form < 3; ++form) {
        for (int month = 0; month < 12; ++month)
            text.replace(cp1250::fromUnicode(QString::fromUtf16(names[form][month])), code(month + 1));
        for (const auto& [name, month] : plain[form])
            if (name)
                text.replace(QByteArray(name), code(month));
    }
    return text;
}

bool isPast(double d, double now)
{
    return d > 0 && d < now - 1;
}

// One scan: the text is what remains after each candidate (year first) or
// after each key (year last).
DateScan scan(QByteArray text, const QByteArray& key, bool yearFirst, double best, double now)
{
    DateScan result{best, false, 0};
    while (!text.isEmpty()) {
        const qsizetype at = text.indexOf(key);
        if (at < 0)
            break;
        QByteArray candidate;
        if (yearFirst) {
            candidate = text.mid(at, 10);
            text = text.mid(at + 10);
        } else {
            const qsizetype begin = qMax<qsizetype>(0, at - 5);
            candidate = text.mid(begin, at + key.size() - begin);
            text = text.mid(at + key.size());
        }
        const double d = ParseDateCandidate(candidate);
        if (isPast(d, now)) {
            result.found = true;
            result.date = qMax(result.date, d);
        }
    }
    return result;
}

bool inYear(const QList<QByteArray>& lines, int year, double& date)
{
    const double now = datevalue::fromDateTime(Clock::now());
    const double floor = datevalue::fromDate(QDate(year, 1, 1));
    double best = floor;
    bool found = false;
    const QByteArray y = QByteArray::number(year);
    for (const QByteArray& line : lines) {
        const QByteArray s = normalize(PrepareDateLine(line));
        if (s.isEmpty())
            continue;
        for (const char separator : {'-', '.', '/'}) {
            for (const bool yearFirst : {true, false}) {
                const QByteArray key = yearFirst ? y + separator : separator + y;
                const DateScan r = scan(s, key, yearFirst, best, now);
                found = found || r.found;
                best = qMax(best, r.date);
            }
        }
    }
    date = qMax(best, floor);
    return found;
}

bool newest(const QList<QByteArray>& lines, double& date)
{
    date = 0;
    const int year = Clock::now().date().year();
    for (int back = 0; back <= 1; ++back)
        if (inYear(lines, year - back, date))
            return true;
    return false;
}

} // namespace reference

namespace {

// Pieces a municipal page is made of, many of them near misses.
QByteArray generatedPage(QRandomGenerator& random, int year)
{
    static const QStringList words = {u"Obwieszczenie"_qs,
                                      u"z dnia"_qs,
                                      u"r."_qs,
                                      u"<td>"_qs,
                                      u"</td>"_qs,
                                      u"Wszystkie"_qs,
                                      u"MARCA"_qs,
                                      u"Października"_qs,
                                      u"września"_qs,
                                      u"wrzesień"_qs,
                                      u"sty."_qs,
                                      u"Luty"_qs,
                                      u"maj"_qs,
                                      u"grudzień"_qs,
                                      u"paź"_qs,
                                      u"ŚRODOWISKO"_qs,
                                      u"lipca"_qs,
                                      u"poz."_qs,
                                      u"nr"_qs,
                                      u"/"_qs,
                                      u"-"_qs,
                                      u"."_qs,
                                      u"\t"_qs,
                                      u"kwiecień"_qs,
                                      u"czerwca"_qs,
                                      u"Sierpnia"_qs,
                                      u"listopad"_qs,
                                      u"stycznia"_qs,
                                      u"lutego"_qs};
    QString text;
    const int pieces = random.bounded(1, 90);
    for (int i = 0; i < pieces; ++i) {
        const int y = year - random.bounded(0, 6) + (random.bounded(10) == 0 ? 1 : 0);
        const int m = random.bounded(0, 14);
        const int d = random.bounded(0, 33);
        const QString ys = QString::number(y);
        switch (random.bounded(12)) {
        case 0:
            text += QStringLiteral("%1-%2-%3").arg(ys).arg(m, 2, 10, QLatin1Char('0')).arg(d);
            break;
        case 1:
            text += QStringLiteral("%1.%2.%3").arg(d).arg(m).arg(ys);
            break;
        case 2:
            text += QStringLiteral("%1/%2/%3").arg(ys).arg(m).arg(d, 2, 10, QLatin1Char('0'));
            break;
        case 3:
            text +=
                QStringLiteral("%1 %2 %3").arg(d).arg(words[random.bounded(words.size())]).arg(ys);
            break;
        case 4:
            text += ys.left(2) + QLatin1Char(' ') + ys.mid(2);
            break; // a year with a blank inside
        case 5:
            text += QStringLiteral("\r\n");
            break;
        case 6:
            text += QLatin1Char(random.bounded(2) ? '\r' : '\n');
            break;
        case 7:
            text += QStringLiteral("%1-%2-%3").arg(d).arg(m).arg(ys);
            break;
        case 8:
            text += QStringLiteral("%1.%2.%3").arg(ys).arg(m).arg(d);
            break;
        default:
            text += words[random.bounded(words.size())];
            break;
        }
        text += random.bounded(3) ? QStringLiteral(" ") : QString();
    }
    QByteArray bytes = cp1250::fromUnicode(text);
    if (random.bounded(40) == 0 && !bytes.isEmpty())
        bytes.insert(random.bounded(bytes.size()), '\0'); // the rest is ignored
    return bytes;
}

} // namespace

class TestFindDateReference : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Clock::unpin(); }

    void sameResultsAsTheReference()
    {
        QRandomGenerator random(20261209);
        const QList<QDate> days = {QDate(2026, 1, 1), QDate(2026, 1, 2), QDate(2026, 3, 15),
                                   QDate(2026, 12, 31), QDate(2027, 6, 30)};
        int found = 0;
        int pages = 0;
        for (const QDate& today : days) {
            Clock::pin(QDateTime(today, QTime(12, 0)));
            for (int i = 0; i < 800; ++i, ++pages) {
                const QByteArray page = generatedPage(random, today.year());
                const QList<QByteArray> lines = PageLines(page);
                double expected = 0;
                const bool expectedFound = reference::newest(lines, expected);
                double fromLines = 0;
                const bool linesFound = FindNewestDate(lines, 1, fromLines);
                double fromPage = 0;
                const bool pageFound = FindNewestDateInPage(page, 1, fromPage);
                if (linesFound != expectedFound || fromLines != expected ||
                    pageFound != expectedFound || fromPage != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("page %1 on %2 differs:\n%3")
                            .arg(i)
                            .arg(today.toString(Qt::ISODate),
                                 QString::fromLatin1(page.toPercentEncoding(" <>-./:\r\n")))));
                found += expectedFound ? 1 : 0;
            }
        }
        // The pages cover both outcomes, not only one of them.
        QVERIFY2(found > pages / 10 && found < pages * 9 / 10, qPrintable(QString::number(found)));
    }

    void normalizedLinesAsTheReference()
    {
        QRandomGenerator random(7);
        for (int i = 0; i < 2000; ++i) {
            const QByteArray page = generatedPage(random, 2026);
            for (const QByteArray& line : PageLines(page))
                QCOMPARE(NormalizeDateLine(line), reference::normalize(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestFindDateReference)
#include "tst_finddatereference.moc"
