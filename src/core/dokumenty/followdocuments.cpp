#include "dokumenty/followdocuments.h"

#include "dokumenty/documentlinks.h"
#include "dokumenty/documentreader.h"
#include "dokumenty/documenttype.h"
#include "dokumenty/fetchdocument.h"
#include "historia/historystore.h"
#include "historia/packing.h"
#include "historia/preparedversion.h"
#include "historia/visibletext.h"
#include "konfig/settings.h"
#include "kontrola/pagecharset.h"
#include "ogloszenia/documentnotice.h"
#include "ogloszenia/noticereader.h"

#include <QHash>
#include <QThread>

#include <algorithm>

namespace dokumenty {
namespace {

using historia::StoredDocument;

// The longest a server's Retry-After is waited for within a check.
constexpr int kLongestRetryWaitMs = 30000;

QString formatOf(DocumentType type)
{
    return DocumentTypeName(type).toLower();
}

// The format a link's address names by its ending; empty when none.
QString formatNamed(const QUrl& address)
{
    const QString path = address.path().toLower();
    for (const QString& f : {QStringLiteral("pdf"), QStringLiteral("docx"), QStringLiteral("doc"),
                             QStringLiteral("odt"), QStringLiteral("rtf")})
        if (path.endsWith(QLatin1Char('.') + f))
            return f;
    return {};
}

// The identity of the page's notice that holds the line; empty when none.
QString noticeAt(const QStringList& lines, int line, const QDate& today)
{
    if (line < 0 || line >= lines.size())
        return {};
    ogloszenia::ReadOptions reading;
    reading.today = today;
    reading.touched = {line};
    const QList<ogloszenia::Notice> found = ogloszenia::ReadNotices(lines, reading);
    return found.isEmpty() ? QString() : found.first().identity();
}

QStringList linesOf(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Waits, a little at a time, so that a stop is not held up.
bool waitFor(qint64 ms, const FollowContext& context)
{
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        if ((context.stopped && context.stopped()) || context.deadline.hasExpired())
            return false;
        QThread::msleep(quint32(qMin<qint64>(50, qMax<qint64>(1, until.remainingTime()))));
    }
    return true;
}

class Follower
{
public:
    Follower(const Following& following, const FollowContext& context) : m_following(following), m_context(context)
    {
    }

    StoredDocument fetchAndRead(const DocumentLink& link, QString* text)
    {
        StoredDocument d;
        d.address = link.address.toString(QUrl::FullyEncoded);
        d.moment = m_context.moment;
        if (outOfTime()) {
            d.reason = QStringLiteral("nie pobrano: skończył się czas kontroli strony");
            return d;
        }
        if (m_kept >= kMostDocumentBytesPerCheck) {
            d.reason = tooMuch();
            return d;
        }
        FetchedDocument got = fetch(d.address);
        if (got.ok && m_kept + got.bytes.size() > kMostDocumentBytesPerCheck) {
            d.reason = tooMuch();
            return d;
        }
        if (!got.ok) {
            d.reason = got.cancelled && !stopped() ? QStringLiteral("nie pobrano: skończył się czas kontroli strony")
                                                   : got.reason;
            return d;
        }
        d.sha256 = historia::Sha256Hex(got.bytes);
        d.size = got.bytes.size();
        if (readBefore(d, text))
            return d;
        read(d, link, got, text);
        if (d.fetched())
            d.packedBody = historia::Pack(got.bytes);
        if (!text->isEmpty())
            d.packedText = historia::Pack(text->toUtf8());
        m_kept += d.packedBody.size() + d.packedText.size();
        return d;
    }

    // The page itself was asked of its host just now: its documents keep
    // the pause after it too.
    void requested(const QString& host) { m_lastRequest[host].start(); }

    bool stopped() const { return m_context.stopped && m_context.stopped(); }
    bool outOfTime() const { return stopped() || m_context.deadline.hasExpired(); }

private:
    static QString tooMuch()
    {
        return QStringLiteral("nie pobrano: dokumenty tej strony mają razem ponad %1 MB")
            .arg(kMostDocumentBytesPerCheck / (1024 * 1024));
    }

    FetchedDocument fetch(const QString& address)
    {
        const QString host = HostOf(address);
        for (int attempt = 0;; ++attempt) {
            // The pass's pause between two requests to one host; the page
            // itself was the last request to its host.
            const auto last = m_lastRequest.constFind(host);
            if (last != m_lastRequest.constEnd() && m_following.hostPauseMs > 0)
                waitFor(m_following.hostPauseMs - last->elapsed(), m_context);
            DocumentRequest request;
            request.address = address;
            request.userAgent = m_context.userAgent;
            request.connections = m_context.connections;
            request.cancelled = [this] { return outOfTime(); };
            FetchedDocument got = FetchDocument(request);
            m_lastRequest[host].start();
            const bool askedToWait = got.httpCode == 429 || got.httpCode == 503;
            if (!askedToWait || got.retryAfterSeconds < 0 || attempt > 0)
                return got;
            // Asked to come back later: once, when the wait fits in the
            // check's time; else the document waits for another check.
            const qint64 wait = qint64(got.retryAfterSeconds) * 1000;
            if (wait > kLongestRetryWaitMs ||
                (!m_context.deadline.isForever() && wait >= m_context.deadline.remainingTime())) {
                got.reason = QStringLiteral("serwer prosi o ponowienie za %1 s").arg(got.retryAfterSeconds);
                return got;
            }
            if (!waitFor(wait, m_context))
                return got;
        }
    }

    bool readBefore(StoredDocument& d, QString* text) const
    {
        if (!m_context.history)
            return false;
        try {
            const std::optional<StoredDocument> before = m_context.history->ReadBefore(d.address, d.sha256);
            if (!before)
                return false;
            d.type = before->type;
            d.outcome = before->outcome;
            d.reason = before->reason;
            d.pages = before->pages;
            *text = m_context.history->DocumentText(before->id);
            return true;
        } catch (const historia::HistoryError&) {
            return false; // read again
        }
    }

    void read(StoredDocument& d, const DocumentLink& link, const FetchedDocument& got, QString* text)
    {
        const QString contentType = QString::fromLatin1(got.contentType).trimmed();
        const bool html = contentType.startsWith(QLatin1String("text/html"), Qt::CaseInsensitive) ||
                          contentType.startsWith(QLatin1String("application/xhtml"), Qt::CaseInsensitive);
        const std::optional<DocumentType> type =
            html ? std::nullopt : DocumentTypeOf(d.address, got.contentType, got.bytes.left(4096));
        if (html) {
            d.type = QStringLiteral("HTML");
            if (!link.samePageHost) {
                d.outcome = StoredDocument::Outcome::Failed;
                d.reason = QStringLiteral("zamiast dokumentu strona innego serwisu");
                return;
            }
            if (!m_following.formats.contains(QStringLiteral("html"))) {
                d.reason = QStringLiteral("nie czytano: podstrony są wyłączone w ustawieniach");
                return;
            }
            *text = historia::VisibleText(got.bytes, PageCharsetOf(contentType, got.bytes), contentType);
            d.pages = 1;
            d.outcome = text->isEmpty() ? StoredDocument::Outcome::NoTextLayer : StoredDocument::Outcome::Text;
            if (text->isEmpty())
                d.reason = QStringLiteral("strona bez tekstu");
            return;
        }
        if (!type) {
            d.reason = QStringLiteral("to nie jest dokument do odczytania (%1)")
                           .arg(contentType.isEmpty() ? QStringLiteral("nieznany rodzaj") : contentType.section(QLatin1Char(';'), 0, 0));
            return;
        }
        d.type = DocumentTypeName(*type);
        if (!m_following.formats.contains(formatOf(*type))) {
            d.reason = QStringLiteral("nie czytano: dokumenty %1 są wyłączone w ustawieniach").arg(d.type);
            return;
        }
        ReadLimits limits;
        if (!m_context.deadline.isForever())
            limits.time = std::chrono::milliseconds(
                qBound<qint64>(1, m_context.deadline.remainingTime(), qint64(limits.time.count())));
        const DocumentText read = ReadDocument(got.bytes, *type, limits);
        d.pages = read.pages;
        switch (read.outcome) {
        case DocumentText::Outcome::Text:
            d.outcome = StoredDocument::Outcome::Text;
            *text = read.text;
            break;
        case DocumentText::Outcome::NoTextLayer:
            d.outcome = StoredDocument::Outcome::NoTextLayer;
            d.reason = read.reason.isEmpty() ? QStringLiteral("dokument bez warstwy tekstowej") : read.reason;
            break;
        case DocumentText::Outcome::Failed:
            d.outcome = StoredDocument::Outcome::Failed;
            d.reason = read.reason;
            break;
        }
    }

    const Following& m_following;
    const FollowContext& m_context;
    QHash<QString, QElapsedTimer> m_lastRequest;
    qint64 m_kept = 0; // packed bytes and text of the documents so far
};

} // namespace

Following FollowingOf(const Settings& settings)
{
    Following f;
    f.on = settings.documents && !settings.documentFormats.isEmpty();
    f.formats = QSet<QString>(settings.documentFormats.begin(), settings.documentFormats.end());
    f.most = settings.documentsPerPage;
    f.hostPauseMs = settings.jobs > 1 ? settings.hostDelayMs : 0;
    f.timeLimitSeconds = settings.timeLimitSeconds();
    return f;
}

std::shared_ptr<const historia::PreparedVersion> FollowDocuments(
    std::shared_ptr<const historia::PreparedVersion> page, const QString& pageAddress, const Following& following,
    const FollowContext& context)
{
    if (!following.on || !page || page->addedAt.isEmpty() || page->links.isEmpty() || page->body.stored)
        return page;
    try {
        QList<DocumentLink> links = LinksOfNewLines(page->links, page->addedAt, PageUrl(pageAddress), following.most);
        // A link that names a format switched off is not fetched at all.
        links.removeIf([&](const DocumentLink& l) {
            const QString named = formatNamed(l.address);
            if (!named.isEmpty())
                return !following.formats.contains(named);
            return !l.namesDocument && !following.formats.contains(QStringLiteral("html"));
        });
        if (links.isEmpty())
            return page;
        const QStringList pageLines =
            linesOf(QString::fromUtf8(historia::Unpack(page->body.text, historia::StoredTextLimit(page->body.size))));
        // The line after a new one is followed as the new notice's own
        // (its "pobierz" line), not when it begins an older notice.
        links.removeIf([&](const DocumentLink& l) {
            if (l.onAddedLine)
                return false;
            const QString own = noticeAt(pageLines, l.line, context.moment.date());
            return !own.isEmpty() && own != noticeAt(pageLines, l.line - 1, context.moment.date());
        });
        if (links.isEmpty())
            return page;

        Follower follower(following, context);
        follower.requested(HostOf(pageAddress));
        QList<StoredDocument> documents;
        QList<ogloszenia::DocumentReading> readings;
        for (const DocumentLink& link : links) {
            if (follower.stopped())
                return page; // nobody waits for this check
            QString text;
            StoredDocument d = follower.fetchAndRead(link, &text);
            if (d.outcome == StoredDocument::Outcome::Text && !text.isEmpty()) {
                ogloszenia::ReadOptions reading;
                reading.today = context.moment.date();
                // A document that gives no date of its own is dated by its row.
                reading.context = pageLines.mid(qMax(0, link.line - 1), 3);
                const QStringList lines = d.type == QLatin1String("HTML") ? linesOf(text) : ogloszenia::ParagraphsOf(text);
                readings.append({d.address, link.line, ogloszenia::ReadNotices(lines, reading)});
            }
            documents << std::move(d);
        }
        auto joined = std::make_shared<historia::PreparedVersion>(*page);
        joined->documents = std::move(documents);
        joined->notices = ogloszenia::JoinDocumentNotices(page->notices, pageLines, readings, context.moment.date());
        return joined;
    } catch (const std::exception&) {
        return page; // the page's own result comes back as it is
    }
}

} // namespace dokumenty
