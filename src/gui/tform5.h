#pragma once

#include <QDialog>

class ClickableLabel;
class QFrame;
class QLabel;
class QTextEdit;
class QToolButton;

// The about window: what the program is for, the recommended environment,
// the system's name and browser, and whom to write to. Borderless; a click
// on its background or on the bottom button closes it.
class TForm5 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);

    // The address that Label3 shows and that a click on it writes to.
    static QString ContactAddress();

    // Handlers, named after their controls.
    void FormClick();
    void SpeedButton1Click();
    void Label3Click();

protected:
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildControls();
    void fillMemo1();
    void showSystemLines();

    bool m_systemLinesShown = false;
    QLabel* m_label10 = nullptr;
    QLabel* m_label1 = nullptr;
    QTextEdit* m_memo1 = nullptr;
    QLabel* m_label12 = nullptr;
    QLabel* m_label8 = nullptr;
    QFrame* m_panel1 = nullptr;
    ClickableLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    QToolButton* m_speedButton1 = nullptr;
};
