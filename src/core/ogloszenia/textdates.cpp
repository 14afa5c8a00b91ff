#include "ogloszenia/textdates.h"

#include <QRegularExpression>

#include <algorithm>

namespace ogloszenia {

namespace {

// Genitive, nominative and three-letter abbreviation of each month, folded.
const char* const kMonths[12][3] = {
    {"stycznia", "styczen", "sty"},         {"lutego", "luty", "lut"},      {"marca", "marzec", "mar"},
    {"kwietnia", "kwiecien", "kwi"},        {"maja", "maj", "maj"},         {"czerwca", "czerwiec", "cze"},
    {"lipca", "lipiec", "lip"},             {"sierpnia", "sierpien", "sie"}, {"wrzesnia", "wrzesien", "wrz"},
    {"pazdziernika", "pazdziernik", "paz"}, {"listopada", "listopad", "lis"}, {"grudnia", "grudzien", "gru"},
};
const char* const kRoman[12] = {"i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix", "x", "xi", "xii"};

QString monthAlternatives()
{
    QStringList names;
    for (const auto& m : kMonths)
        for (const char* n : m)
            names << QString::fromLatin1(n);
    for (const char* r : kRoman)
        names << QString::fromLatin1(r);
    // Longest first, so that "listopada" wins over "lis".
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    names.removeDuplicates();
    return names.join(QLatin1Char('|'));
}

const QRegularExpression& namedDate()
{
    static const QRegularExpression re(
        QStringLiteral("(?<![\\w.])(\\d{1,2})(?:\\s*\\.\\s*|\\s+)(%1)\\.?(?:\\s*\\.\\s*|\\s+)(\\d{4})(?!(?!r\\.)\\w)"
                       "(?:\\s*(?:r\\.|roku\\b))?")
            .arg(monthAlternatives()),
        QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

const QRegularExpression& numericDate()
{
    // Day first with one separator used twice, or year first with "-".
    static const QRegularExpression re(
        QStringLiteral("(?<![\\w.\\-/])(?:(\\d{1,2})([.\\-/])(\\d{1,2})\\2(\\d{4})|(\\d{4})-(\\d{2})-(\\d{2}))"
                       "(?!(?!r\\.)\\w|[.\\-/]\\w)(?:\\s*(?:r\\.|roku\\b))?"),
        QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

} // namespace

QString Fold(const QString& text)
{
    QString out = text.toLower();
    for (QChar& c : out) {
        switch (c.unicode()) {
        case 0x0105: c = QLatin1Char('a'); break; // ą
        case 0x0107: c = QLatin1Char('c'); break; // ć
        case 0x0119: c = QLatin1Char('e'); break; // ę
        case 0x0142: c = QLatin1Char('l'); break; // ł
        case 0x0144: c = QLatin1Char('n'); break; // ń
        case 0x00F3: c = QLatin1Char('o'); break; // ó
        case 0x015B: c = QLatin1Char('s'); break; // ś
        case 0x017A: c = QLatin1Char('z'); break; // ź
        case 0x017C: c = QLatin1Char('z'); break; // ż
        case 0x00A0: c = QLatin1Char(' '); break; // no-break space
        case 0x2013: c = QLatin1Char('-'); break; // en dash
        case 0x2014: c = QLatin1Char('-'); break; // em dash
        default: break;
        }
    }
    return out;
}

int MonthOf(const QString& folded)
{
    for (int m = 0; m < 12; ++m) {
        for (const char* n : kMonths[m])
            if (folded == QLatin1String(n))
                return m + 1;
        if (folded == QLatin1String(kRoman[m]))
            return m + 1;
    }
    return 0;
}

QList<TextDate> DatesIn(const QString& folded)
{
    QList<TextDate> out;
    auto add = [&out](const QDate& d, const QRegularExpressionMatch& m) {
        if (d.isValid())
            out << TextDate{d, m.capturedStart(), m.capturedEnd()};
    };
    for (auto it = namedDate().globalMatch(folded); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        add(QDate(m.captured(3).toInt(), MonthOf(m.captured(2)), m.captured(1).toInt()), m);
    }
    for (auto it = numericDate().globalMatch(folded); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(4) > 0)
            add(QDate(m.captured(4).toInt(), m.captured(3).toInt(), m.captured(1).toInt()), m);
        else
            add(QDate(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt()), m);
    }
    std::sort(out.begin(), out.end(), [](const TextDate& a, const TextDate& b) { return a.start < b.start; });
    return out;
}

} // namespace ogloszenia
