#include "historia/preparedversion.h"

#include "historia/historyreader.h"
#include "historia/packing.h"
#include "historia/versiondiff.h"
#include "historia/visibletext.h"
#include "ogloszenia/noticereader.h"

#include <utility>

namespace historia {
namespace {

// The visible text's lines, made from its UTF-8 one at a time (no whole
// copy of the text as a string on the way).
QStringList linesOf(QByteArrayView text)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    for (qsizetype at = 0;;) {
        const qsizetype end = text.indexOf('\n', at);
        lines << QString::fromUtf8(text.sliced(at, (end < 0 ? text.size() : end) - at));
        if (end < 0)
            return lines;
        at = end + 1;
    }
}

} // namespace

std::shared_ptr<const PreparedVersion> PrepareVersion(const QString& dataDirectory, const QString& page,
                                                      const QByteArray& body, const QByteArray& charset,
                                                      const QString& contentType, const QDateTime& moment)
{
    HistoryReader reader = HistoryReader::Open(dataDirectory);
    std::optional<StoredCheck> previous;
    if (reader) {
        try {
            previous = reader->LastVersion(page);
        } catch (const HistoryError&) {
            reader.discard(); // no history readable: nothing to compare
        }
    }
    return PrepareVersion(reader, previous, page, body, charset, contentType, moment);
}

std::shared_ptr<const PreparedVersion> PrepareVersion(HistoryReader& reader,
                                                      const std::optional<StoredCheck>& previous,
                                                      const QString& page, QByteArray body,
                                                      const QByteArray& charset, const QString& contentType,
                                                      const QDateTime& moment, bool withLinks)
{
    auto v = std::make_shared<PreparedVersion>();
    try {
        v->body.sha256 = Sha256Hex(body);
        v->body.size = body.size();
        if (previous)
            v->previousFoundDate = previous->foundDate;
        if (previous && previous->sha256 == v->body.sha256) {
            // The page came back byte for byte, as most do from one run to
            // the next: the store has its body and text already, so nothing
            // is parsed, packed or unpacked.
            v->body.stored = true;
            v->hasPrevious = true;
            v->sameContent = true;
            return v;
        }
        v->body.body = Pack(body);
        QByteArray text = VisibleTextUtf8(body, charset, contentType, HtmlParser::BySize,
                                          withLinks ? &v->links : nullptr);
        body = QByteArray();
        v->body.text = Pack(text);
        ogloszenia::ReadOptions reading;
        reading.today = moment.date();
        if (!previous || !reader) {
            const QStringList lines = linesOf(std::exchange(text, {}));
            v->notices = ogloszenia::ReadNotices(lines, reading);
            return v;
        }
        v->hasPrevious = true;
        const QString newText = QString::fromUtf8(std::exchange(text, {}));
        const NoiseRules rules(reader->Rules(page));
        const VersionDiff diff =
            DiffTexts(reader->Text(previous->sha256), previous->moment.date(), newText, moment.date(), rules);
        v->sameContent = diff.isEmpty();
        if (!diff.added.isEmpty()) {
            v->firstAddedLine = diff.added.first();
            // A notice is read whole, though only some of its lines may be
            // new (a heading or a signature like an older one's is no
            // added line).
            reading.touched = diff.addedAt;
            v->addedAt = diff.addedAt;
            v->notices = ogloszenia::ReadNotices(newText.split(QLatin1Char('\n')), reading);
        }
    } catch (const HistoryError&) {
        reader.discard();
        v->hasPrevious = false;
        v->sameContent = false;
    } catch (const std::exception&) {
        return nullptr;
    }
    return v;
}

std::shared_ptr<const PreparedVersion> UnchangedVersion(const StoredCheck& previous)
{
    auto v = std::make_shared<PreparedVersion>();
    v->body.sha256 = previous.sha256;
    v->body.size = previous.size;
    v->body.stored = true;
    v->hasPrevious = true;
    v->previousFoundDate = previous.foundDate;
    v->sameContent = true;
    return v;
}

} // namespace historia
