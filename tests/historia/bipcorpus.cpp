#include "bipcorpus.h"

#include "historia/visibletext.h"
#include "support/testdata.h"
#include "text/cp1250.h"

#include <QDir>
#include <QHash>

#include <algorithm>

namespace bipcorpus {
namespace {

const char* const kWeekdays[] = {"poniedziałek", "wtorek", "środa", "czwartek", "piątek", "sobota", "niedziela"};
const char* const kWeekdaysPlain[] = {"poniedzialek", "wtorek", "sroda", "czwartek", "piatek", "sobota", "niedziela"};
const char* const kMonths[] = {"stycznia", "lutego",   "marca",    "kwietnia", "maja",        "czerwca",
                               "lipca",    "sierpnia", "września", "października", "listopada", "grudnia"};
const char* const kAbbreviations[] = {"sty", "lut", "mar", "kwi", "maj", "cze", "lip", "sie", "wrz", "paź", "lis", "gru"};
const char* const kRoman[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};

QString capitalised(const char* word)
{
    QString w = QString::fromUtf8(word);
    w[0] = w[0].toUpper();
    return w;
}

QString grouped(int n, QChar separator)
{
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, separator);
    return digits;
}

QString spelled(const QDate& d)
{
    return QStringLiteral("%1 %2 %3").arg(d.day()).arg(QString::fromUtf8(kMonths[d.month() - 1])).arg(d.year());
}

QString numeric(const QDate& d)
{
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

QString templateOf(const QString& layout)
{
    return QString::fromUtf8(testdata::readAll(testdata::fixture(QStringLiteral("bip/%1.html").arg(layout))));
}

bool isWindows1250(const QString& layout)
{
    return templateOf(layout).contains(QLatin1String("charset=windows-1250"));
}

// keepNumbering: the rows are numbered as if the notice were there, so that
// the version without it differs in the notice alone.
QString filled(const QString& layout, const Version& v, bool notice, bool keepNumbering)
{
    QString page = templateOf(layout);
    const QString open = QStringLiteral("<!--nowe-->");
    const QString close = QStringLiteral("<!--/nowe-->");
    auto dropNotice = [&] {
        const qsizetype from = page.indexOf(open);
        const qsizetype to = page.indexOf(close);
        Q_ASSERT(from >= 0 && to > from);
        if (notice)
            page.remove(to, close.size()).remove(from, open.size());
        else
            page.remove(from, to + close.size() - from);
    };
    auto number = [&] {
        for (int lp = 1;; ++lp) {
            const qsizetype at = page.indexOf(QLatin1String("{{lp}}"));
            if (at < 0)
                break;
            page.replace(at, 6, QString::number(lp));
        }
    };
    if (keepNumbering) {
        number();
        dropNotice();
    } else {
        dropNotice();
        number();
    }
    const QDate d = v.day;
    const QDate before = d.addDays(-1);
    const int visits = 2668760 + 1237 * v.serial;
    const QString weekday = capitalised(kWeekdays[d.dayOfWeek() - 1]);
    const QList<std::pair<const char*, QString>> fields{
        {"{{licznik}}", QString::number(visits)},
        {"{{licznik_spacje}}", grouped(visits, u' ')},
        {"{{licznik_kropki}}", grouped(visits, u'.')},
        {"{{dzis_dlugo}}", weekday + QStringLiteral(", ") + spelled(d)},
        {"{{dzis_bezpl}}", QStringLiteral("%1, %2 %3 %4")
                               .arg(QString::fromUtf8(kWeekdaysPlain[d.dayOfWeek() - 1]))
                               .arg(d.day())
                               .arg(QString::fromUtf8(kMonths[d.month() - 1])
                                        .replace(u'ś', u's')
                                        .replace(u'ź', u'z')) // "wrzesnia", "pazdziernika"
                               .arg(d.year())},
        {"{{dzis_num}}", numeric(d)},
        {"{{dzis_iso}}", d.toString(Qt::ISODate)},
        {"{{dzis_rzym}}", QStringLiteral("%1 %2 %3").arg(d.day()).arg(QLatin1String(kRoman[d.month() - 1])).arg(d.year())},
        {"{{dzis_skrot}}",
         QStringLiteral("%1 %2. %3").arg(d.day()).arg(QString::fromUtf8(kAbbreviations[d.month() - 1])).arg(d.year())},
        {"{{godz}}", QStringLiteral("08:%1").arg(10 + v.serial % 50, 2, 10, QLatin1Char('0'))},
        {"{{godz_s}}", QStringLiteral("08:%1:%2")
                           .arg(10 + v.serial % 50, 2, 10, QLatin1Char('0'))
                           .arg(7 * v.serial % 60, 2, 10, QLatin1Char('0'))},
        {"{{sesja}}", QString::number(12345 + 7919 * v.serial, 16)},
        {"{{temp}}", QString::number(3 + v.serial % 5)},
        {"{{kurs}}", QStringLiteral("4,%1").arg(31 - v.serial % 20)},
        {"{{wczoraj_num}}", numeric(before)},
        {"{{wczoraj_slownie}}", spelled(before)},
    };
    for (const auto& [name, value] : fields)
        page.replace(QLatin1String(name), value);
    Q_ASSERT(!page.contains(QLatin1String("{{")));
    return page;
}

QByteArray bytesOf(const QString& layout, const QString& page)
{
    return isWindows1250(layout) ? cp1250::fromUnicode(page) : page.toUtf8();
}

} // namespace

QStringList Layouts()
{
    QStringList names = QDir(testdata::fixture(QStringLiteral("bip"))).entryList({QStringLiteral("*.html")}, QDir::Files,
                                                                                 QDir::Name);
    for (QString& n : names)
        n.chop(5);
    return names;
}

QByteArray Page(const QString& layout, const Version& v)
{
    return bytesOf(layout, filled(layout, v, v.notice, false));
}

QByteArray ContentType(const QString& layout)
{
    // The older systems say their charset in the page only.
    return isWindows1250(layout) ? QByteArray("text/html") : QByteArray("text/html; charset=utf-8");
}

QStringList NoticeLines(const QString& layout, const Version& v)
{
    auto text = [&](bool notice) {
        const QByteArray body = bytesOf(layout, filled(layout, v, notice, true));
        return historia::VisibleText(body, isWindows1250(layout) ? "windows-1250" : "utf-8", QStringLiteral("text/html"))
            .split(QLatin1Char('\n'));
    };
    // Lines as many times as they stand: a second "OBWIESZCZENIE" heading
    // is a new line too.
    QHash<QString, int> old;
    for (const QString& l : text(false))
        ++old[l];
    QStringList lines;
    for (const QString& l : text(true))
        if (old[l]-- <= 0)
            lines << l;
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace bipcorpus
