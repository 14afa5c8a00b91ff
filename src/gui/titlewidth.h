#pragma once

class QString;
class QWidget;

// The width a window needs so that the window manager does not cut its
// title ("Konfiguracja p… u", "Eko… rta"): the title in a bold font a little
// larger than the program's, plus room for the icon and the title bar's
// buttons. Fixed-size dialogs and message boxes are made at least this wide.
int TitleWidth(const QWidget* window, const QString& title);

// Makes a message box at least as wide as its title needs.
void FitTitle(QWidget* messageBox);
