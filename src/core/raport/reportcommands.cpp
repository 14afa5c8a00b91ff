#include "raport/reportcommands.h"

#include "platform/dialogs.h"
#include "platform/installation.h"
#include "platform/shell.h"
#include "raport/runreport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>

void SaveReport(const RunReport& report, Dialogs& dialogs)
{
    const QString path = dialogs.saveFileName(RunReport::ProposedReportName(), QStringLiteral("Pliki tekstowe (*.txt)"));
    if (path.isEmpty())
        return;
    if (QFile::exists(path) &&
        dialogs.question(QStringLiteral("Plik o podanej nazwie już istnieje.\r\nChcesz go nadpisać?"),
                         Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
    report.SaveReport(path);
    dialogs.message(QStringLiteral("Raport został zapisany"));
}

void OpenManual(const QString& directory, Dialogs& dialogs)
{
    const QString path = Installation::ManualFile(directory, Installation::ProgramDirectory());
    if (path.isEmpty()) {
        dialogs.message(QStringLiteral("Brak pliku instrukcji"));
        return;
    }
    // A failure of the system to open an existing file is not reported.
    Shell::open(QUrl::fromLocalFile(path).toString());
}
