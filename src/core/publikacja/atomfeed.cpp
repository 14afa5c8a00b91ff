#include "publikacja/atomfeed.h"

#include <QCryptographicHash>
#include <QSet>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace publikacja {
namespace {

const QString kAtom = QStringLiteral("http://www.w3.org/2005/Atom");
// The category of an entry that carries its record's kod.
const QString kKodScheme = QStringLiteral("urn:x-ekowarta:kod");

QString sha1Urn(const QString& text)
{
    return QStringLiteral("urn:sha1:") +
           QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

// XML 1.0 has no place for most control characters, lone surrogates or
// U+FFFE/U+FFFF; a page's text may hold them.
QString xmlText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || c.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
            continue;
        out += c;
    }
    return out;
}

QString rfc3339(const QDateTime& moment)
{
    return moment.toUTC().toString(Qt::ISODate);
}

QDateTime parseMoment(const QString& text)
{
    QDateTime m = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!m.isValid())
        m = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    return m.toUTC();
}

void readEntry(QXmlStreamReader& xml, AtomFeed& feed)
{
    FeedEntry e;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (xml.namespaceUri() != kAtom) {
            xml.skipCurrentElement();
        } else if (name == QLatin1String("id")) {
            e.id = xml.readElementText().trimmed();
        } else if (name == QLatin1String("title")) {
            e.title = xml.readElementText();
        } else if (name == QLatin1String("updated")) {
            e.updated = parseMoment(xml.readElementText());
        } else if (name == QLatin1String("summary")) {
            e.summary = xml.readElementText();
        } else if (name == QLatin1String("category")) {
            if (xml.attributes().value(QLatin1String("scheme")) == kKodScheme) {
                e.kodTerm = xml.attributes().value(QLatin1String("term")).toString();
                e.kodLabel = xml.attributes().value(QLatin1String("label")).toString();
            }
            xml.skipCurrentElement();
        } else if (name == QLatin1String("link")) {
            const auto rel = xml.attributes().value(QLatin1String("rel"));
            if (rel.isEmpty() || rel == QLatin1String("alternate"))
                e.link = xml.attributes().value(QLatin1String("href")).toString();
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!e.id.isEmpty())
        feed.entries << e;
}

} // namespace

QString EntryId(const QString& address, const QDate& updated)
{
    return sha1Urn(address.trimmed() + QLatin1Char('\n') + updated.toString(Qt::ISODate));
}

QString NoticeEntryId(const QString& page, const QString& noticeIdentity)
{
    return sha1Urn(page.trimmed() + QLatin1Char('\n') + noticeIdentity);
}

QString FeedId(const QString& host, const QString& directory)
{
    return sha1Urn(QStringLiteral("ftp://") + host.trimmed() + directory.trimmed() + QStringLiteral("/wykaz.xml"));
}

std::optional<AtomFeed> ReadFeed(const QByteArray& bytes)
{
    if (bytes.size() > kMaxFeedBytes)
        return std::nullopt;
    QXmlStreamReader xml(bytes);
    // Up to the root element token by token: the reader expands declared
    // entities where they are used, so a document type that declares any
    // is refused before the first use. Atom needs none.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD &&
            (!xml.entityDeclarations().isEmpty() || xml.text().contains(QLatin1String("<!ENTITY"))))
            return std::nullopt;
    }
    if (!xml.isStartElement() || xml.name() != QLatin1String("feed") || xml.namespaceUri() != kAtom)
        return std::nullopt;
    AtomFeed feed;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (xml.namespaceUri() != kAtom)
            xml.skipCurrentElement();
        else if (name == QLatin1String("id"))
            feed.id = xml.readElementText().trimmed();
        else if (name == QLatin1String("title"))
            feed.title = xml.readElementText();
        else if (name == QLatin1String("updated"))
            feed.updated = parseMoment(xml.readElementText());
        else if (name == QLatin1String("entry"))
            readEntry(xml, feed);
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        return std::nullopt;
    return feed;
}

QByteArray WriteFeed(const AtomFeed& feed)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(kAtom);
    xml.writeStartElement(kAtom, QStringLiteral("feed"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("pl"));
    xml.writeTextElement(kAtom, QStringLiteral("id"), xmlText(feed.id));
    xml.writeTextElement(kAtom, QStringLiteral("title"), xmlText(feed.title));
    xml.writeTextElement(kAtom, QStringLiteral("updated"), rfc3339(feed.updated));
    xml.writeStartElement(kAtom, QStringLiteral("author"));
    xml.writeTextElement(kAtom, QStringLiteral("name"), QStringLiteral("Ekowarta"));
    xml.writeEndElement();
    xml.writeStartElement(kAtom, QStringLiteral("generator"));
    xml.writeCharacters(QStringLiteral("Ekowarta"));
    xml.writeEndElement();
    for (const FeedEntry& e : feed.entries) {
        xml.writeStartElement(kAtom, QStringLiteral("entry"));
        xml.writeTextElement(kAtom, QStringLiteral("id"), xmlText(e.id));
        xml.writeTextElement(kAtom, QStringLiteral("title"), xmlText(e.title));
        xml.writeEmptyElement(kAtom, QStringLiteral("link"));
        xml.writeAttribute(QStringLiteral("rel"), QStringLiteral("alternate"));
        xml.writeAttribute(QStringLiteral("href"), xmlText(e.link));
        xml.writeTextElement(kAtom, QStringLiteral("updated"), rfc3339(e.updated));
        if (!e.kodTerm.isEmpty()) {
            xml.writeEmptyElement(kAtom, QStringLiteral("category"));
            xml.writeAttribute(QStringLiteral("scheme"), kKodScheme);
            xml.writeAttribute(QStringLiteral("term"), xmlText(e.kodTerm));
            xml.writeAttribute(QStringLiteral("label"), xmlText(e.kodLabel));
        }
        xml.writeStartElement(kAtom, QStringLiteral("summary"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("text"));
        xml.writeCharacters(xmlText(e.summary));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

QList<FeedEntry> MergeEntries(const QList<FeedEntry>& fresh, const QList<FeedEntry>& old, int maxEntries)
{
    QList<FeedEntry> all;
    QSet<QString> ids;
    for (const FeedEntry& e : fresh)
        if (!ids.contains(e.id)) {
            ids.insert(e.id);
            all << e;
        }
    for (const FeedEntry& e : old)
        if (!ids.contains(e.id)) {
            ids.insert(e.id);
            all << e;
        }
    // Newest first; entries of one moment keep their order (new ones first).
    std::stable_sort(all.begin(), all.end(),
                     [](const FeedEntry& a, const FeedEntry& b) { return a.updated > b.updated; });
    if (maxEntries >= 0 && all.size() > maxEntries)
        all.resize(maxEntries);
    return all;
}

} // namespace publikacja
