#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Lines of a page that change without anything being published: visit and
// view counters (also a number alone beside its label), "wygenerowano"
// stamps and site-update stamps, today's date as a clock shows it (with its
// weekday, a "dziś" or a time, or alone on its line), session identifiers,
// and whatever the user asked to ignore for the page ("ignoruj wiersze
// zawierające …"). What they look like is in noiserulesdata.h. Differences
// and the verdict filter compare lines through these rules.
namespace historia {

class NoiseRules
{
public:
    // userRules: texts whose lines are ignored, letter case aside.
    explicit NoiseRules(QStringList userRules = {});

    // The line as compared: the noise taken out, blanks collapsed. Empty
    // when nothing but noise is left (the line does not count at all).
    // checkDay is the day of the check that fetched the line, so that its
    // own "today" is recognised. The line's neighbours are not looked at
    // (CompareForm does).
    QString ComparedLine(const QString& line, const QDate& checkDay) const;

    const QStringList& userRules() const { return m_userRules; }

private:
    QStringList m_userRules;
    QStringList m_foldedRules; // the same, case-folded once
};

// The compared form of every line that counts, with its position in lines.
// Besides each line's own noise, a number standing alone next to a
// counter's label and a date alone under a site-update stamp's label do
// not count.
struct ComparedLines
{
    QStringList keys;
    QList<int> positions;
};
ComparedLines CompareForm(const QStringList& lines, const QDate& checkDay, const NoiseRules& rules);

// What the page's own history teaches: a compared line whose counterpart
// in the previous version differs from it only in its numbers or in the day
// of the check (the same words in the same place) is a counter the rules
// did not know. The shape is the line with every number and the check's
// own date (and its weekday) written as placeholders.
QString LineShape(const QString& comparedLine, const QDate& checkDay);

// Whether a new line of the same shape as the old one still tells news: a
// case reference or document number the old line had not, a date it had not
// (the day of the check aside), or a notice's heading where the old line
// had none.
bool ReadsAsNews(const QString& before, const QString& after, const QDate& afterDay);

} // namespace historia
