#include "dokumenty/documentlinks.h"

#include "internet/normalizeaddress.h"

#include <QRegularExpression>
#include <QSet>

namespace dokumenty {
namespace {

const QStringList kDocumentSuffixes = {QStringLiteral(".pdf"), QStringLiteral(".doc"), QStringLiteral(".docx"),
                                       QStringLiteral(".odt"), QStringLiteral(".rtf")};

// Never a document nor a sub-page with text.
const QStringList kOtherSuffixes = {
    QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".png"), QStringLiteral(".gif"),
    QStringLiteral(".bmp"), QStringLiteral(".svg"),  QStringLiteral(".webp"), QStringLiteral(".tif"),
    QStringLiteral(".tiff"), QStringLiteral(".zip"), QStringLiteral(".rar"), QStringLiteral(".7z"),
    QStringLiteral(".gz"),  QStringLiteral(".xls"),  QStringLiteral(".xlsx"), QStringLiteral(".ods"),
    QStringLiteral(".mp3"), QStringLiteral(".mp4"),  QStringLiteral(".avi"), QStringLiteral(".css"),
    QStringLiteral(".js"),  QStringLiteral(".xml"),  QStringLiteral(".shp"), QStringLiteral(".dwg"),
    QStringLiteral(".gml"), QStringLiteral(".exe"),  QStringLiteral(".xades"), QStringLiteral(".sig")};

bool endsWithAny(const QString& path, const QStringList& suffixes)
{
    for (const QString& s : suffixes)
        if (path.endsWith(s, Qt::CaseInsensitive))
            return true;
    return false;
}

// "(PDF, 245 KB)", "plik DOCX", "obwieszczenie.pdf" in the text; a query
// such as ?plik=obwieszczenie.pdf in the address.
bool namesDocumentFormat(const QString& text)
{
    static const QRegularExpression format(QStringLiteral("(?:^|[^\\p{L}\\p{N}])(?:pdf|docx?|odt|rtf)(?:$|[^\\p{L}\\p{N}])"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::UseUnicodePropertiesOption);
    return format.match(text).hasMatch();
}

QString withoutFragment(QUrl url)
{
    url.setFragment(QString());
    return url.toString(QUrl::FullyEncoded);
}

} // namespace

QUrl PageUrl(const QString& address)
{
    return QUrl(NormalizeAddress(address), QUrl::TolerantMode);
}

QList<DocumentLink> LinksOfNewLines(const QList<historia::LineLink>& links, const QList<int>& addedAt,
                                    const QUrl& page, int most)
{
    QList<DocumentLink> out;
    if (most <= 0 || addedAt.isEmpty() || !page.isValid())
        return out;
    QSet<int> lines;
    const QSet<int> added(addedAt.begin(), addedAt.end());
    for (const int at : addedAt) {
        lines.insert(at);
        lines.insert(at + 1);
    }

    const QString pageHost = page.host().toLower();
    const QString pageItself = withoutFragment(page);
    QSet<QString> taken;
    for (const historia::LineLink& link : links) {
        if (!lines.contains(link.line))
            continue;
        const QUrl relative(link.href, QUrl::TolerantMode);
        if (!relative.isValid())
            continue;
        QUrl target = page.resolved(relative);
        const QString scheme = target.scheme().toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            continue; // mailto:, javascript:, tel: …
        target.setFragment(QString());
        const QString key = target.toString(QUrl::FullyEncoded);
        if (key == pageItself || taken.contains(key))
            continue;
        const QString path = target.path();
        if (endsWithAny(path, kOtherSuffixes))
            continue;
        DocumentLink d;
        d.address = target;
        d.text = link.text;
        d.line = link.line;
        d.onAddedLine = added.contains(link.line);
        d.samePageHost = target.host().toLower() == pageHost;
        d.namesDocument = endsWithAny(path, kDocumentSuffixes) || namesDocumentFormat(link.text) ||
                          namesDocumentFormat(target.query(QUrl::FullyDecoded));
        if (!d.samePageHost && !d.namesDocument)
            continue;
        taken.insert(key);
        out << d;
        if (out.size() >= most)
            break;
    }
    return out;
}

} // namespace dokumenty
