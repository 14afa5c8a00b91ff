#include "screenshot.h"

#include "tform3.h"

#include <QCoreApplication>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

// Long enough for the first activation (table, columns, settings) and for
// a dialog's first layout.
constexpr int kSettleMs = 800;
// Wide enough for every visible column of the grid, dates and remarks too.
const QSize kMainWindowPicture(1440, 720);

void saveAndQuit(QWidget* window, const QString& file)
{
    const bool saved = window->grab().save(file);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "saved" : "cannot save",
                 qPrintable(file));
    QCoreApplication::exit(saved ? 0 : 1);
}

} // namespace

bool ScheduleScreenshot(const QStringList& arguments, QWidget* mainWindow,
                        const QList<QWidget*>& dialogs)
{
    const int shot = arguments.indexOf(QStringLiteral("--screenshot"));
    if (shot < 0 || shot + 1 >= arguments.size())
        return false;
    const QString file = arguments[shot + 1];
    const int named = arguments.indexOf(QStringLiteral("--window"));
    const QString name = named >= 0 && named + 1 < arguments.size() ? arguments[named + 1]
                                                                    : mainWindow->objectName();

    QWidget* window = name == mainWindow->objectName() ? mainWindow : nullptr;
    for (QWidget* dialog : dialogs)
        if (dialog->objectName() == name)
            window = dialog;
    if (!window) {
        std::fprintf(stderr, "no window %s\n", qPrintable(name));
        QTimer::singleShot(0, [] { QCoreApplication::exit(2); });
        return true;
    }

    if (window == mainWindow)
        mainWindow->resize(kMainWindowPicture);
    QTimer::singleShot(kSettleMs, mainWindow, [mainWindow, window, file] {
        if (window == mainWindow)
            return saveAndQuit(window, file);
        // Shown as the main window's buttons show it, but not modally, so
        // that the timer can take the picture.
        if (auto* editor = qobject_cast<TForm3*>(window))
            editor->LoadEditor();
        window->show();
        QTimer::singleShot(kSettleMs, window, [window, file] { saveAndQuit(window, file); });
    });
    return true;
}
