#pragma once

class Dialogs;
class RunReport;
class QString;

// The report buttons of the main window, without the window.

// "Zapisz raport": save dialog with the proposed name, the overwrite
// question, the file (the event log and the two lists), "Raport został
// zapisany". File errors are thrown.
void SaveReport(const RunReport& report, Dialogs& dialogs);

// "Instrukcja obsługi": opens instrukcja.pdf of the data directory, else the
// one beside the program, else the installed one, through the shell, or
// says "Brak pliku instrukcji".
void OpenManual(const QString& directory, Dialogs& dialogs);
