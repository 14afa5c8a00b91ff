#include "historia/preparedversion.h"

#include "historia/packing.h"
#include "historia/versiondiff.h"
#include "historia/visibletext.h"
#include "ogloszenia/noticereader.h"

namespace historia {

std::shared_ptr<const PreparedVersion> PrepareVersion(const QString& dataDirectory, const QString& page,
                                                      const QByteArray& body, const QByteArray& charset,
                                                      const QString& contentType, const QDateTime& moment)
{
    auto v = std::make_shared<PreparedVersion>();
    try {
        v->body.sha256 = Sha256Hex(body);
        v->body.size = body.size();
        v->body.body = Pack(body);

        HistoryStore store(HistoryStore::PathIn(dataDirectory));
        std::optional<StoredCheck> previous;
        try {
            store.open(HistoryStore::Mode::ReadOnly);
            previous = store.LastVersion(page);
        } catch (const HistoryError&) {
            // no history yet, or none readable: nothing to compare
        }
        if (previous)
            v->previousFoundDate = previous->foundDate;
        if (previous && previous->sha256 == v->body.sha256) {
            // The page came back byte for byte, as most do from one run to
            // the next: its text is the stored one, no need to parse it.
            try {
                v->body.text = Pack(store.Text(previous->sha256).toUtf8());
                v->hasPrevious = true;
                v->sameContent = true;
                return v;
            } catch (const HistoryError&) {
                previous.reset(); // the stored text is unreadable: make it anew
            }
        }
        const QString text = VisibleText(body, charset, contentType);
        v->body.text = Pack(text.toUtf8());
        ogloszenia::ReadOptions reading;
        reading.today = moment.date();
        const QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
        if (!previous) {
            v->notices = ogloszenia::ReadNotices(lines, reading);
            return v;
        }
        v->hasPrevious = true;
        const NoiseRules rules(store.Rules(page));
        const VersionDiff diff =
            DiffTexts(store.Text(previous->sha256), previous->moment.date(), text, moment.date(), rules);
        v->sameContent = diff.isEmpty();
        if (!diff.added.isEmpty()) {
            v->firstAddedLine = diff.added.first();
            // A notice is read whole, though only some of its lines may be
            // new (a heading or a signature like an older one's is no
            // added line).
            reading.touched = diff.addedAt;
            v->notices = ogloszenia::ReadNotices(lines, reading);
        }
    } catch (const HistoryError&) {
        v->hasPrevious = false;
        v->sameContent = false;
    } catch (const std::exception&) {
        return nullptr;
    }
    return v;
}

} // namespace historia
