#include "powiadomienia/failingpages.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "historia/historystore.h"
#include "text/trimmedtext.h"

#include <QFile>
#include <QHash>

namespace powiadomienia {

FailingPagesResult FailingPages(const QString& dataDirectory, const dbf::DbfTable& table, int k)
{
    FailingPagesResult result;
    const QString path = historia::HistoryStore::PathIn(dataDirectory);
    if (!table.isOpen() || !QFile::exists(path))
        return result;
    QList<historia::FailingPage> failing;
    try {
        historia::HistoryStore store(path);
        store.open(historia::HistoryStore::Mode::ReadOnly);
        failing = store.PagesFailing(k);
    } catch (const historia::HistoryError& e) {
        result.problem = e.text();
        return result;
    }
    QHash<QString, QDateTime> lastGood;
    for (const historia::FailingPage& f : failing)
        lastGood.insert(f.page, f.lastGood);

    // The history also remembers pages that no record has any more.
    QHash<QString, qsizetype> found;
    for (int row = 0; row < table.recordCount(); ++row) {
        const QString page = TrimmedText(table.textAt(row, baza::Info));
        const auto good = lastGood.constFind(page);
        if (page.isEmpty() || good == lastGood.constEnd())
            continue;
        const QString name =
            RecordName(TrimmedText(table.textAt(row, baza::Gmina)), TrimmedText(table.textAt(row, baza::Natura2000)));
        auto at = found.constFind(page);
        if (at == found.constEnd()) {
            at = found.insert(page, result.pages.size());
            result.pages.append({page, {}, *good});
        }
        QStringList& names = result.pages[*at].names;
        if (!names.contains(name))
            names << name;
    }
    return result;
}

QString RecordName(const QString& gmina, const QString& obszar)
{
    return obszar.isEmpty() ? gmina : QStringLiteral("%1 (obszar Natura 2000: %2)").arg(gmina, obszar);
}

QString LastGoodText(const QDateTime& lastGood)
{
    return lastGood.isValid()
               ? QStringLiteral("ostatnia udana kontrola: %1").arg(lastGood.toString(QStringLiteral("dd.MM.yyyy")))
               : QStringLiteral("jeszcze nigdy nie udało się jej pobrać");
}

QString AlertLine(const FailingPageAlert& alert)
{
    return QStringLiteral("%1 — %2; %3").arg(alert.address, alert.names.join(QStringLiteral(", ")),
                                             LastGoodText(alert.lastGood));
}

} // namespace powiadomienia
