// mark, delete, reset: the register commands of the grid's popup menu and
// the hidden reset button.
#include "command.h"
#include "registeraccess.h"

#include "baza/fields.h"

namespace {

int runMark(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    RequireNoMoreArguments(args, 2);
    bool ok = false;
    const int value = args[1].toInt(&ok);
    if (!ok || value < 0 || value > 3)
        throw UsageError{QStringLiteral("znacznik musi być 0, 1, 2 lub 3, a jest \"%1\"").arg(args[1])};
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Write);
    b.table().setRecNo(ParseRecordNumber(b.table(), args[0]));
    b.SetPriorityMark(value);
    b.table().close();
    return 0;
}

int runDelete(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 1);
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Write);
    b.table().setRecNo(ParseRecordNumber(b.table(), args[0]));
    b.table().deleteRecord();
    b.table().close();
    return 0;
}

int runReset(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 0);
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Write);
    b.ResetMeasures();
    b.table().close();
    return 0;
}

CommandRegistration markCommand({
    QStringLiteral("mark"),
    QStringLiteral("mark RECNO 0|1|2|3"),
    QStringLiteral("Ustawia priorytet rekordu o numerze RECNO (jak menu \"Priorytet\"):\n"
                   "3 wysoki, 2 średni, 1 niski, 0 odznacz."),
    runMark,
});

CommandRegistration deleteCommand({
    QStringLiteral("delete"),
    QStringLiteral("delete RECNO"),
    QStringLiteral("Usuwa rekord o numerze RECNO (zniknie z pliku przy najbliższym pakowaniu)."),
    runDelete,
});

CommandRegistration resetCommand({
    QStringLiteral("reset"),
    QStringLiteral("reset"),
    QStringLiteral("Zeruje pomiary wszystkich rekordów (daty, rozmiar, wiersze, kod, uwagi, z)."),
    runReset,
});

} // namespace
