#pragma once

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// One notice read from a page: what a watcher acts on. Texts are as the
// page prints them (authority, reference, area, subject); kind, procedure
// and stage are one of the fixed values below.
namespace ogloszenia {

// Kinds: "obwieszczenie", "zawiadomienie", "informacja", "decyzja",
// "postanowienie", "ogłoszenie".
// Procedures: "DŚU", "OOŚ", "SOOŚ", "MPZP", "drzewa", "wodnoprawne", "inne".
// Stages: "wszczęcie", "konsultacje", "obowiązek OOŚ", "brak OOŚ",
// "decyzja", "zawieszenie", "inne".
struct Notice
{
    QString kind;
    QString authority; // as it signs: "Wójt Gminy Milicz"; empty when none
    QString reference; // its own case reference ("znak sprawy"); empty when none
    QDate date;        // the document's own date; null when none
    QString procedure = QStringLiteral("inne");
    QString stage = QStringLiteral("inne");
    QDate commentsFrom;  // the comment window; null when none
    QDate commentsUntil;
    bool commentsComputed = false; // the end was computed from a period in days
    bool natura2000 = false;       // a Natura 2000 area is named
    QString area;                  // its PLB/PLH code, else its name; empty when none
    QStringList areasNamed;        // every code and name the notice gives
    bool ownArea = false;          // one of them is the record's own area
    QString subject;               // "przedsięwzięcia polegającego na …"; empty when none
    // The address of the linked document (PDF, DOCX, a sub-page …) it was
    // read from or completed with; empty when read from the page alone.
    QString document;

    // Open on the given day: the comment window ends that day or later.
    bool isOpen(const QDate& today) const { return commentsUntil.isValid() && commentsUntil >= today; }

    // What makes two readings one notice on the same page: kind, reference
    // and date (and the subject when a notice has neither reference nor date).
    QString identity() const;

    friend bool operator==(const Notice&, const Notice&) = default;
};

// The JSON object of the command line: rodzaj, organ, znak, data, procedura,
// etap, uwagi_od, uwagi_do, natura2000, obszar, przedmiot; dates as
// RRRR-MM-DD, null where nothing was found.
QJsonObject ToJson(const Notice& notice);
Notice FromJson(const QJsonObject& object);

// Whether an area named in a notice is the record's own (its Natura2000
// field): the same name or code, letter case, blanks and the words "Natura
// 2000", "obszar", "OSO", "SOO" aside.
bool SameArea(const QString& named, const QString& recordArea);
bool IsOwnArea(const Notice& notice, const QString& recordArea);

} // namespace ogloszenia
