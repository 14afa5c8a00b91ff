#pragma once

#include <QRect>
#include <QString>

class QWidget;

// A window's place fitted to the screens there are now (see
// konfig::FitToScreen). frame, when known, is the window's frame geometry
// around place: the title bar must be on the screen too.
QRect FittedToScreens(const QRect& place, const QRect& frame = QRect());

// A dialog that opens in the size it had when it was last closed (in the
// data folder's okno.ini, under section), fitted to the screen; the size is
// saved each time it is hidden.
void KeepWindowSize(QWidget* window, const QString& dataDirectory, const QString& section);
