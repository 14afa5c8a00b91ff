#include "baza/recordfilter.h"

#include <QStringList>

namespace baza {

QString KodMeaning(int kod)
{
    switch (kod) {
    case 1: return QStringLiteral("niski priorytet / zmiana rozmiaru");
    case 2: return QStringLiteral("średni priorytet / zmiana liczby wierszy");
    case 3: return QStringLiteral("wysoki priorytet / nowa data");
    case 4: return QStringLiteral("przekroczony czas kontroli");
    case 5: return QStringLiteral("błąd odczytu strony");
    default: return {};
    }
}

bool RecordMatches(const QString& filter, const QString& gmina, const QString& natura2000,
                   const QString& wojewodztwo, const QString& uwagi, int kod)
{
    const QStringList words = filter.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString haystack = QStringList{gmina, natura2000, wojewodztwo, uwagi, KodMeaning(kod)}.join(QLatin1Char('\n'));
    for (const QString& word : words)
        if (!haystack.contains(word, Qt::CaseInsensitive))
            return false;
    return true;
}

} // namespace baza
