#pragma once

#include "baza/editorrecord.h"

#include <QDialog>

namespace baza {
class Baza;
}
class Dialogs;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The record editor: shows the current record of the one table cursor,
// moves it, changes it, adds and deletes records. Modal, opened from the
// main window's grid, which follows the cursor it moves.
class TForm3 : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { View, Edit, New };

    TForm3(baza::Baza& baza, Dialogs& dialogs, QWidget* parent = nullptr);

    // Copies the current record into the controls.
    void LoadEditor();
    // Shows the window modally in new mode: the first record of an empty
    // register is typed at once.
    int execNew();

    Mode mode() const { return m_mode; }

    // Handlers, named after their controls.
    void FormActivate();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void BitBtn8Click();
    void BitBtn9Click();
    void BitBtn10Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void arrangeTabOrder();
    void connectHandlers();

    void ShowViewMode();
    void ShowMode(Mode mode);
    bool ValidateEditor();
    bool CheckPageAddress(const QString& address, const QString& message);
    // Enter moves on as Tab would (Edit1KeyPress, ComboBox1KeyPress).
    bool Edit1KeyPress(QKeyEvent* event);
    bool ComboBox1KeyPress(QKeyEvent* event);
    void setCaptionsRed(bool red);
    baza::EditorRecord typedRecord() const;

    baza::Baza& m_baza;
    Dialogs& m_dialogs;
    Mode m_mode = Mode::View;
    bool m_startInNewMode = false;

    QLabel* m_label[10] = {};  // Label1 … Label9 at their numbers
    QLineEdit* m_edit[6] = {}; // Edit1 … Edit5 at their numbers
    QComboBox* m_comboBox1 = nullptr;
    QDateEdit* m_dateTimePicker1 = nullptr;
    QDateEdit* m_dateTimePicker2 = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QGroupBox* m_groupBox2 = nullptr;
    QGroupBox* m_groupBox3 = nullptr;
    QPushButton* m_bitBtn[11] = {}; // BitBtn1 … BitBtn10 at their numbers
    QCheckBox* m_checkBox1 = nullptr;
};
