#pragma once

class QCoreApplication;
class QString;

// Qt's own texts (file dialogs, the edit boxes' context menu, the standard
// buttons) in Polish, whatever the system locale: the program speaks Polish
// to every user, also under LANG=C. The widgets' locale becomes Polish too,
// so the date pickers and number boxes write Polish forms.
// Returns false when Qt's Polish translation file is not installed; the
// program then still works with Qt's English texts.
bool InstallPolishTranslations(QCoreApplication& app);

// The folder searched for qtbase_pl.qm (tests name the file they expect).
QString QtTranslationsDirectory();
