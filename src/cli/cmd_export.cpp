// export: the register as a CSV file for a spreadsheet.
#include "command.h"
#include "registeraccess.h"

#include "baza/baza.h"
#include "wymiana/registerexport.h"

namespace {

int runExport(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 1);
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Read);
    const int count = wymiana::ExportRegister(b, args[0]);
    b.table().close();
    c.out << "Zapisano rekordów: " << count << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("export"),
    QStringLiteral("export PLIK.csv"),
    QStringLiteral(
        "Zapisuje rejestr do pliku CSV (UTF-8, średniki, wszystkie 15 pól, daty RRRR-MM-DD).\n"
        "Istniejący plik zostaje zastąpiony."),
    runExport,
});

} // namespace
