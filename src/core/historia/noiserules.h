#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Lines of a page that change without anything being published: visit and
// view counters, "wygenerowano" stamps, today's date with the time (a
// clock), session identifiers, and whatever the user asked to ignore for the
// page ("ignoruj wiersze zawierające …"). Differences and the verdict
// filter compare lines through these rules.
namespace historia {

class NoiseRules
{
public:
    // userRules: texts whose lines are ignored, letter case aside.
    explicit NoiseRules(QStringList userRules = {});

    // The line as compared: the noise taken out, blanks collapsed. Empty
    // when nothing but noise is left (the line does not count at all).
    // checkDay is the day of the check that fetched the line, so that its
    // own "today" is recognised.
    QString ComparedLine(const QString& line, const QDate& checkDay) const;

    const QStringList& userRules() const { return m_userRules; }

private:
    QStringList m_userRules;
    QStringList m_foldedRules; // the same, case-folded once
};

// The compared form of every line that counts, with its position in lines.
struct ComparedLines
{
    QStringList keys;
    QList<int> positions;
};
ComparedLines CompareForm(const QStringList& lines, const QDate& checkDay, const NoiseRules& rules);

} // namespace historia
