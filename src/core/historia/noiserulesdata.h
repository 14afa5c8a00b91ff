#pragma once

#include <QList>

// The built-in noise rules as data: what counters, clocks and stamps on
// municipal pages look like. Every pattern is a regular expression matched
// against the folded line (lower case, Polish letters as their plain ones,
// ogloszenia/textdates.h), so that "Ilość wyświetleń" and "Ilosc
// wyswietlen" are one rule; it may be written with Polish letters, which
// are folded with it. Patterns use no upper-case escapes (\S, \W, \D).
namespace historia::noise {

struct Pattern
{
    const char* name;    // what it recognises, for the reader of this table
    const char* hints;   // '|'-separated texts of which every match holds one (folded)
    const char* pattern; // what is taken out of the line
};

// Taken out of a line wherever they stand: a counter with its number, a
// "wygenerowano" stamp with the rest of the line, a site-update stamp with
// its date and time, a clock with seconds, a session identifier.
const QList<Pattern>& LinePatterns();

// A line that is a counter's label without its number ("Liczba odsłon:",
// "Statystyka odwiedzin"): a number standing alone on the line next to it
// is the counter.
const char* CounterLabel();

// A line that is a site-update stamp's label ("Data aktualizacji serwisu:"):
// a date (with or without a time) standing alone on the next line is the
// stamp.
const char* StampLabel();

// What a line holding nothing but a counter's number looks like:
// "2668760", "137 066", "1.407.408", "237689 razy".
const char* BareNumber();

// What a line holding nothing but a date (and maybe a time) looks like.
const char* DateAlone();

// The forms of a date the date finder reads, with the named groups d, m and
// y; m is a number, a month's name or abbreviation, or a Roman numeral.
const QList<const char*>& DateForms();

// Today's date is a clock when a weekday stands beside it, a "today" word
// before it, or a time after it, or when it is all there is on its line.
const char* Weekday();
const char* TodayWords();
const char* TimeAfterDate();

} // namespace historia::noise
