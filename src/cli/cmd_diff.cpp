// diff: what changed in the visible text of a record's page between two
// stored versions, the noise rules applied.
#include "command.h"
#include "historyaccess.h"

#include "historia/versiondiff.h"

namespace {

int runDiff(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    QString from;
    QString to;
    const bool hasFrom = TakeOption(args, QStringLiteral("--from"), &from);
    const bool hasTo = TakeOption(args, QStringLiteral("--to"), &to);
    const bool counters = args.removeAll(QStringLiteral("--liczniki")) > 0;
    RequireNoMoreArguments(args, 1);
    const QString page = PageOfRecord(c, args[0]);
    historia::HistoryStore store(historia::HistoryStore::PathIn(c.dataDir));
    OpenHistory(store);
    const QList<historia::StoredCheck> versions = VersionsOf(store, page);

    const historia::StoredCheck newer =
        hasTo ? PickVersion(versions, to, QStringLiteral("--to")) : versions.isEmpty() ? historia::StoredCheck() : versions.last();
    if (!newer.hasBody())
        throw std::runtime_error("strona nie ma jeszcze zapisanej wersji");
    historia::StoredCheck older;
    if (hasFrom) {
        older = PickVersion(versions, from, QStringLiteral("--from"));
    } else {
        for (const historia::StoredCheck& v : versions)
            if (v.id < newer.id)
                older = v;
    }
    if (!older.hasBody())
        throw std::runtime_error("strona ma tylko jedną zapisaną wersję: nie ma z czym porównać");

    const historia::VersionDiff diff =
        historia::DiffTexts(store.Text(older.sha256), older.moment.date(), store.Text(newer.sha256),
                            newer.moment.date(), historia::NoiseRules(store.Rules(page)));
    for (const QString& line : diff.added)
        c.out << "+ " << line << '\n';
    for (const QString& line : diff.removed)
        c.out << "- " << line << '\n';
    if (counters)
        for (const QString& line : diff.counted)
            c.out << "~ " << line << '\n';
    return 0;
}

CommandRegistration reg({
    QStringLiteral("diff"),
    QStringLiteral("diff RECNO [--from WERSJA] [--to WERSJA] [--liczniki]"),
    QStringLiteral("Różnica tekstu strony rekordu między dwiema ostatnimi zapisanymi wersjami: dodane\n"
                   "wiersze jako \"+ tekst\", usunięte jako \"- tekst\"; nic, gdy poza licznikami,\n"
                   "znacznikami czasu i ignorowanymi wierszami tekst się nie zmienił. Wiersz, który\n"
                   "od poprzedniej wersji różni się tylko liczbami albo dzisiejszą datą, jest\n"
                   "licznikiem, nie zmianą: z --liczniki wypisywany na końcu jako \"~ tekst\".\n"
                   "WERSJA to chwila kontroli (RRRR-MM-DDTGG:MM:SS) albo początek SHA-256 z polecenia\n"
                   "history."),
    runDiff,
});

} // namespace
