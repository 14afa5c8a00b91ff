#pragma once

#include <QDialog>

namespace baza {
class Baza;
}
class Dialogs;

// The record editor window.
class TForm3 : public QDialog
{
    Q_OBJECT

public:
    TForm3(baza::Baza& baza, Dialogs& dialogs, QWidget* parent = nullptr);

    // Copies the current record into the controls.
    void LoadEditor();

private:
    baza::Baza& m_baza;
    Dialogs& m_dialogs;
};
