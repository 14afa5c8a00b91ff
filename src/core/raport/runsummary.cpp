#include "raport/runsummary.h"

QString RunSummaryText(const RunTally& tally)
{
    return QStringLiteral("Kontrola zakończona. Zaktualizowane: %1, błędy odczytu: %2, przekroczony czas: %3, "
                          "sprawdzone strony: %4.")
        .arg(tally.updated)
        .arg(tally.failed)
        .arg(tally.timedOut)
        .arg(tally.checked);
}
