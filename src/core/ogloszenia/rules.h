#pragma once

#include <QList>
#include <QString>

// What the notice reader knows about the language of notices, as data: the
// kinds and their headings, the offices that sign, the words that tell a
// procedure and a stage, the phrases that open a comment window and those
// that only look like one. Every pattern is a regular expression matched
// against folded text (lower case, Polish letters as plain ones, see
// textdates.h); it may be written with Polish letters, which are folded
// with it. Patterns use no upper-case escapes (\S, \W, \D, \P{…}).
namespace ogloszenia::rules {

struct Rule
{
    const char* pattern; // UTF-8
    const char* value;   // UTF-8: the kind, procedure or stage it tells
};

// The kind words a notice's heading begins with (singular only: a plural
// "Obwieszczenia i zawiadomienia" is a section, not a notice).
const QList<Rule>& Kinds();

// What may follow the kind word in a heading: the end of the line, an
// authority in the genitive, "o …", "w sprawie …", a dash, a date.
const char* HeadingContinuation();

// Titles that begin with a kind word but are no notices ("Informacja o
// przetwarzaniu danych osobowych").
const QList<const char*>& NotNotices();

// Offices that sign a notice: the nominative, then its genitive. The
// authority is the office followed by its name ("Gminy Milicz", "w Poznaniu").
struct Office
{
    const char* nominative;
    const char* genitive;
    bool standsAlone = false; // one in the country: signs without a place
};
const QList<Office>& Offices();

// Procedures, each with its words; the earliest one in the text tells it,
// except "OOŚ" (an assessment outside the decision on environmental
// conditions), which only counts when no other procedure is named.
const QList<Rule>& Procedures();

// Stages in the order of precedence: the first that matches tells it.
const QList<Rule>& Stages();

// A comment window is a date range, a "do dnia" date or a period in days
// in a sentence that speaks of comments or requests ("uwagi", "wnioski")
// or of laying the documents open ("wyłożenie"), and of none of the things
// that only look like one: appeals, delivery, posting, a new settlement
// date, the parties' evidence.
const QList<const char*>& CommentWords();
const QList<const char*>& OpenToViewWords();
const QList<const char*>& NotCommentWords();
// Stages in which no window is read (a window a decision mentions is over).
const QList<const char*>& StagesWithoutWindow();

// Events a period in days counts from: publication of the notice itself.
const char* PublicationEvent();
// Labels of the page's publication date ("Data publikacji:", "Opublikowano").
const char* PublicationLabel();
// Labels of the document's own date when no place-and-date line gives it.
const char* DocumentDateLabel();
// A document's place-and-date line: "Milicz, dnia 5 grudnia 2026 r.".
const char* PlaceAndDate();
// Weekdays: a header's "Czwartek, 10 grudnia 2026" is no place.
const char* Weekday();

// Labels before the notice's own reference ("Znak sprawy:", "znak"); the
// references themselves are found by SzukajDaty/casereference.h.
const char* ReferenceLabel();

// Natura 2000 areas: the words and the codes, and what makes a mention a
// denial ("poza obszarami Natura 2000").
const char* NaturaMention();
const char* NaturaCode();
const QList<const char*>& NaturaDenials();

// The subject: the text after "przedsięwzięcia polegającego na".
const char* SubjectLead();

// Abbreviations after which a period ends no sentence.
const QList<const char*>& Abbreviations();

} // namespace ogloszenia::rules
