#include "historia/preparedversion.h"

#include "historia/packing.h"
#include "historia/versiondiff.h"
#include "historia/visibletext.h"

namespace historia {

std::shared_ptr<const PreparedVersion> PrepareVersion(const QString& dataDirectory, const QString& page,
                                                      const QByteArray& body, const QByteArray& charset,
                                                      const QString& contentType, const QDateTime& moment)
{
    auto v = std::make_shared<PreparedVersion>();
    try {
        const QString text = VisibleText(body, charset, contentType);
        v->body.sha256 = Sha256Hex(body);
        v->body.size = body.size();
        v->body.body = Pack(body);
        v->body.text = Pack(text.toUtf8());

        HistoryStore store(HistoryStore::PathIn(dataDirectory));
        try {
            store.open(HistoryStore::Mode::ReadOnly);
        } catch (const HistoryError&) {
            return v; // no history yet, or none readable: nothing to compare
        }
        const std::optional<StoredCheck> previous = store.LastVersion(page);
        if (!previous)
            return v;
        v->hasPrevious = true;
        if (previous->sha256 == v->body.sha256) {
            v->sameContent = true;
            return v;
        }
        const NoiseRules rules(store.Rules(page));
        const VersionDiff diff =
            DiffTexts(store.Text(previous->sha256), previous->moment.date(), text, moment.date(), rules);
        v->sameContent = diff.isEmpty();
        if (!diff.added.isEmpty())
            v->firstAddedLine = diff.added.first();
    } catch (const HistoryError&) {
        v->hasPrevious = false;
        v->sameContent = false;
    } catch (const std::exception&) {
        return nullptr;
    }
    return v;
}

} // namespace historia
