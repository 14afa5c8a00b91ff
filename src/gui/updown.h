#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Spin buttons that sit beside an edit box, as the up-down control of the
// layout does: two arrows step a position within a range. The edit box
// stays read-only; its owner writes the position into it, so the text is
// exactly the number (no digit grouping that would make it unreadable as
// a number later).
class UpDown : public QWidget
{
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setIncrement(int increment) { m_increment = increment; }

    int position() const { return m_position; }
    // Kept within the range; emits positionChanged when it moves.
    void setPosition(int position);
    void stepBy(int steps);

    // The arrow keys and the wheel in the buddy step the position too.
    void setBuddy(QLineEdit* buddy);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

Q_SIGNALS:
    void positionChanged(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    QLineEdit* m_buddy = nullptr;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_increment = 1;
    int m_position = 0;
};
