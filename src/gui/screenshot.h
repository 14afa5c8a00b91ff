#pragma once

#include <QList>
#include <QStringList>

class QWidget;

// --screenshot FILE [--window NAME] [--record N] [--tab N] [--run]: once the main
// window has opened its table (and, with --run, made a run of the register
// with its start button), saves a picture of it, or of the window whose
// objectName is NAME (TForm3, TForm4, TForm5, or HistoryWindow, the history
// of record N's page) shown over it, at its N-th tab page when it has
// tabs, and ends the program. The main window
// takes the room a 1366×768 screen gives it. The README and the manual take
// their pictures this way. Returns false when the arguments ask for no
// picture.
bool ScheduleScreenshot(const QStringList& arguments, QWidget* mainWindow,
                        const QList<QWidget*>& dialogs);
