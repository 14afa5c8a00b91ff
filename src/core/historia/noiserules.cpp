#include "historia/noiserules.h"

#include <QRegularExpression>
#include <QStringView>

#include <initializer_list>

namespace historia {
namespace {

constexpr auto kOptions = QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

const char* const kMonths[] = {"stycznia", "lutego",   "marca",    "kwietnia", "maja",        "czerwca",
                               "lipca",    "sierpnia", "września", "października", "listopada", "grudnia"};

// Visit and view counters in their Polish (and a few English) forms: the
// label with its number, or the number with its noun.
const QRegularExpression& counters()
{
    static const QRegularExpression re(
        QStringLiteral(
            "(?<!\\w)(?:licznik(?:\\s+(?:odwiedzin|odwiedzających|wizyt|odsłon|wejść|wyświetleń))?"
            "|(?:liczba|ilość)\\s+(?:odwiedzin|odwiedzających|odsłon|wyświetleń|wizyt|wejść|pobrań)"
            "|odwiedzin[ya]?|odwiedziło\\s+nas|odwiedzających|odsłon[ya]?|wyświetle(?:ń|nia|nie)|wyświetlono"
            "|wizyt|wejść|gości\\s+online|online|views|hits|visits|visitors|page\\s+views)"
            "(?:\\s+(?:strony|stronę|artykułu|wpisu|dokumentu))?\\s*[:=\\-–]?\\s*\\d[\\d\\s.,]*(?:\\s*razy)?"
            "|(?<!\\w)\\d[\\d\\s.,]*\\s*(?:odsłon[ya]?|wyświetle(?:ń|nia)|odwiedzin|odwiedzających|wizyt|wejść)(?!\\w)"
            "|(?<!\\w)(?:oglądan[oay]|wyświetlan[oay]|odwiedzan[oay]|czytan[oay])\\s+\\d[\\d\\s.,]*\\s*razy"),
        kOptions);
    return re;
}

// "Data wygenerowania strony: …", "Strona wygenerowana w 0,12 s": the stamp
// and whatever follows it on the line.
const QRegularExpression& generated()
{
    static const QRegularExpression re(
        QStringLiteral("(?<!\\w)(?:data\\s+wygenerowania|strona\\s+wygenerowana|wygenerowan[oa]|"
                       "czas\\s+(?:generowania|wygenerowania|wykonania)|generated|page\\s+generated).*$"),
        kOptions);
    return re;
}

// A clock: a time with seconds anywhere on a line.
const QRegularExpression& clockTime()
{
    static const QRegularExpression re(QStringLiteral("(?<!\\d)\\d{1,2}:\\d{2}:\\d{2}(?!\\d)"), kOptions);
    return re;
}

// Session identifiers printed with addresses.
const QRegularExpression& sessionIds()
{
    static const QRegularExpression re(
        QStringLiteral("(?:[;&?]|(?<!\\w))(?:phpsessid|jsessionid|sessionid|session_id|sessid|sid|token|"
                       "csrf_token|_token|_csrf)=[\\w\\-.%]+"),
        kOptions);
    return re;
}

QString weekdays()
{
    return QStringLiteral("(?:poniedziałek|wtorek|środa|czwartek|piątek|sobota|niedziela)");
}

// The day's own date in the forms pages print it.
QString dayPattern(const QDate& day)
{
    const QString d = QString::number(day.day());
    const QString m = QString::number(day.month());
    const QString y = QString::number(day.year());
    const QString dd = QStringLiteral("0?") + d;
    const QString mm = QStringLiteral("0?") + m;
    QStringList forms;
    forms << dd + QStringLiteral("[.\\-/]") + mm + QStringLiteral("[.\\-/]") + y
          << y + QStringLiteral("[.\\-/]") + mm + QStringLiteral("[.\\-/]") + dd
          << dd + QStringLiteral("\\s+") + QString::fromUtf8(kMonths[day.month() - 1]) + QStringLiteral("\\s+") + y;
    return QStringLiteral("(?<!\\d)(?:") + forms.join(QLatin1Char('|')) + QStringLiteral(")(?!\\d)(?:\\s*r\\.)?");
}

// Today's date as a clock shows it: after "dziś"/"dzisiaj"/"aktualna data",
// or followed by a time.
QRegularExpression todayPattern(const QDate& day)
{
    const QString date = QStringLiteral("(?:") + weekdays() + QStringLiteral(",?\\s*)?") + dayPattern(day);
    return QRegularExpression(
        QStringLiteral("(?<!\\w)(?:dziś|dzisiaj|dzisiejsza\\s+data|aktualna\\s+data|mamy)(?:\\s+jest)?\\s*[:,\\-]?\\s*") +
            date + QStringLiteral("(?:[,\\s]*(?:godz\\.?|godzina)?\\s*\\d{1,2}:\\d{2}(?::\\d{2})?)?") + QStringLiteral("|") +
            date + QStringLiteral("[,\\s]*(?:godz\\.?|godzina)?\\s*\\d{1,2}:\\d{2}(?::\\d{2})?(?!\\d)"),
        kOptions);
}

// Cheap tests that a rule may match at all: each names what every match of
// its expression must contain, so that the expressions run only on the few
// lines that have it (most lines of a page have none of it).
bool containsAny(QStringView line, std::initializer_list<QStringView> words)
{
    for (const QStringView w : words)
        if (line.contains(w, Qt::CaseInsensitive))
            return true;
    return false;
}

bool hasDigit(QStringView line)
{
    for (const QChar c : line)
        if (c.isDigit())
            return true;
    return false;
}

bool mayBeGenerated(QStringView line)
{
    return containsAny(line, {u"generowan", u"generated", u"wykonania"});
}

// A date of the day with a keyword before it or a time after it.
bool mayBeToday(QStringView line, const QString& year)
{
    return line.contains(year) &&
           (line.contains(u':') || containsAny(line, {u"dziś", u"dzisiaj", u"dzisiejsza", u"aktualna", u"mamy"}));
}

bool mayBeCounter(QStringView line)
{
    return hasDigit(line) &&
           containsAny(line, {u"licznik", u"liczba", u"ilość", u"odwiedz", u"odsłon", u"wyświetl", u"wizyt",
                              u"wejść", u"gości", u"online", u"views", u"hits", u"visit", u"oglądan", u"czytan"});
}

bool hasLetterOrDigit(const QString& text)
{
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            return true;
    return false;
}

QString collapsed(const QString& text)
{
    return text.simplified();
}

} // namespace

NoiseRules::NoiseRules(QStringList userRules)
{
    for (const QString& rule : userRules) {
        const QString t = rule.trimmed();
        if (!t.isEmpty())
            m_userRules << t;
    }
}

QString NoiseRules::ComparedLine(const QString& line, const QDate& checkDay) const
{
    for (const QString& rule : m_userRules)
        if (line.contains(rule, Qt::CaseInsensitive))
            return QString();

    QString key = line;
    if (mayBeGenerated(key))
        key.replace(generated(), QString());
    if (checkDay.isValid()) {
        thread_local QDate cachedDay;
        thread_local QRegularExpression cachedToday;
        thread_local QString cachedYear;
        if (cachedDay != checkDay) {
            cachedToday = todayPattern(checkDay);
            cachedYear = QString::number(checkDay.year());
            cachedDay = checkDay;
        }
        if (mayBeToday(key, cachedYear))
            key.replace(cachedToday, QString());
    }
    if (key.contains(u':'))
        key.replace(clockTime(), QString());
    if (mayBeCounter(key))
        key.replace(counters(), QString());
    if (key.contains(u'='))
        key.replace(sessionIds(), QString());
    key = collapsed(key);
    return hasLetterOrDigit(key) ? key : QString();
}

ComparedLines CompareForm(const QStringList& lines, const QDate& checkDay, const NoiseRules& rules)
{
    ComparedLines out;
    for (int i = 0; i < lines.size(); ++i) {
        QString key = rules.ComparedLine(lines[i], checkDay);
        if (key.isEmpty())
            continue;
        out.keys << key;
        out.positions << i;
    }
    return out;
}

} // namespace historia
