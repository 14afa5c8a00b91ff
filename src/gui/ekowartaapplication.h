#pragma once

#include <QApplication>

// The application object: the program's names and Qt's own texts in
// Polish. Errors never reach it: every handler of a window runs through
// Handler/RunHandler (platform/handlererrors.h), which shows them.
class EkowartaApplication : public QApplication
{
    Q_OBJECT

public:
    EkowartaApplication(int& argc, char** argv);
};
