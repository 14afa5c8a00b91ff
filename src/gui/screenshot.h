#pragma once

#include <QList>
#include <QStringList>

class QWidget;

// --screenshot FILE [--window NAME]: once the main window has opened its
// table, saves a picture of it, or of the window whose objectName is NAME
// (TForm3, TForm4, TForm5) shown over it, and ends the program. The README
// and the manual take their pictures this way. Returns false when the
// arguments ask for no picture.
bool ScheduleScreenshot(const QStringList& arguments, QWidget* mainWindow,
                        const QList<QWidget*>& dialogs);
