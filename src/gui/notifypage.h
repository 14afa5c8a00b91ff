#pragma once

#include <QWidget>

class Dialogs;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class Settings;

// The configuration window's tab "Powiadomienia": the summary e-mail after
// every run and the alerts on pages that keep failing. Like the other tabs,
// its controls edit the one Settings object at once; "Zapisz" stores them.
class NotifyPage : public QWidget
{
    Q_OBJECT

public:
    NotifyPage(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    // "Wyślij wiadomość testową": sends on a thread of its own while a box
    // with "Anuluj" waits over the window, then tells the outcome.
    void ButtonTestClick();

private:
    void showSettings();

    Settings& m_settings;
    Dialogs& m_dialogs;
    QCheckBox* m_notify = nullptr;
    QLineEdit* m_smtp = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QSpinBox* m_failingChecks = nullptr;
    QPushButton* m_test = nullptr;
};

// A tick box that edits one flag of the settings and follows it.
void BindSettingsCheckBox(QCheckBox* box, Settings& settings, bool Settings::*flag);
