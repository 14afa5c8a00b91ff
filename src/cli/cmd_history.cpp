// history: the checks of a record's page as the page history keeps them;
// ignore: the texts whose lines the comparison of that page leaves out.
#include "command.h"
#include "historyaccess.h"

namespace {

QString orDash(const QString& s)
{
    return s.isEmpty() ? QStringLiteral("-") : s;
}

int runHistory(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 1);
    const QString page = PageOfRecord(c, args[0]);
    historia::HistoryStore store(historia::HistoryStore::PathIn(c.dataDir));
    OpenHistory(store);
    for (const historia::StoredCheck& check : store.Checks(page)) {
        c.out << check.moment.toString(Qt::ISODate) << ' ' << check.kod << ' ' << check.size << ' ' << check.lines
              << ' ' << orDash(check.foundDate.toString(Qt::ISODate)) << ' ' << orDash(check.sha256);
        if (!check.hasBody())
            c.out << ' ' << check.outcome; // why it failed
        c.out << '\n';
        // The documents its new lines linked to, under it.
        for (const historia::StoredDocument& d : store.DocumentsOfCheck(check.id)) {
            c.out << "  dokument " << d.id << ' ' << orDash(d.type) << ' ' << d.size << ' '
                  << historia::OutcomeWord(d.outcome) << ' ' << d.address;
            if (!d.reason.isEmpty())
                c.out << ' ' << d.reason;
            c.out << '\n';
        }
    }
    return 0;
}

int runIgnore(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    QString removed;
    const bool remove = TakeOption(args, QStringLiteral("--remove"), &removed);
    RequireNoMoreArguments(args, remove ? 1 : args.size() > 1 ? 2 : 1);
    const QString page = PageOfRecord(c, args[0]);
    historia::HistoryStore store(historia::HistoryStore::PathIn(c.dataDir));
    store.open(historia::HistoryStore::Mode::ReadWrite);
    if (remove)
        store.RemoveRule(page, removed);
    else if (args.size() > 1)
        store.AddRule(page, args[1]);
    for (const QString& rule : store.Rules(page))
        c.out << rule << '\n';
    return 0;
}

CommandRegistration historyCommand({
    QStringLiteral("history"),
    QStringLiteral("history RECNO"),
    QStringLiteral("Wypisuje kontrole strony informacyjnej rekordu z historii stron (historia.sqlite),\n"
                   "od najstarszej, po jednej w wierszu: data i godzina, kod, rozmiar, wiersze,\n"
                   "znaleziona data, SHA-256 pobranej strony; po nieudanej kontroli - przyczyna.\n"
                   "Pod kontrolą dokumenty podlinkowane w jej nowych wierszach, po jednym w wierszu:\n"
                   "\"  dokument NR RODZAJ ROZMIAR WYNIK ADRES [PRZYCZYNA]\", WYNIK to tekst, bez tekstu\n"
                   "albo błąd; NR dla snapshot --document."),
    runHistory,
});

CommandRegistration ignoreCommand({
    QStringLiteral("ignore"),
    QStringLiteral("ignore RECNO [TEKST] [--remove TEKST]"),
    QStringLiteral("Ignoruj wiersze zawierające TEKST przy porównaniu wersji strony rekordu (wielkość\n"
                   "liter bez znaczenia); --remove usuwa taką regułę. Wypisuje reguły strony."),
    runIgnore,
});

} // namespace
