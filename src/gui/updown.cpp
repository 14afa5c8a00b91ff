#include "updown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

QToolButton* arrow(QWidget* parent, const char* name, Qt::ArrowType type)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setArrowType(type);
    // Held down, the button keeps stepping, as spin buttons do.
    b->setAutoRepeat(true);
    // The focus stays in the edit box beside it.
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    return b;
}

} // namespace

UpDown::UpDown(QWidget* parent) : QWidget(parent)
{
    m_up = arrow(this, "up", Qt::UpArrow);
    m_down = arrow(this, "down", Qt::DownArrow);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_up);
    column->addWidget(m_down);
    setFixedWidth(16);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
    setPosition(m_position);
}

void UpDown::setPosition(int position)
{
    const int bounded = qBound(m_minimum, position, m_maximum);
    if (bounded == m_position)
        return;
    m_position = bounded;
    Q_EMIT positionChanged(m_position);
}

void UpDown::stepBy(int steps)
{
    // In 64 bits, so that no step wraps around past the range.
    const qint64 target = qint64(m_position) + qint64(steps) * m_increment;
    setPosition(int(qBound(qint64(m_minimum), target, qint64(m_maximum))));
}

void UpDown::setBuddy(QLineEdit* buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_buddy || !isEnabled())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    } else if (event->type() == QEvent::Wheel) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0) {
            stepBy(delta > 0 ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
