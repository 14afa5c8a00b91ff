#pragma once

class Dialogs;
namespace baza {
class Baza;
}

// The main window's menu "Rejestr", without the window.
namespace wymiana {

// "Importuj z pliku CSV…": refused during a run (the run walks the records
// by number); the open dialog; every failing row in one message box and
// nothing written, or the records appended and their number told.
void ImportRegisterFromFile(baza::Baza& baza, Dialogs& dialogs, bool runActive);

// "Eksportuj do pliku CSV…": the save dialog, the overwrite question, the
// file, and the number of records written.
void ExportRegisterToFile(baza::Baza& baza, Dialogs& dialogs);

} // namespace wymiana
