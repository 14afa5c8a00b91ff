#include "windowplace.h"

#include "konfig/windowlayout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect FittedToScreens(const QRect& place, const QRect& frame)
{
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    QMargins margins;
    if (frame.isValid() && frame.contains(place))
        margins = QMargins(place.left() - frame.left(), place.top() - frame.top(), frame.right() - place.right(),
                           frame.bottom() - place.bottom());
    return konfig::FitToScreen(place, screens, primary ? primary->availableGeometry() : QRect(), margins);
}

namespace {

class SizeKeeper : public QObject
{
public:
    SizeKeeper(QWidget* window, QString path, QString section)
        : QObject(window), m_window(window), m_path(std::move(path)), m_section(std::move(section))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Hide) {
            const QRect place = m_window->isMaximized() ? m_window->normalGeometry() : m_window->geometry();
            // Losing the size loses nothing else: a failed write is let be.
            konfig::SaveWindowPlace(m_path, m_section, place);
        }
        return false;
    }

private:
    QWidget* m_window;
    QString m_path;
    QString m_section;
};

} // namespace

void KeepWindowSize(QWidget* window, const QString& dataDirectory, const QString& section)
{
    const QString path = konfig::WindowLayoutPath(dataDirectory);
    if (const std::optional<QRect> saved = konfig::LoadWindowPlace(path, section))
        window->resize(FittedToScreens(QRect(window->geometry().topLeft(), saved->size())).size());
    new SizeKeeper(window, path, section);
}
