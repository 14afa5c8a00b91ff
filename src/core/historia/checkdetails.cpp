#include "historia/checkdetails.h"

#include "historia/versiondiff.h"
#include "text/systemformat.h"

namespace historia {

CheckDetails DescribeCheck(const HistoryStore& store, const StoredCheck& check)
{
    CheckDetails d;
    if (!check.hasBody()) {
        d.note = QStringLiteral("Kontrola nieudana: %1").arg(check.outcome);
        return d;
    }
    const std::optional<StoredCheck> before = store.VersionBefore(check);
    if (!before) {
        d.note = QStringLiteral("Pierwsza zapisana wersja strony: nie ma z czym porównać.");
        return d;
    }
    const VersionDiff diff = DiffTexts(store.Text(before->sha256), before->moment.date(), store.Text(check.sha256),
                                       check.moment.date(), NoiseRules(store.Rules(check.page)));
    d.added = diff.added;
    d.removed = diff.removed;
    d.counted = diff.counted;
    if (diff.isEmpty())
        d.note = QStringLiteral("Bez nowej treści: tekst strony poza licznikami, znacznikami czasu i ignorowanymi "
                                "wierszami jest taki sam jak %1.")
                     .arg(systemformat::shortDate(before->moment.date()) + u' ' +
                          before->moment.time().toString(QStringLiteral("HH:mm")));
    return d;
}

} // namespace historia
