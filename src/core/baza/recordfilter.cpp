#include "baza/recordfilter.h"

#include "baza/checkcode.h"

#include <QStringList>

namespace baza {

bool RecordMatches(const QString& filter, const QString& gmina, const QString& natura2000,
                   const QString& wojewodztwo, const QString& uwagi, int kod)
{
    const QStringList words = filter.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString meaning = KodColour(kod) ? KodLongText(kod) : QString();
    const QString haystack = QStringList{gmina, natura2000, wojewodztwo, uwagi, meaning}.join(QLatin1Char('\n'));
    for (const QString& word : words)
        if (!haystack.contains(word, Qt::CaseInsensitive))
            return false;
    return true;
}

} // namespace baza
