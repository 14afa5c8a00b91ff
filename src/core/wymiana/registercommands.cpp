#include "wymiana/registercommands.h"

#include "baza/baza.h"
#include "platform/dialogs.h"
#include "raport/runtexts.h"
#include "wymiana/registerexport.h"
#include "wymiana/registerimport.h"

#include <QFile>

namespace wymiana {
namespace {

const QString kCsvFilter = QStringLiteral("Pliki CSV (*.csv);;Wszystkie pliki (*)");
constexpr int kListedInMessage = 25;

void ensureOpen(baza::Baza& baza)
{
    if (!baza.table().isOpen())
        baza.OpenTable();
}

} // namespace

void ImportRegisterFromFile(baza::Baza& baza, Dialogs& dialogs, bool runActive)
{
    if (runActive) {
        dialogs.message(RunActiveText());
        return;
    }
    const QString path = dialogs.openFileName(kCsvFilter);
    if (path.isEmpty())
        return;
    const ImportPlan plan = PlanImportFile(path);
    if (!plan.ok()) {
        dialogs.message(RefusalText(plan.problems, kListedInMessage));
        return;
    }
    ensureOpen(baza);
    ApplyImport(baza.table(), plan);
    dialogs.message(QStringLiteral("Do rejestru dodano rekordów: %1").arg(plan.records.size()));
}

void ExportRegisterToFile(baza::Baza& baza, Dialogs& dialogs)
{
    const QString path = dialogs.saveFileName(QStringLiteral("rejestr.csv"), kCsvFilter);
    if (path.isEmpty())
        return;
    if (QFile::exists(path) &&
        dialogs.question(
            QStringLiteral("Plik o podanej nazwie już istnieje.\r\nChcesz go nadpisać?"),
            Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
    ensureOpen(baza);
    const int count = ExportRegister(baza, path);
    dialogs.message(QStringLiteral("Rejestr został zapisany (rekordów: %1)").arg(count));
}

} // namespace wymiana
