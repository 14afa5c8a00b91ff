#include "historia/noiserulesdata.h"

namespace historia::noise {
namespace {

// A counter's number: "2668760", "137 066", "2.668.760", "1,204".
#define NOISE_NUMBER "\\d+(?:[ .,]\\d{3})*"

// The words a counter goes by, as a label before its number.
#define NOISE_COUNTER_WORDS                                                                                      \
    "licznik(?:\\s+(?:odwiedzin|odwiedzeń|odwiedzających|wizyt|odsłon|wejść|wyświetleń|gości))?"              \
    "|statystyk[ai]\\s+(?:odwiedzin|odwiedzeń|odsłon|wyświetleń|wizyt|strony)"                                  \
    "|(?:liczba|ilość)\\s+(?:odwiedzin|odwiedzeń|odwiedzających|odsłon|wyświetleń|wizyt|wejść|pobrań|gości|"   \
    "odczytów)"                                                                                                  \
    "|odwiedzono\\s+nas|odwiedziło\\s+nas|odwiedzin[ya]?|odwiedzeń|odwiedzających|odwiedzający"                 \
    "|odsłon[ya]?|wyświetleń|wyświetlenia|wyświetlono|wizyt|wejść"                                               \
    "|(?:gości|użytkowników)\\s+online|online"                                                                  \
    "|oglądano|wyświetlano|czytano|odwiedzano|oglądan[yaoe]|wyświetlan[yaoe]|czytan[yaoe]|odwiedzan[yaoe]"      \
    "|views|hits|visits|visitors|page\\s+views"

// What a counter counts, after its words: "liczba odsłon strony",
// "licznik odwiedzin tej strony od 1.01.2010".
#define NOISE_COUNTER_OBJECT                                                                                     \
    "(?:\\s+razy)?(?:\\s+(?:tej\\s+)?(?:strony|stronę|serwisu|witryny|artykułu|wpisu|dokumentu|informacji))?"  \
    "(?:\\s+od\\s+[^:]{1,30}?(?=\\s*:))?"

// Any date the finder reads, for the stamps that carry one.
#define NOISE_ANY_DATE                                                                                           \
    "(?:\\d{1,2}[.\\-/]\\d{1,2}[.\\-/]\\d{4}|\\d{4}[.\\-/]\\d{1,2}[.\\-/]\\d{1,2}"                               \
    "|\\d{1,2}(?:\\s*\\.\\s*|\\s+)(?:[a-z]{3,12}|[ivx]{1,4})\\.?(?:\\s*\\.\\s*|\\s+)\\d{4})"                     \
    "(?:\\s*(?:r\\.|roku(?![a-z])))?"

#define NOISE_TIME "\\d{1,2}:\\d{2}(?::\\d{2})?(?!\\d)"

// The labels of a site's (or a page's) update stamp.
#define NOISE_STAMP_LABEL                                                                                        \
    "(?:data\\s+(?:ostatniej\\s+)?(?:aktualizacji|modyfikacji|zmiany)"                                          \
    "(?:\\s+(?:serwisu|strony|witryny|portalu|bip|informacji|danych))?"                                         \
    "|ostatni(?:a|e)?\\s+(?:aktualizacja|modyfikacja|zmiana|zmiany)(?:\\s+(?:serwisu|strony|witryny|portalu))?" \
    "|(?:serwis|strona|witryna)\\s+(?:zaktualizowan[ya]|aktualizowan[ya]|zmodyfikowan[ya])(?:\\s+dnia)?"        \
    "|aktualizacja\\s+(?:serwisu|strony|witryny|portalu))"

} // namespace

const QList<Pattern>& LinePatterns()
{
    static const QList<Pattern> patterns{
        {"licznik z liczbą po etykiecie",
         "licznik|statystyk|liczba|ilosc|odwiedz|odslon|wyswietl|wizyt|wejsc|online|ogladan|czytan|views|hits|visit",
         "(?<![a-z])(?:" NOISE_COUNTER_WORDS ")(?![a-z])" NOISE_COUNTER_OBJECT
         "\\s*[:=\\-–]?\\s*" NOISE_NUMBER "(?:\\s*razy(?![a-z]))?(?!\\d)"},
        {"liczba z rzeczownikiem licznika", "odslon|wyswietl|odwiedz|wizyt|wejsc|razy",
         "(?<![\\w.,])" NOISE_NUMBER "\\s*(?:odsłon[ya]?|wyświetle(?:ń|nia)|odwiedzin|odwiedzających|odwiedzeń|wizyt|"
         "wejść|razy)(?![a-z])"},
        {"znacznik wygenerowania strony", "generowan|generated|wykonania",
         "(?<![a-z])(?:data\\s+wygenerowania|strona\\s+wygenerowana|wygenerowan[oa]|"
         "czas\\s+(?:generowania|wygenerowania|wykonania)|generated|page\\s+generated).*$"},
        {"znacznik aktualizacji serwisu", "aktualiz|modyfik|zmian",
         "(?<![a-z])" NOISE_STAMP_LABEL "\\s*[:\\-–]?\\s*(?:dnia\\s+)?" NOISE_ANY_DATE
         "(?:[,\\s]*(?:o\\s+)?(?:godz\\.?|godzina)?\\s*" NOISE_TIME ")?"},
        {"zegar z sekundami", ":", "(?<!\\d)\\d{1,2}:\\d{2}:\\d{2}(?!\\d)"},
        {"identyfikator sesji", "=",
         "(?:[;&?]|(?<!\\w))(?:phpsessid|jsessionid|sessionid|session_id|sessid|sid|token|csrf_token|_token|_csrf)="
         "[\\w\\-.%]+"},
    };
    return patterns;
}

const char* CounterLabel()
{
    return "(?<![a-z])(?:licznik|statystyk[ai]\\s+(?:odwiedzin|odwiedzeń|odsłon|wyświetleń|wizyt|strony)"
           "|(?:liczba|ilość)\\s+(?:odwiedzin|odwiedzeń|odwiedzających|odsłon|wyświetleń|wizyt|wejść|pobrań|gości)"
           "|odwiedzono\\s+nas|odwiedziło\\s+nas|odwiedzin[ya]?|odwiedzających|odsłon[ya]?|wyświetleń|wyświetlono"
           "|oglądan[yaoe]|wyświetlan[yaoe]|czytan[yaoe]|razy)(?![a-z])";
}

const char* StampLabel()
{
    return "(?<![a-z])" NOISE_STAMP_LABEL "\\s*[:\\-–]?\\s*(?:dnia)?\\s*$";
}

const char* BareNumber()
{
    return "^\\s*" NOISE_NUMBER "(?:\\s*razy)?\\s*$";
}

const char* DateAlone()
{
    return "^\\s*" NOISE_ANY_DATE "(?:[,\\s]*(?:o\\s+)?(?:godz\\.?|godzina)?\\s*" NOISE_TIME ")?\\s*$";
}

const QList<const char*>& DateForms()
{
    static const QList<const char*> forms{
        // 10.12.2026, 10-12-2026, 10/12/2026
        "(?<![\\w.\\-/])(?<d>\\d{1,2})(?<s>[.\\-/])(?<m>\\d{1,2})\\k<s>(?<y>\\d{4})(?!(?!r\\.)\\w|[.\\-/]\\d)",
        // 2026-12-10, 2026.12.10, 2026/12/10
        "(?<![\\w.\\-/])(?<y>\\d{4})(?<s>[.\\-/])(?<m>\\d{1,2})\\k<s>(?<d>\\d{1,2})(?![\\w.\\-/]\\d|\\w)",
        // 10 grudnia 2026, 10 grudzien 2026, 10 gru. 2026, 10 XII 2026, 10.XII.2026
        "(?<![\\w.])(?<d>\\d{1,2})(?:\\s*\\.\\s*|\\s+)(?<m>[a-z]{3,12}|[ivx]{1,4})\\.?(?:\\s*\\.\\s*|\\s+)(?<y>\\d{4})"
        "(?!(?!r\\.)\\w)",
    };
    return forms;
}

const char* Weekday()
{
    return "(?:poniedziałek|wtorek|środa|czwartek|piątek|sobota|niedziela)";
}

const char* TodayWords()
{
    return "(?<![a-z])(?:dziś|dzisiaj|dzisiejsza\\s+data|aktualna\\s+data|mamy)(?:\\s+(?:jest|mamy))?[\\s:,\\-–]*$";
}

const char* TimeAfterDate()
{
    return "^(?:\\s*(?:r\\.|roku(?![a-z])))?[,\\s]*(?:o\\s+)?(?:godz\\.?|godzina)?\\s*" NOISE_TIME;
}

} // namespace historia::noise
