#include "historia/noiserules.h"

#include "SzukajDaty/casereference.h"
#include "historia/noiserulesdata.h"
#include "ogloszenia/noticereader.h"
#include "ogloszenia/textdates.h"

#include <QRegularExpression>
#include <QStringView>

#include <algorithm>

namespace historia {
namespace {

using Rx = QRegularExpression;

Rx compile(const QString& folded)
{
    Rx re(folded, Rx::UseUnicodePropertiesOption);
    re.optimize();
    return re;
}

Rx compile(const char* pattern)
{
    return compile(ogloszenia::Fold(QString::fromUtf8(pattern)));
}

// The table of noiserulesdata.h, compiled once.
struct Compiled
{
    struct Line
    {
        Rx re;
        QStringList hints;
    };
    QList<Line> lines;
    Rx counterLabel;
    Rx stampLabel;
    Rx bareNumber;
    Rx dateAlone;
    QList<Rx> dateForms;
    Rx weekdayBefore;
    Rx weekdayAfter;
    Rx todayWords;
    Rx timeAfter;
    Rx yearSuffix;

    Compiled()
    {
        for (const noise::Pattern& p : noise::LinePatterns())
            lines.append({compile(p.pattern), QString::fromLatin1(p.hints).split(QLatin1Char('|'))});
        counterLabel = compile(noise::CounterLabel());
        stampLabel = compile(noise::StampLabel());
        bareNumber = compile(noise::BareNumber());
        dateAlone = compile(noise::DateAlone());
        for (const char* f : noise::DateForms())
            dateForms << compile(f);
        const QString weekday = ogloszenia::Fold(QString::fromUtf8(noise::Weekday()));
        weekdayBefore = compile(QStringLiteral("(?<![a-z])") + weekday + QStringLiteral("[\\s,\\-]*$"));
        weekdayAfter = compile(QStringLiteral("^[\\s,\\-(]*") + weekday + QStringLiteral("\\)?(?![a-z])"));
        todayWords = compile(noise::TodayWords());
        timeAfter = compile(noise::TimeAfterDate());
        yearSuffix = compile(QStringLiteral("^\\s*(?:r\\.|roku(?![a-z]))"));
    }
};

const Compiled& compiled()
{
    static const Compiled c;
    return c;
}

struct Span
{
    qsizetype start = 0;
    qsizetype end = 0;
};

bool hasDigit(QStringView text)
{
    for (const QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

bool hasLetterOrDigit(QStringView text)
{
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            return true;
    return false;
}

int monthOf(const QString& token)
{
    bool number = false;
    const int m = token.toInt(&number);
    return number ? m : ogloszenia::MonthOf(token);
}

// The day's year as text, kept for the day a comparison asks for most.
const QString& yearOf(const QDate& day)
{
    thread_local QDate cachedDay;
    thread_local QString cachedYear;
    if (day != cachedDay) {
        cachedDay = day;
        cachedYear = QString::number(day.year());
    }
    return cachedYear;
}

// Where the folded line writes the day, in any form the date finder reads.
// A date with its weekday, a "dziś" before it or a time after it is a clock
// (clocks); a bare one (bare) is a clock only when nothing else is on its
// line.
void daySpans(const QString& folded, const QDate& day, QList<Span>* clocks, QList<Span>* bare)
{
    if (!day.isValid() || !folded.contains(yearOf(day)))
        return; // every form writes the year
    const Compiled& c = compiled();
    const QStringView text(folded);
    for (const Rx& form : c.dateForms) {
        for (auto it = form.globalMatch(folded); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (QDate(m.captured(u"y").toInt(), monthOf(m.captured(u"m")), m.captured(u"d").toInt()) != day)
                continue;
            Span s{m.capturedStart(), m.capturedEnd()};
            // A weekday or a time makes a clock of the date where it opens
            // the line (a header's clock); further in, it is what the
            // sentence says ("Sesja w czwartek, 10 grudnia 2026 o godz.
            // 10:00"). A "dziś" before it makes a clock anywhere.
            bool shown = false;
            if (const QRegularExpressionMatch wb = c.weekdayBefore.match(text.first(s.start)); wb.hasMatch()) {
                s.start = wb.capturedStart();
                shown = true;
            }
            bool clock = false;
            if (const QRegularExpressionMatch tw = c.todayWords.match(text.first(s.start)); tw.hasMatch()) {
                s.start = tw.capturedStart();
                clock = true;
            }
            if (const QRegularExpressionMatch time = c.timeAfter.match(text.sliced(s.end)); time.hasMatch()) {
                s.end += time.capturedEnd();
                shown = true;
            } else if (const QRegularExpressionMatch r = c.yearSuffix.match(text.sliced(s.end)); r.hasMatch()) {
                s.end += r.capturedEnd();
            }
            if (const QRegularExpressionMatch wa = c.weekdayAfter.match(text.sliced(s.end)); wa.hasMatch()) {
                s.end += wa.capturedEnd();
                shown = true;
            }
            clock = clock || (shown && !hasLetterOrDigit(text.first(s.start)));
            (clock ? clocks : bare)->append(s);
        }
    }
}

// The text without the spans, blanks collapsed.
QString without(const QString& text, QList<Span> spans)
{
    if (spans.isEmpty())
        return text.simplified();
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    for (const Span& s : spans) {
        if (s.start > at)
            out += QStringView(text).sliced(at, s.start - at);
        at = std::max(at, s.end);
    }
    if (at < text.size())
        out += QStringView(text).sliced(at);
    return out.simplified();
}

// The line's noise: spans of the folded line, which are spans of the line
// too (folding keeps one character for one).
QString builtInKey(const QString& line, const QDate& checkDay)
{
    // Every rule needs a number, but a session identifier, which needs "=".
    if (!hasDigit(line) && !line.contains(QLatin1Char('=')))
        return line.simplified();
    const QString folded = ogloszenia::Fold(line);
    const QString& text = folded.size() == line.size() ? line : folded;
    QList<Span> spans;
    for (const Compiled::Line& rule : compiled().lines) {
        if (std::none_of(rule.hints.cbegin(), rule.hints.cend(),
                         [&folded](const QString& h) { return folded.contains(h); }))
            continue;
        for (auto it = rule.re.globalMatch(folded); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            spans.append({m.capturedStart(), m.capturedEnd()});
        }
    }
    QList<Span> bare;
    daySpans(folded, checkDay, &spans, &bare);
    QString key = without(text, spans);
    if (!bare.isEmpty() && !hasLetterOrDigit(without(text, spans + bare)))
        return QString(); // the day alone on its line: a clock
    return key;
}

bool matches(const Rx& re, const QString& text)
{
    return re.match(ogloszenia::Fold(text)).hasMatch();
}

// A neighbour of a bare number that names a counter is short: a label,
// not a sentence that happens to use the word.
constexpr qsizetype kLabelLength = 80;

bool besideLabel(const QStringList& lines, int i, const QString& key)
{
    if (key.isEmpty() || !key.front().isDigit())
        return false;
    const Compiled& c = compiled();
    const QString folded = ogloszenia::Fold(key);
    if (c.bareNumber.match(folded).hasMatch()) {
        for (const int n : {i - 1, i + 1})
            if (n >= 0 && n < lines.size() && lines[n].size() <= kLabelLength && matches(c.counterLabel, lines[n]))
                return true;
        return false;
    }
    return i > 0 && lines[i - 1].size() <= kLabelLength && c.dateAlone.match(folded).hasMatch() &&
           matches(c.stampLabel, lines[i - 1]);
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
    const QString key = builtInKey(line, checkDay);
    return hasLetterOrDigit(key) ? key : QString();
}

ComparedLines CompareForm(const QStringList& lines, const QDate& checkDay, const NoiseRules& rules)
{
    ComparedLines out;
    for (int i = 0; i < lines.size(); ++i) {
        QString key = rules.ComparedLine(lines[i], checkDay);
        if (key.isEmpty() || besideLabel(lines, i, key))
            continue;
        out.keys << key;
        out.positions << i;
    }
    return out;
}

QString LineShape(const QString& comparedLine, const QDate& checkDay)
{
    const QString folded = ogloszenia::Fold(comparedLine);
    QList<Span> days;
    daySpans(folded, checkDay, &days, &days);
    std::sort(days.begin(), days.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    QString shape;
    shape.reserve(folded.size());
    qsizetype next = 0; // the next day span
    for (qsizetype i = 0; i < folded.size();) {
        if (next < days.size() && i >= days[next].start) {
            if (i < days[next].end) {
                shape += QLatin1Char('@');
                i = days[next].end;
            }
            ++next;
            continue;
        }
        if (folded[i].isDigit()) {
            shape += QLatin1Char('#');
            while (i < folded.size() && folded[i].isDigit())
                ++i;
            continue;
        }
        shape += folded[i++];
    }
    return shape;
}

bool ReadsAsNews(const QString& before, const QString& after, const QDate& afterDay)
{
    const QStringList referencesBefore = CaseReferenceTexts(before);
    for (const QString& r : CaseReferenceTexts(after))
        if (!referencesBefore.contains(r))
            return true;
    QList<QDate> datesBefore;
    for (const ogloszenia::TextDate& d : ogloszenia::DatesIn(ogloszenia::Fold(before)))
        datesBefore << d.date;
    for (const ogloszenia::TextDate& d : ogloszenia::DatesIn(ogloszenia::Fold(after)))
        if (d.date != afterDay && !datesBefore.contains(d.date))
            return true;
    return !ogloszenia::ReadNotices({after}).isEmpty() && ogloszenia::ReadNotices({before}).isEmpty();
}

} // namespace historia
