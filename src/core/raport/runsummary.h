#pragma once

#include <QString>

// What one run did, counted as its results are stored: the line that the
// event log (and the tray, when the window is there) gets at its end.
struct RunTally
{
    int updated = 0;  // kod 1, 2 or 3: a line in the updated list
    int failed = 0;   // kod 5: the page could not be read
    int timedOut = 0; // kod 4
    int checked = 0;  // every check that ended in one of the above or as unchanged
};

// "Kontrola zakończona. Zaktualizowane: 3, błędy odczytu: 1, przekroczony
// czas: 1, sprawdzone strony: 12." (numbers after a colon need no Polish
// plural forms).
QString RunSummaryText(const RunTally& tally);
