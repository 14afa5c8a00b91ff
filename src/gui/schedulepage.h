#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QTimeEdit;
class Settings;

// The configuration window's tab "Harmonogram": "Sprawdzaj strony
// automatycznie codziennie o godz." with the time and the days, and
// publication after the check. The controls edit the one Settings object
// at once, like the other tabs; "Zapisz" stores them and writes (or
// removes) the user timer that runs the check without the window.
class SchedulePage : public QWidget
{
    Q_OBJECT

public:
    SchedulePage(Settings& settings, const QString& dataDirectory, QWidget* parent = nullptr);

    // After "Zapisz": the timer files follow the settings. Throws FileError
    // when they cannot be written; the page then says so too.
    void ApplySchedule();

    // ekowarta-cli beside this program: what the timer's service starts.
    static QString CommandLineProgram();

private:
    void showSettings();
    void showState(const QString& text = QString());

    Settings& m_settings;
    QString m_dataDirectory;
    QCheckBox* m_on = nullptr;
    QTimeEdit* m_time = nullptr;
    QCheckBox* m_days[7] = {};
    QCheckBox* m_publish = nullptr;
    QLabel* m_state = nullptr;
};
