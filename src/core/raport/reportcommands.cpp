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
    // No program for PDF files: the user learns where the file is.
    Shell::openThen(QUrl::fromLocalFile(path).toString(), [&dialogs, path](Shell::XdgOpen outcome) {
        if (outcome != Shell::XdgOpen::Opened)
            dialogs.message(Shell::CannotOpenFileText(
                QStringLiteral("instrukcji obsługi"), path, outcome,
                QStringLiteral("zainstaluj przeglądarkę plików PDF (np. evince) albo otwórz ten plik innym programem.")));
    });
}
