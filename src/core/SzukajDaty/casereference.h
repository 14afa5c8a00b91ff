#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Case references and document numbers in a text, as offices print them:
//   case sign ("znak sprawy"): office letters, then the filing class, the
//     case number and the year, dot-separated, sometimes with the clerk's
//     initials after: "OŚ.6220.5.2026", "GKR.6220.14.2026",
//     "WOOŚ.4220.12.2021.AB", "RDOŚ-Gd-WOO.420.5.2026.AM.1", "OŚ. 6220.5.2026";
//   document number: what follows "Nr"/"nr" and ends with a year:
//     "Zarządzenie Nr 120.5.2026", "Uchwała Nr XII/123/2026", "nr 13/2026".
// Such runs of numbers are no dates: the date finder never reads one out of
// them, the noise rules take a new one for news.
//
// Pure functions; safe on any thread.

struct CaseReference
{
    enum class Kind {
        CaseSign,       // "OŚ.6220.5.2026": the case a document belongs to
        DocumentNumber, // "120.5.2026" of "Nr 120.5.2026": the document's own number
    };
    Kind kind = Kind::CaseSign;
    qsizetype position = 0; // in the text searched, UTF-16 units
    qsizetype length = 0;   // the reference as printed, initials included; "Nr" is not part of it
};

// Every reference in the text, in text order, none overlapping another.
QList<CaseReference> FindCaseReferences(QStringView text);

// The same as texts ("OŚ.6220.5.2026", "120.5.2026").
QStringList CaseReferenceTexts(QStringView text);
