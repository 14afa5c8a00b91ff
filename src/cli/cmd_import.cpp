// import: records from a CSV file into the register, all or none.
#include "command.h"
#include "registeraccess.h"

#include "baza/baza.h"
#include "wymiana/registerimport.h"

#include <QFile>

namespace {

int runImport(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 1);
    const QString path = args[0];
    // Checked before the table is touched: a failing file writes nothing.
    const wymiana::ImportPlan plan = wymiana::PlanImportFile(path);
    if (!plan.ok()) {
        c.err << "ekowarta-cli import: plik " << path
              << " nie został zaimportowany, rejestr pozostał bez zmian:\n";
        for (const wymiana::ImportProblem& problem : plan.problems)
            c.err << "  " << wymiana::ProblemText(problem) << "\n";
        return 1;
    }
    baza::Baza b(c.dataDir);
    if (!QFile::exists(b.dbfPath()))
        baza::CreateTable(b.dbfPath());
    OpenRegister(b, Access::Write);
    wymiana::ApplyImport(b.table(), plan);
    b.table().close();
    c.out << "Do rejestru dodano rekordów: " << plan.records.size() << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("import"),
    QStringLiteral("import PLIK.csv"),
    QStringLiteral("Dopisuje do rejestru rekordy z pliku CSV (UTF-8 lub Windows-1250, przecinki "
                   "lub średniki).\n"
                   "Nagłówek: Gmina, Natura2000, Wojewodztwo oraz opcjonalnie dom, info, bip.\n"
                   "Gdy choć jeden wiersz jest błędny, nic nie jest zapisywane, a błędy są "
                   "wypisane z numerami "
                   "wierszy."),
    runImport,
});

} // namespace
