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

// Cheap tests that a rule may match at all: what every match of a rule's
// expression must contain, found in one pass over the line, so
// that the expressions run only on the few lines that have it (most lines
// of a page have none of it). Searching the line once per keyword, with
// Qt's case-insensitive search above all, cost more than the expressions;
// here a keyword is compared only where its first letter stands.
struct LineHints
{
    bool generated = false; // "generowan", "generated", "wykonania"
    bool todayWord = false; // "dziś", "dzisiaj", "dzisiejsza", "aktualna", "mamy"
    bool counterWord = false;
    bool colon = false;
    bool equals = false;
    bool digit = false;
};

LineHints hintsOf(QStringView line)
{
    LineHints h;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u':') {
            h.colon = true;
            continue;
        }
        if (c == u'=') {
            h.equals = true;
            continue;
        }
        if (c.isDigit()) {
            h.digit = true;
            continue;
        }
        const QStringView at = line.sliced(i);
        auto any = [at](std::initializer_list<QStringView> words) {
            for (const QStringView w : words)
                if (at.startsWith(w, Qt::CaseInsensitive))
                    return true;
            return false;
        };
        switch (c.toCaseFolded().unicode()) {
        case u'g':
            h.generated = h.generated || any({u"generowan", u"generated"});
            h.counterWord = h.counterWord || any({u"gości"});
            break;
        case u'w':
            h.generated = h.generated || any({u"wykonania"});
            h.counterWord = h.counterWord || any({u"wyświetl", u"wizyt", u"wejść"});
            break;
        case u'd':
            h.todayWord = h.todayWord || any({u"dziś", u"dzisiaj", u"dzisiejsza"});
            break;
        case u'a':
            h.todayWord = h.todayWord || any({u"aktualna"});
            break;
        case u'm':
            h.todayWord = h.todayWord || any({u"mamy"});
            break;
        case u'l':
            h.counterWord = h.counterWord || any({u"licznik", u"liczba"});
            break;
        case u'i':
            h.counterWord = h.counterWord || any({u"ilość"});
            break;
        case u'o':
            h.counterWord = h.counterWord || any({u"odwiedz", u"odsłon", u"online", u"oglądan"});
            break;
        case u'v':
            h.counterWord = h.counterWord || any({u"views", u"visit"});
            break;
        case u'h':
            h.counterWord = h.counterWord || any({u"hits"});
            break;
        case u'c':
            h.counterWord = h.counterWord || any({u"czytan"});
            break;
        default:
            break;
        }
    }
    return h;
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
        if (!t.isEmpty()) {
            m_userRules << t;
            m_foldedRules << t.toCaseFolded();
        }
    }
}

QString NoiseRules::ComparedLine(const QString& line, const QDate& checkDay) const
{
    if (!m_foldedRules.isEmpty()) {
        const QString folded = line.toCaseFolded();
        for (const QString& rule : m_foldedRules)
            if (folded.contains(rule))
                return QString();
    }

    QString key = line;
    LineHints hints = hintsOf(key);
    // Taking noise out may bring two pieces together: what is left is
    // looked at again, as the expressions would see it.
    auto strip = [&key, &hints](const QRegularExpression& re) {
        const qsizetype before = key.size();
        key.replace(re, QString());
        if (key.size() != before)
            hints = hintsOf(key);
    };
    if (hints.generated)
        strip(generated());
    if (checkDay.isValid() && (hints.colon || hints.todayWord)) {
        // A comparison reads two versions of two days, line by line: both
        // days' expressions are kept, so that none is compiled again.
        struct Today
        {
            QDate day;
            QRegularExpression pattern;
            QString year;
        };
        thread_local Today cached[2];
        thread_local int next = 0;
        Today* today = cached[0].day == checkDay ? &cached[0] : cached[1].day == checkDay ? &cached[1] : nullptr;
        if (!today) {
            today = &cached[next];
            next = 1 - next;
            today->day = checkDay;
            today->pattern = todayPattern(checkDay);
            today->pattern.optimize();
            today->year = QString::number(checkDay.year());
        }
        // Every form of the day's date writes its year.
        if (hints.digit && key.contains(today->year))
            strip(today->pattern);
    }
    if (hints.colon)
        strip(clockTime());
    if (hints.counterWord && hints.digit)
        strip(counters());
    if (hints.equals)
        strip(sessionIds());
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
