#include "titlewidth.h"

#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QString>
#include <QWidget>

namespace {
// Icon, the buttons (minimise, maximise, close) and the decoration's margins.
constexpr int kTitleBarRoom = 160;
} // namespace

int TitleWidth(const QWidget* window, const QString& title)
{
    QFont font = window->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 1.2 : 12);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoom;
}

void FitTitle(QWidget* messageBox)
{
    // A message box sizes itself from its text; a spacer across its grid
    // is the one width it keeps.
    auto* grid = qobject_cast<QGridLayout*>(messageBox->layout());
    if (!grid)
        return;
    const int width = TitleWidth(messageBox, messageBox->windowTitle());
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}
