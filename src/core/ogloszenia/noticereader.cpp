#include "ogloszenia/noticereader.h"

#include "SzukajDaty/casereference.h"
#include "historia/visibletext.h"
#include "kontrola/pagecharset.h"
#include "ogloszenia/rules.h"
#include "ogloszenia/textdates.h"
#include "ogloszenia/workdays.h"
#include "platform/clock.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace ogloszenia {

namespace {

using Rx = QRegularExpression;

Rx folded(const char* pattern)
{
    Rx re(Fold(QString::fromUtf8(pattern)), Rx::UseUnicodePropertiesOption);
    re.optimize();
    return re;
}

Rx anyOf(const QList<const char*>& patterns)
{
    QStringList parts;
    for (const char* p : patterns)
        parts << QStringLiteral("(?:") + Fold(QString::fromUtf8(p)) + QLatin1Char(')');
    Rx re(parts.join(QLatin1Char('|')), Rx::UseUnicodePropertiesOption);
    re.optimize();
    return re;
}

struct OfficeWords
{
    QString nominative; // as written
    QString foldedNominative;
    QString foldedGenitive;
    bool standsAlone = false;
};

// The rules compiled once; QRegularExpression is safe to share between
// threads for matching.
struct Compiled
{
    QList<std::pair<QString, QString>> kinds; // folded word, kind
    Rx headingContinuation = folded(rules::HeadingContinuation());
    Rx notNotice = anyOf(rules::NotNotices());
    QList<OfficeWords> offices;
    QList<std::pair<Rx, QString>> procedures;
    QList<std::pair<Rx, QString>> stages;
    Rx commentWords = anyOf(rules::CommentWords());
    Rx openToView = anyOf(rules::OpenToViewWords());
    Rx notComment = anyOf(rules::NotCommentWords());
    Rx publicationEvent = folded((QByteArray("^\\s*(?:") + rules::PublicationEvent() + ")").constData());
    Rx publicationLabel = folded(rules::PublicationLabel());
    Rx documentDateLabel = folded(rules::DocumentDateLabel());
    Rx placeAndDate = folded(rules::PlaceAndDate());
    Rx weekday = folded(rules::Weekday());
    Rx referenceLabel = folded(rules::ReferenceLabel());
    Rx naturaMention = folded(rules::NaturaMention());
    Rx naturaCode = folded(rules::NaturaCode());
    Rx naturaDenial = anyOf(rules::NaturaDenials());
    Rx subjectLead = folded(rules::SubjectLead());
    QStringList abbreviations;
    Rx relative{QStringLiteral("(?:w\\s+terminie\\s+|w\\s+ciagu\\s+)?(\\d{1,3})\\s*(?:\\([^)]{0,40}\\)\\s*)?"
                               "(dni|dnia|miesiecy|miesiaca|miesiace|tygodni)\\s+(?:kalendarzowych\\s+)?"
                               "(?:od|liczac\\s+od)\\s+(?:dnia\\s+)?")};
    Rx dayRange{QStringLiteral("od\\s+(\\d{1,2})\\s*(?:do|-)\\s*$")};
    Rx rangeOpen{QStringLiteral("(?:\\bod|w\\s+dniach|w\\s+okresie|w\\s+terminie)\\s*(?:dnia\\s+)?$")};
    Rx rangeJoin{QStringLiteral("^\\s*(?:do|-)\\s*(?:dnia\\s+)?$")};
    Rx untilLead{QStringLiteral("\\bdo\\s+(?:dnia\\s+)?$")};
    Rx fromDay{QStringLiteral("z\\s+(?:dnia|dn\\.)\\s*$")};
    Rx letterSpaced{QStringLiteral("(?<![\\w])(?:\\p{L} ){3,}\\p{L}(?![\\w])"), Rx::UseUnicodePropertiesOption};

    Compiled()
    {
        for (const rules::Rule& k : rules::Kinds())
            kinds.append({Fold(QString::fromUtf8(k.pattern)), QString::fromUtf8(k.value)});
        for (const rules::Office& o : rules::Offices()) {
            const QString n = QString::fromUtf8(o.nominative);
            offices.append({n, Fold(n), Fold(QString::fromUtf8(o.genitive)), o.standsAlone});
        }
        for (const rules::Rule& r : rules::Procedures())
            procedures.append({folded(r.pattern), QString::fromUtf8(r.value)});
        for (const rules::Rule& r : rules::Stages())
            stages.append({folded(r.pattern), QString::fromUtf8(r.value)});
        for (const char* a : rules::Abbreviations())
            abbreviations << Fold(QString::fromUtf8(a));
    }
};

const Compiled& compiled()
{
    static const Compiled c;
    return c;
}

struct Line
{
    QString text;
    QString folded;
    int source = -1; // its index in the lines given
};

struct Heading
{
    QString kind;
    bool pure = false;     // the kind word alone, or with its authority only
    bool labelled = false; // "Ogłoszenie: …", the kind as a label of the text
};

// "O B W I E S Z C Z E N I E" → "OBWIESZCZENIE".
QString collapseLetterSpacing(const QString& line)
{
    const Compiled& c = compiled();
    // Cheap look first: three single letters in a row ("O B W").
    bool spaced = false;
    for (qsizetype i = 0; i + 4 < line.size() && !spaced; ++i)
        spaced = line[i].isLetter() && line[i + 1] == QLatin1Char(' ') && line[i + 2].isLetter() &&
                 line[i + 3] == QLatin1Char(' ') && line[i + 4].isLetter() && (i == 0 || !line[i - 1].isLetter());
    if (!spaced)
        return line;
    QString out = line;
    auto it = c.letterSpaced.globalMatch(line);
    QList<std::pair<qsizetype, qsizetype>> spans;
    while (it.hasNext()) {
        const auto m = it.next();
        spans.append({m.capturedStart(), m.capturedLength()});
    }
    for (auto s = spans.crbegin(); s != spans.crend(); ++s)
        out.replace(s->first, s->second, out.mid(s->first, s->second).remove(QLatin1Char(' ')));
    return out;
}

bool isUpper(const QString& word)
{
    return !word.isEmpty() && word.front().isUpper();
}

// The name of an authority that starts at pos of the line with an office
// word of the given length: the words after it while they are capitalised
// ("Gminy Milicz", "Ochrony Środowiska"), with "w", "we", "i", "nad" between.
QString authorityAt(const QString& text, qsizetype pos, qsizetype officeLength, qsizetype* end = nullptr)
{
    static const QStringList joiners = {QStringLiteral("w"), QStringLiteral("we"), QStringLiteral("i"),
                                        QStringLiteral("nad")};
    qsizetype e = pos + officeLength;
    qsizetype p = e;
    int names = 0;
    while (p < text.size()) {
        qsizetype s = p;
        while (s < text.size() && text[s] == QLatin1Char(' '))
            ++s;
        if (s == p || s >= text.size())
            break;
        qsizetype w = s;
        while (w < text.size() && (text[w].isLetter() || text[w] == QLatin1Char('-')))
            ++w;
        const QString word = text.mid(s, w - s);
        if (word.isEmpty())
            break;
        if (isUpper(word)) {
            e = w;
            p = w;
            ++names;
            continue;
        }
        if (joiners.contains(word)) {
            p = w; // kept only when a capitalised word follows
            continue;
        }
        break;
    }
    if (end)
        *end = e;
    return names > 0 ? text.mid(pos, e - pos) : QString();
}

// A genitive authority in a heading made nominative: "Wójta Gminy Cieszków"
// → "Wójt Gminy Cieszków", "STAROSTY MILICKIEGO" → "Starosta Milicki".
QString nominativeOf(const OfficeWords& office, const QString& genitivePhrase)
{
    QString rest = genitivePhrase.mid(office.foldedGenitive.size()).trimmed();
    const bool shouting = rest == rest.toUpper() && rest != rest.toLower();
    QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString& w : words) {
        if (shouting) {
            const QString lower = w.toLower();
            w = (lower == QLatin1String("w") || lower == QLatin1String("we") || lower == QLatin1String("i"))
                    ? lower
                    : lower.left(1).toUpper() + lower.mid(1);
        }
        // The adjective of a powiat: "Milickiego" → "Milicki".
        if (office.foldedNominative == QLatin1String("starosta") && w.endsWith(QLatin1String("kiego")))
            w.chop(3);
    }
    return words.isEmpty() ? QString() : office.nominative + QLatin1Char(' ') + words.join(QLatin1Char(' '));
}

// Where a list row that puts its date first goes on after the date and its
// separator: "1 listopada 2026 – Obwieszczenie …", "2026-11-27 Zawiadomienie
// …"; 0 for any other line.
qsizetype afterLeadingDate(const QString& folded)
{
    if (folded.isEmpty() || !folded.front().isDigit())
        return 0;
    const QList<TextDate> dates = DatesIn(folded.left(48));
    if (dates.isEmpty() || dates.first().start != 0)
        return 0;
    qsizetype at = dates.first().end;
    static const QString separators = QStringLiteral("-\u2013\u2014:|,");
    while (at < folded.size() && (folded[at].isSpace() || separators.contains(folded[at])))
        ++at;
    return at > dates.first().end ? at : 0;
}

std::optional<Heading> headingOf(const Line& whole)
{
    const Compiled& c = compiled();
    if (whole.folded.size() > 300)
        return std::nullopt;
    // The row's date is still read from the whole line.
    const qsizetype skip = afterLeadingDate(whole.folded);
    const QString rowFolded = skip ? whole.folded.mid(skip) : QString();
    const QString rowText = skip ? whole.text.mid(skip) : QString();
    const QString& f = skip ? rowFolded : whole.folded;
    const QString& text = skip ? rowText : whole.text;
    for (const auto& [word, kind] : c.kinds) {
        if (!f.startsWith(word) || (f.size() > word.size() && f[word.size()].isLetterOrNumber()))
            continue;
        if (c.notNotice.match(f).hasMatch())
            return std::nullopt;
        const QString rest = f.mid(word.size());
        const QString trimmedRest = rest.trimmed();
        bool byAuthority = false;
        for (const OfficeWords& o : c.offices) {
            if (trimmedRest.startsWith(o.foldedGenitive)) {
                byAuthority = true;
                break;
            }
        }
        // An abbreviated authority: "Obwieszczenie RDOŚ w Poznaniu".
        const QString original = text.mid(word.size()).trimmed();
        const QString firstWord = original.section(QLatin1Char(' '), 0, 0);
        if (!byAuthority && firstWord.size() >= 3 && firstWord == firstWord.toUpper() &&
            firstWord != firstWord.toLower())
            byAuthority = true;
        if (!byAuthority && !c.headingContinuation.match(rest).hasMatch())
            return std::nullopt;
        Heading h;
        h.kind = kind;
        static const QRegularExpression titleWords(QStringLiteral("(?:^|\\s)(?:o|w sprawie|dot\\.|dla)\\s|[-:(]|\\d"));
        const bool titled = trimmedRest.contains(titleWords);
        h.pure = trimmedRest.isEmpty() || (byAuthority && !titled && trimmedRest.count(QLatin1Char(' ')) < 8);
        h.labelled = trimmedRest.startsWith(QLatin1Char(':'));
        return h;
    }
    return std::nullopt;
}

bool startsWithGenitiveOffice(const Line& line)
{
    for (const OfficeWords& o : compiled().offices)
        if (line.folded.startsWith(o.foldedGenitive) && line.text.front().isUpper())
            return true;
    return false;
}

bool isBody(const Line& line)
{
    return line.text.size() >= 140;
}

// The case signs of a line ("GKR.6220.14.2026"), not a document's number.
QList<CaseReference> caseSignsIn(const Line& line)
{
    QList<CaseReference> out;
    for (const CaseReference& r : FindCaseReferences(line.text))
        if (r.kind == CaseReference::Kind::CaseSign)
            out << r;
    return out;
}

bool hasReference(const Line& line)
{
    return !caseSignsIn(line).isEmpty();
}

// A short line of a document's head: its place and date, its reference.
bool isHeadLine(const Line& line)
{
    const Compiled& c = compiled();
    if (line.text.size() > 100 || c.publicationLabel.match(line.folded).hasMatch())
        return false;
    if (hasReference(line))
        return true;
    const QList<TextDate> dates = DatesIn(line.folded);
    return !dates.isEmpty() && dates.first().start < 40;
}

struct Block
{
    qsizetype first = 0;   // first line, the head lines above the heading included
    qsizetype heading = 0; // the first heading line
    qsizetype last = 0;
    qsizetype firstBody = -1;
    QString kind;
    bool hasPure = false;
    QList<qsizetype> headings;
};

QList<Block> splitIntoBlocks(const QList<Line>& lines)
{
    QList<Block> blocks;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<Heading> h = headingOf(lines[i]);
        Block* current = blocks.isEmpty() ? nullptr : &blocks.last();
        if (!h) {
            // "Burmistrza Krotoszyna o rozpoczęciu …" under a bare heading
            // goes on with the heading, however long it is.
            if (current && i == current->headings.last() + 1 && startsWithGenitiveOffice(lines[i])) {
                current->headings << i;
                continue;
            }
            if (current && current->firstBody < 0 && isBody(lines[i]))
                current->firstBody = i;
            continue;
        }
        if (current) {
            // A title above the document's own heading (with an
            // introduction of the page between them: "…otrzymał do
            // publicznego ogłoszenia obwieszczenie…"), or a label heading
            // ("Ogłoszenie: …") under a title and its date: one notice.
            const bool pureBelowTitle = h->pure && (current->firstBody < 0 || (!current->hasPure && i - current->first <= 6));
            const bool labelBelowTitle = !h->pure && current->firstBody < 0 && i - current->heading >= 2 &&
                                         i - current->heading <= 3 && h->labelled;
            if (pureBelowTitle || labelBelowTitle) {
                current->headings << i;
                if (h->pure) {
                    current->kind = h->kind;
                    current->hasPure = true;
                    current->firstBody = -1; // what came before was the page's, not the document's
                }
                if (isBody(lines[i]))
                    current->firstBody = i;
                continue;
            }
        }
        // A new notice; the head lines just above its heading are its own.
        const qsizetype floor = current ? current->heading : -1;
        qsizetype first = i;
        while (first - 1 > floor && i - (first - 1) <= 3 && isHeadLine(lines[first - 1]) &&
               !headingOf(lines[first - 1]))
            --first;
        if (current) {
            current->last = first - 1;
            if (current->firstBody >= first)
                current->firstBody = -1;
        }
        Block b;
        b.first = first;
        b.heading = i;
        b.kind = h->kind;
        b.hasPure = h->pure;
        b.headings << i;
        if (isBody(lines[i]))
            b.firstBody = i;
        blocks << b;
    }
    if (!blocks.isEmpty())
        blocks.last().last = lines.size() - 1;
    return blocks;
}

// Sentences of a line: a period, "!" or "?" followed by a capital ends one,
// unless it ends an abbreviation ("ul.", "r.", "pok.").
QList<std::pair<qsizetype, qsizetype>> sentencesOf(const Line& line)
{
    const Compiled& c = compiled();
    QList<std::pair<qsizetype, qsizetype>> out;
    const QString& t = line.text;
    qsizetype start = 0;
    for (qsizetype i = 0; i + 2 < t.size(); ++i) {
        const QChar ch = t[i];
        if ((ch != QLatin1Char('.') && ch != QLatin1Char('!') && ch != QLatin1Char('?')) || t[i + 1] != QLatin1Char(' ') ||
            !t[i + 2].isUpper())
            continue;
        if (ch == QLatin1Char('.')) {
            qsizetype w = i;
            while (w > start && (line.folded[w - 1].isLetter() || line.folded[w - 1] == QLatin1Char('.')))
                --w;
            const QString word = line.folded.mid(w, i - w);
            if (word.size() == 1 || c.abbreviations.contains(word))
                continue;
        }
        out.append({start, i + 1});
        start = i + 2;
    }
    out.append({start, t.size()});
    return out;
}

QDate notAfter(const QDate& d, const QDate& today)
{
    return d.isValid() && d <= today ? d : QDate();
}

// The first date after a label of the page's publication date.
QDate publicationIn(const QList<Line>& lines, qsizetype from, qsizetype to)
{
    const Compiled& c = compiled();
    for (qsizetype i = from; i <= to && i < lines.size(); ++i) {
        const QRegularExpressionMatch m = c.publicationLabel.match(lines[i].folded);
        if (!m.hasMatch())
            continue;
        for (const TextDate& d : DatesIn(lines[i].folded))
            if (d.start >= m.capturedEnd() && d.start - m.capturedEnd() <= 60)
                return d.date;
    }
    return {};
}

struct Window
{
    QDate from;
    QDate until;
    bool computed = false;
};

class BlockReader
{
public:
    BlockReader(const QList<Line>& lines, const Block& block, const ReadOptions& options, const QList<Line>& context)
        : m_lines(lines), m_block(block), m_options(options), m_context(context)
    {
        m_headEnd = m_block.firstBody >= 0 ? m_block.firstBody - 1 : m_block.last;
        m_headEnd = std::min(m_headEnd, m_block.first + 12);
        m_headEnd = std::max(m_headEnd, m_block.headings.last()); // a long list row is its own head
        for (qsizetype i = block.first; i <= block.last; ++i) {
            if (!m_text.isEmpty()) {
                m_text += QLatin1Char('\n');
                m_folded += QLatin1Char('\n');
            }
            m_text += lines[i].text;
            m_folded += lines[i].folded;
        }
    }

    Notice read()
    {
        Notice n;
        n.kind = m_block.kind;
        n.reference = reference();
        n.date = documentDate();
        n.authority = authority();
        n.procedure = procedure();
        n.stage = n.kind == QLatin1String("decyzja") ? n.kind : stage();
        const QList<const char*>& noWindow = rules::StagesWithoutWindow();
        if (std::none_of(noWindow.begin(), noWindow.end(),
                         [&n](const char* s) { return n.stage == QString::fromUtf8(s); })) {
            const Window w = commentWindow();
            n.commentsFrom = w.from;
            n.commentsUntil = w.until;
            n.commentsComputed = w.computed;
        }
        natura(n);
        n.subject = subject();
        return n;
    }

private:
    QString reference() const
    {
        const Compiled& c = compiled();
        for (qsizetype i = m_block.first; i <= m_headEnd; ++i) {
            const QList<CaseReference> signs = caseSignsIn(m_lines[i]);
            if (!signs.isEmpty())
                return m_lines[i].text.mid(signs.first().position, signs.first().length);
        }
        // "…, znak WOOŚ.4220.33.2026.KK" in the first sentence under the heading.
        for (const qsizetype h : m_block.headings) {
            if (h + 1 > m_block.last)
                continue;
            const Line& next = m_lines[h + 1];
            for (const CaseReference& r : caseSignsIn(next)) {
                if (r.position > 200)
                    break;
                if (c.referenceLabel.match(next.folded.left(r.position)).hasMatch())
                    return next.text.mid(r.position, r.length);
            }
        }
        return {};
    }

    QDate today() const { return m_options.today.isValid() ? m_options.today : Clock::now().date(); }

    QDate documentDate() const
    {
        const Compiled& c = compiled();
        const QDate t = today();
        // The place-and-date line.
        for (qsizetype i = m_block.first; i <= m_headEnd; ++i) {
            const Line& l = m_lines[i];
            const QList<TextDate> dates = DatesIn(l.folded);
            if (dates.isEmpty() || c.weekday.match(l.folded).hasMatch())
                continue;
            if (c.placeAndDate.match(l.folded.left(dates.first().start)).hasMatch())
                if (const QDate d = notAfter(dates.first().date, t); d.isValid())
                    return d;
        }
        // "… z dnia 19 października 2026 r." in a heading or the line under it,
        // "Data: …" in the head.
        for (qsizetype i = m_block.first; i <= m_headEnd; ++i) {
            const Line& l = m_lines[i];
            for (const TextDate& d : DatesIn(l.folded)) {
                const QString before = l.folded.left(d.start);
                if (d.start < 250 && (c.fromDay.match(before).hasMatch() || c.documentDateLabel.match(before).hasMatch()))
                    if (const QDate v = notAfter(d.date, t); v.isValid())
                        return v;
            }
        }
        // A list row: the date its own line gives.
        for (const qsizetype h : m_block.headings)
            for (const TextDate& d : DatesIn(m_lines[h].folded))
                if (const QDate v = notAfter(d.date, t); v.isValid())
                    return v;
        return notAfter(publicationIn(m_lines, m_block.first, m_block.last), t);
    }

    QDate publication() const
    {
        const QDate inBlock = publicationIn(m_lines, m_block.first, m_block.last);
        if (inBlock.isValid())
            return inBlock;
        return publicationIn(m_context, 0, m_context.size() - 1);
    }

    QString authority() const
    {
        const Compiled& c = compiled();
        // The signature: a line that is an office and its name, the last one.
        for (qsizetype i = m_block.last; i > m_headEnd; --i) {
            const Line& l = m_lines[i];
            if (l.text.size() > 100)
                continue;
            for (const OfficeWords& o : c.offices) {
                if (!l.folded.startsWith(o.foldedNominative))
                    continue;
                qsizetype end = 0;
                QString a = authorityAt(l.text, 0, o.foldedNominative.size(), &end);
                if (a.isEmpty() && o.standsAlone) {
                    a = l.text.left(o.foldedNominative.size());
                    end = a.size();
                }
                if (!a.isEmpty() && l.text.mid(end).trimmed().remove(QRegularExpression(QStringLiteral("[.,;]"))).isEmpty())
                    return a;
            }
        }
        // An office that speaks in the text: "Starosta Oleśnicki zawiadamia".
        for (qsizetype i = m_block.first; i <= m_block.last; ++i) {
            const Line& l = m_lines[i];
            for (const OfficeWords& o : c.offices) {
                qsizetype at = 0;
                while ((at = l.folded.indexOf(o.foldedNominative, at)) >= 0) {
                    const bool wordStart = at == 0 || !l.folded[at - 1].isLetter();
                    const qsizetype after = at + o.foldedNominative.size();
                    const bool wordEnd = after >= l.folded.size() || !l.folded[after].isLetter();
                    if (wordStart && wordEnd && l.text[at].isUpper()) {
                        const QString a = authorityAt(l.text, at, o.foldedNominative.size());
                        if (!a.isEmpty())
                            return a;
                    }
                    at = after;
                }
            }
        }
        // The heading's genitive: "Obwieszczenie Wójta Gminy Cieszków o …".
        for (const qsizetype h : m_block.headings) {
            const Line& l = m_lines[h];
            const qsizetype space = l.folded.indexOf(QLatin1Char(' '));
            if (space < 0)
                continue;
            for (const OfficeWords& o : c.offices) {
                if (l.folded.mid(space + 1).startsWith(o.foldedGenitive)) {
                    const QString a = authorityAt(l.text, space + 1, o.foldedGenitive.size());
                    if (!a.isEmpty())
                        return nominativeOf(o, a);
                }
            }
        }
        // The line under a bare heading: "Burmistrza Milicza".
        for (const qsizetype h : m_block.headings) {
            if (h + 1 > m_block.last)
                continue;
            const Line& l = m_lines[h + 1];
            for (const OfficeWords& o : c.offices) {
                if (l.folded.startsWith(o.foldedGenitive)) {
                    const QString a = authorityAt(l.text, 0, o.foldedGenitive.size());
                    if (!a.isEmpty())
                        return nominativeOf(o, a);
                }
            }
        }
        return {};
    }

    QString procedure() const
    {
        const Compiled& c = compiled();
        qsizetype best = -1;
        QString value;
        QString fallback;
        for (const auto& [re, name] : c.procedures) {
            const QRegularExpressionMatch m = re.match(m_folded);
            if (!m.hasMatch())
                continue;
            if (name == QStringLiteral("OOŚ")) {
                fallback = name;
                continue;
            }
            if (best < 0 || m.capturedStart() < best) {
                best = m.capturedStart();
                value = name;
            }
        }
        if (!value.isEmpty())
            return value;
        return fallback.isEmpty() ? QStringLiteral("inne") : fallback;
    }

    QString stage() const
    {
        for (const auto& [re, name] : compiled().stages)
            if (re.match(m_folded).hasMatch())
                return name;
        return QStringLiteral("inne");
    }

    // The windows of one sentence: a range, an end date, a period in days.
    void windowsIn(const QString& text, const QString& f, QList<Window>& comments, QList<Window>& views,
                   bool comment) const
    {
        const Compiled& c = compiled();
        QList<Window>& into = comment ? comments : views;
        const QList<TextDate> dates = DatesIn(f);
        QList<bool> used(dates.size(), false);
        for (qsizetype k = 0; k + 1 < dates.size(); ++k) {
            const QString between = f.mid(dates[k].end, dates[k + 1].start - dates[k].end);
            const QString before = f.mid(std::max<qsizetype>(0, dates[k].start - 25), std::min<qsizetype>(25, dates[k].start));
            if (c.rangeJoin.match(between).hasMatch() && c.rangeOpen.match(before).hasMatch()) {
                into << Window{dates[k].date, dates[k + 1].date, false};
                used[k] = used[k + 1] = true;
                ++k;
            }
        }
        for (qsizetype k = 0; k < dates.size(); ++k) {
            if (used[k])
                continue;
            const QString before = f.left(dates[k].start);
            const QRegularExpressionMatch day = c.dayRange.match(before);
            if (day.hasMatch()) {
                const QDate from(dates[k].date.year(), dates[k].date.month(), day.captured(1).toInt());
                into << Window{from.isValid() ? from : QDate(), dates[k].date, false};
                used[k] = true;
            } else if (comment && c.untilLead.match(before.right(20)).hasMatch()) {
                comments << Window{QDate(), dates[k].date, false};
                used[k] = true;
            }
        }
        if (!comment)
            return;
        for (auto it = c.relative.globalMatch(f); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const int count = m.captured(1).toInt();
            const QString unit = m.captured(2);
            const QString after = f.mid(m.capturedEnd());
            QDate event;
            bool explicitDay = false;
            for (const TextDate& d : dates) {
                if (d.start == m.capturedEnd()) {
                    event = d.date;
                    explicitDay = true;
                }
            }
            if (!explicitDay && c.publicationEvent.match(after).hasMatch())
                event = publication();
            if (!event.isValid())
                continue;
            Window w;
            w.from = event;
            w.until = unit.startsWith(QLatin1String("mies")) ? PeriodEndMonths(event, count)
                      : unit.startsWith(QLatin1String("tyg")) ? PeriodEnd(event, count * 7)
                                                               : PeriodEnd(event, count);
            w.computed = true;
            comments << w;
        }
        Q_UNUSED(text);
    }

    Window commentWindow() const
    {
        const Compiled& c = compiled();
        QList<Window> comments;
        QList<Window> views;
        for (qsizetype i = m_block.first; i <= m_block.last; ++i) {
            const Line& l = m_lines[i];
            for (const auto& [s, e] : sentencesOf(l)) {
                const QString f = l.folded.mid(s, e - s);
                if (c.notComment.match(f).hasMatch())
                    continue;
                const bool comment = c.commentWords.match(f).hasMatch();
                const bool view = c.openToView.match(f).hasMatch();
                if (comment || view)
                    windowsIn(l.text.mid(s, e - s), f, comments, views, comment);
            }
        }
        Window w;
        for (const Window& x : comments) {
            if (x.until.isValid()) {
                w = x;
                break;
            }
        }
        if (!w.until.isValid()) {
            for (const Window& v : views) {
                if (v.until.isValid())
                    return v;
            }
            return {};
        }
        if (!w.from.isValid()) {
            for (const Window& v : views) {
                if (v.from.isValid() && v.from <= w.until) {
                    w.from = v.from;
                    break;
                }
            }
        }
        if (!w.from.isValid()) {
            const QDate p = publication();
            if (p.isValid() && p <= w.until)
                w.from = p;
        }
        return w;
    }

    void natura(Notice& n) const
    {
        const Compiled& c = compiled();
        QString firstCode;
        QString firstName;
        for (auto it = c.naturaCode.globalMatch(m_folded); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString code = m_text.mid(m.capturedStart(), m.capturedLength()).toUpper();
            if (firstCode.isEmpty())
                firstCode = code;
            n.areasNamed << code;
        }
        for (auto it = c.naturaMention.globalMatch(m_folded); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString name = areaNameAfter(m.capturedEnd());
            if (!name.isEmpty()) {
                if (firstName.isEmpty())
                    firstName = name;
                n.areasNamed << name;
                continue;
            }
            // "Natura 2000" without a name: named unless denied ("poza
            // obszarami Natura 2000").
            qsizetype sentenceStart = m_folded.lastIndexOf(QLatin1String(". "), m.capturedStart());
            sentenceStart = std::max<qsizetype>(
                {sentenceStart, m_folded.lastIndexOf(QLatin1Char('\n'), m.capturedStart()), m.capturedStart() - 80, 0});
            if (!c.naturaDenial.match(m_folded.mid(sentenceStart, m.capturedStart() - sentenceStart)).hasMatch())
                n.natura2000 = true;
        }
        n.areasNamed.removeDuplicates();
        n.area = firstCode.isEmpty() ? firstName : firstCode;
        if (!n.area.isEmpty())
            n.natura2000 = true;
        if (!m_options.ownArea.trimmed().isEmpty())
            n.ownArea = IsOwnArea(n, m_options.ownArea) || m_folded.contains(Fold(m_options.ownArea.trimmed()));
    }

    // "Natura 2000 Dolina Baryczy", "Natura 2000 „Dolina Baryczy”".
    QString areaNameAfter(qsizetype pos) const
    {
        qsizetype p = pos;
        while (p < m_text.size() && (m_text[p] == QLatin1Char(' ') || m_text[p] == QLatin1Char(':')))
            ++p;
        if (p < m_text.size() && (m_text[p] == QChar(0x201E) || m_text[p] == QLatin1Char('"') || m_text[p] == QChar(0x201C))) {
            const qsizetype close = m_text.indexOf(QRegularExpression(QStringLiteral("[\"\\x{201D}\\x{201C}]")), p + 1);
            if (close > p + 1 && close - p < 80)
                return m_text.mid(p + 1, close - p - 1).trimmed();
            return {};
        }
        if (p >= m_text.size() || !m_text[p].isUpper())
            return {};
        static const QStringList joiners = {QStringLiteral("w"), QStringLiteral("we"), QStringLiteral("nad"),
                                            QStringLiteral("na"), QStringLiteral("i"), QStringLiteral("pod"),
                                            QStringLiteral("z")};
        qsizetype end = p;
        qsizetype q = p;
        while (q < m_text.size()) {
            qsizetype w = q;
            while (w < m_text.size() && (m_text[w].isLetter() || m_text[w] == QLatin1Char('-')))
                ++w;
            const QString word = m_text.mid(q, w - q);
            if (word.isEmpty())
                break;
            // A code after the name is the code, not part of the name.
            if (w < m_text.size() && m_text[w].isDigit())
                break;
            if (isUpper(word))
                end = w;
            else if (!joiners.contains(word))
                break;
            if (w >= m_text.size() || m_text[w] != QLatin1Char(' '))
                break;
            q = w + 1;
        }
        return m_text.mid(p, end - p).trimmed();
    }

    QString subject() const
    {
        const Compiled& c = compiled();
        const QRegularExpressionMatch m = c.subjectLead.match(m_folded);
        if (!m.hasMatch())
            return {};
        // To the end of its sentence, within its line.
        qsizetype lineStart = m_folded.lastIndexOf(QLatin1Char('\n'), m.capturedStart()) + 1;
        qsizetype lineEnd = m_folded.indexOf(QLatin1Char('\n'), m.capturedEnd());
        if (lineEnd < 0)
            lineEnd = m_folded.size();
        const Line line{m_text.mid(lineStart, lineEnd - lineStart), m_folded.mid(lineStart, lineEnd - lineStart)};
        const qsizetype from = m.capturedEnd() - lineStart;
        qsizetype to = line.text.size();
        for (const auto& [s, e] : sentencesOf(line)) {
            if (e > from) {
                to = e;
                break;
            }
        }
        QString s = line.text.mid(from, std::min<qsizetype>(to - from, 300)).trimmed();
        while (!s.isEmpty() && QStringLiteral(".,;:\"\u201D").contains(s.back()))
            s.chop(1);
        return s.trimmed();
    }

    const QList<Line>& m_lines;
    const Block& m_block;
    const ReadOptions& m_options;
    const QList<Line>& m_context;
    qsizetype m_headEnd = 0;
    QString m_text;
    QString m_folded;
};

// With touched lines given, only the lines around them are looked at: a
// notice that holds a new line begins and ends within this reach of it.
constexpr int kReach = 60;

QList<Line> prepare(const QStringList& lines, const QList<int>& touched)
{
    QList<Line> out;
    out.reserve(touched.isEmpty() ? lines.size() : std::min<qsizetype>(lines.size(), touched.size() * 2 * kReach));
    qsizetype next = 0; // into touched, sorted
    for (int i = 0; i < lines.size(); ++i) {
        if (!touched.isEmpty()) {
            while (next < touched.size() && touched[next] + kReach < i)
                ++next;
            if (next >= touched.size())
                break;
            if (touched[next] - kReach > i) {
                i = touched[next] - kReach - 1;
                continue;
            }
        }
        const QString t = collapseLetterSpacing(lines[i].simplified());
        if (!t.isEmpty())
            out << Line{t, Fold(t), i};
    }
    return out;
}

bool isTouched(const QList<Line>& lines, const Block& b, const QList<int>& touched)
{
    if (touched.isEmpty())
        return true;
    for (qsizetype i = b.first; i <= b.last; ++i)
        if (std::binary_search(touched.begin(), touched.end(), lines[i].source))
            return true;
    return false;
}

} // namespace

QList<Notice> ReadNotices(const QStringList& lines, const ReadOptions& options)
{
    QList<int> touched = options.touched;
    std::sort(touched.begin(), touched.end());
    const QList<Line> prepared = prepare(lines, touched);
    QList<Line> context;
    for (const QString& raw : options.context) {
        // Only the lines that may hold a publication date are kept.
        if (raw.size() <= 200 && compiled().publicationLabel.match(Fold(raw)).hasMatch())
            context << Line{raw, Fold(raw)};
    }
    QList<Notice> out;
    for (const Block& b : splitIntoBlocks(prepared))
        if (isTouched(prepared, b, touched))
            out << BlockReader(prepared, b, options, options.context.isEmpty() ? prepared : context).read();
    return out;
}

QList<Notice> ReadNoticesInPage(const QByteArray& body, const QString& contentType, const ReadOptions& options)
{
    const QString text = historia::VisibleText(body, PageCharsetOf(contentType, body), contentType);
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return ReadNotices(lines, options);
}

} // namespace ogloszenia
