#include "SzukajDaty/casereference.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// Office letters, then at least one number and a year, all glued by dots
// (slashes and dashes in some offices), then perhaps the clerk's initials
// and a sub-number. The first segment of the letters is an abbreviation in
// capitals ("OŚ", "GKiOŚ", "B"), not a word such as "Nr" or "Dz": those are
// checked after the match.
const QRegularExpression& caseSign()
{
    static const QRegularExpression re(QStringLiteral(
        "(?<![\\p{L}\\p{N}.\\-/])"
        "(?<office>\\p{Lu}[\\p{L}]{0,9})(?:[.\\-/]\\p{L}{1,10}){0,3}"
        "[.\\-/] ?"
        "\\d{1,5}(?:[.\\-/]\\d{1,5}){0,3}[.\\-/](?:19|20)\\d\\d(?!\\d)"
        "(?:[.\\-]\\p{Lu}{1,4}(?!\\p{L})(?:[.\\-]\\d{1,3}(?!\\d))?)?"));
    return re;
}

// "Nr" and the number after it, which ends with a year: Arabic or Roman
// parts ("XII/123/2026") glued by dots, slashes or dashes.
const QRegularExpression& documentNumber()
{
    static const QRegularExpression re(QStringLiteral(
        "(?<![\\p{L}\\p{N}])[Nn][Rr]\\.? ?"
        "(?<number>(?:[IVXLC]{1,7}|\\d{1,5})(?:[.\\-/](?:[IVXLC]{1,7}|\\d{1,5})){0,4}[.\\-/](?:19|20)\\d\\d)(?!\\d)"));
    return re;
}

// An office abbreviation has at least two capitals, unless it is one
// letter; a Roman numeral ("XII" of "XII/123/2026") is none.
bool isOfficeAbbreviation(QStringView segment)
{
    int capitals = 0;
    bool roman = true;
    for (const QChar c : segment) {
        capitals += c.isUpper() ? 1 : 0;
        roman = roman && QStringView(u"IVXLCDM").contains(c);
    }
    return !roman && (segment.size() == 1 || capitals >= 2);
}

bool overlapsAny(const QList<CaseReference>& found, qsizetype position, qsizetype length)
{
    return std::any_of(found.begin(), found.end(), [&](const CaseReference& r) {
        return position < r.position + r.length && r.position < position + length;
    });
}

} // namespace

QList<CaseReference> FindCaseReferences(QStringView text)
{
    QList<CaseReference> found;
    // Cheap look first: every reference ends with a year, "19xx" or "20xx".
    if (!text.contains(u"20") && !text.contains(u"19"))
        return found;
    for (auto it = caseSign().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!isOfficeAbbreviation(m.capturedView(u"office")))
            continue;
        found << CaseReference{CaseReference::Kind::CaseSign, m.capturedStart(), m.capturedLength()};
    }
    for (auto it = documentNumber().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const qsizetype at = m.capturedStart(u"number");
        const qsizetype length = m.capturedLength(u"number");
        if (!overlapsAny(found, at, length))
            found << CaseReference{CaseReference::Kind::DocumentNumber, at, length};
    }
    std::sort(found.begin(), found.end(),
              [](const CaseReference& a, const CaseReference& b) { return a.position < b.position; });
    return found;
}

QStringList CaseReferenceTexts(QStringView text)
{
    QStringList out;
    for (const CaseReference& r : FindCaseReferences(text))
        out << text.sliced(r.position, r.length).toString();
    return out;
}
