#pragma once

#include <QDialog>

class Dialogs;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class SchedulePage;
class Settings;
class UpDown;

// The configuration window. Its controls are the settings: every change
// goes into the one Settings object at once, so the run, the tray option,
// publication and the FTP transfer use it at their next reading, saved or
// not; and the controls follow the object when something else changes it
// (config.ini being read at the main window's first activation). "Zapisz"
// only writes the object to config.ini.
class TForm4 : public QDialog
{
    Q_OBJECT

public:
    TForm4(Settings& settings, Dialogs& dialogs, const QString& iniPath, QWidget* parent = nullptr);

    QString iniPath() const { return m_iniPath; }

    // Handlers, named after their controls.
    void CheckBox4Click();
    void serwer2Exit();
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildOptionsPage();
    QWidget* buildServerPage();
    QWidget* buildChecksPage();
    QWidget* buildDocumentsRows(QWidget* page);
    QWidget* buildButtonBar();
    void connectHandlers();

    // Settings object → controls, without echoing the values back.
    void ShowSettings();
    // A control changed: let the other observers of the object know.
    void settingsEdited();

    Settings& m_settings;
    Dialogs& m_dialogs;
    QString m_iniPath;

    QTabWidget* m_pageControl1 = nullptr;
    QCheckBox* m_checkBox2 = nullptr;
    QLabel* m_label1 = nullptr;
    QComboBox* m_comboBox2 = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QCheckBox* m_checkBox3 = nullptr;
    QCheckBox* m_checkBox4 = nullptr;
    QCheckBox* m_checkBoxTresc = nullptr; // "pomijaj zmiany bez nowej treści"
    QLineEdit* m_edit1 = nullptr;
    UpDown* m_upDown1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_serwer[5] = {}; // serwer1 … serwer4 at their numbers
    // The checks tab: pages at a time (key "watki"), the pause between two
    // requests to one server in seconds (key "przerwa", stored in ms) and
    // the User-Agent (key "agent").
    QSpinBox* m_spinWatki = nullptr;
    QDoubleSpinBox* m_spinPrzerwa = nullptr;
    QLineEdit* m_editAgent = nullptr;
    SchedulePage* m_schedulePage = nullptr;
    QPushButton* m_bitBtn1 = nullptr;
    QPushButton* m_bitBtn2 = nullptr;
};
