#include "ogloszenia/documentnotice.h"

#include "ogloszenia/noticereader.h"

#include <QHash>

namespace ogloszenia {
namespace {

const QString kOther = QStringLiteral("inne");

void fill(QString& mine, const QString& theirs)
{
    if (mine.isEmpty())
        mine = theirs;
}

bool goesOn(const QString& next)
{
    const QChar first = next.isEmpty() ? QChar() : next.front();
    return first.isLower() || first.isDigit();
}

bool endsSentence(const QString& line)
{
    const QChar last = line.isEmpty() ? QChar() : line.back();
    return last == QLatin1Char('.') || last == QLatin1Char(':') || last == QLatin1Char(';') ||
           last == QLatin1Char('!') || last == QLatin1Char('?');
}

} // namespace

QStringList ParagraphsOf(const QString& documentText)
{
    QStringList out;
    QString paragraph;
    for (const QString& raw : documentText.split(QLatin1Char('\n'))) {
        const QString line = raw.simplified();
        if (line.isEmpty()) {
            if (!paragraph.isEmpty())
                out << paragraph;
            paragraph.clear();
            continue;
        }
        if (paragraph.isEmpty()) {
            paragraph = line;
        } else if (goesOn(line) && paragraph.endsWith(QLatin1Char('-')) && paragraph.size() > 1 &&
                   paragraph.at(paragraph.size() - 2).isLetter()) {
            paragraph.chop(1); // "przed-" / "sięwzięcia"
            paragraph += line;
        } else if (goesOn(line) && !endsSentence(paragraph)) {
            paragraph += QLatin1Char(' ') + line;
        } else {
            out << paragraph;
            paragraph = line;
        }
    }
    if (!paragraph.isEmpty())
        out << paragraph;
    return out;
}

Notice CompletedWith(const Notice& title, const Notice& fromDocument, const QString& documentAddress)
{
    Notice n = title;
    fill(n.reference, fromDocument.reference);
    fill(n.authority, fromDocument.authority);
    fill(n.subject, fromDocument.subject);
    if (!n.date.isValid())
        n.date = fromDocument.date;
    if (n.procedure == kOther)
        n.procedure = fromDocument.procedure;
    if (n.stage == kOther)
        n.stage = fromDocument.stage;
    if (!n.commentsFrom.isValid() && !n.commentsUntil.isValid()) {
        n.commentsFrom = fromDocument.commentsFrom;
        n.commentsUntil = fromDocument.commentsUntil;
        n.commentsComputed = fromDocument.commentsComputed;
    }
    n.natura2000 = n.natura2000 || fromDocument.natura2000;
    fill(n.area, fromDocument.area);
    for (const QString& area : fromDocument.areasNamed)
        if (!n.areasNamed.contains(area))
            n.areasNamed << area;
    n.ownArea = n.ownArea || fromDocument.ownArea;
    fill(n.document, documentAddress);
    return n;
}

QList<Notice> JoinDocumentNotices(const QList<Notice>& pageNotices, const QStringList& pageLines,
                                  const QList<DocumentReading>& documents, const QDate& today)
{
    QList<Notice> out = pageNotices;
    QStringList taken; // identities, so that no notice is listed twice
    for (const Notice& n : out)
        taken << n.identity();
    // A title completed once (from its first document) is completed further
    // by its others, in place: by the identity it had before.
    QHash<QString, qsizetype> completed;
    for (const DocumentReading& d : documents) {
        if (d.notices.isEmpty())
            continue;
        // The page's notice around the link, read as the check reads them.
        ReadOptions around;
        around.today = today;
        around.touched = {d.titleLine};
        const QList<Notice> titles = ReadNotices(pageLines, around);
        QList<Notice> own = d.notices;
        if (!titles.isEmpty()) {
            const QString before = titles.first().identity();
            qsizetype at = completed.value(before, -1);
            if (at < 0)
                at = taken.indexOf(before);
            const Notice joined = CompletedWith(at >= 0 ? out[at] : titles.first(), own.takeFirst(), d.address);
            if (at < 0) {
                at = taken.indexOf(joined.identity());
                if (at < 0) {
                    out << joined;
                    taken << joined.identity();
                    at = out.size() - 1;
                }
            } else {
                out[at] = joined;
                taken[at] = joined.identity();
            }
            completed.insert(before, at);
        }
        for (Notice n : own) {
            n.document = d.address;
            if (taken.contains(n.identity()))
                continue;
            out << n;
            taken << n.identity();
        }
    }
    return out;
}

} // namespace ogloszenia
