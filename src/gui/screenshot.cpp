#include "screenshot.h"

#include "historywindow.h"
#include "tform1.h"
#include "tform3.h"

#include "baza/fields.h"

#include <QCoreApplication>
#include <QSize>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <cstdio>

namespace {

// Long enough for the first activation (table, columns, settings) and for
// a dialog's first layout.
constexpr int kSettleMs = 800;
// A maximised window on a 1366×768 screen, below its title bar and above a
// taskbar.
const QSize kMainWindowPicture(1366, 708);

QWidget* historyWindowOf(TForm1* form, int record)
{
    dbf::DbfTable& t = form->baza().table();
    if (!t.isOpen() || record < 1 || record > t.recordCount())
        return nullptr;
    t.setRecNo(record);
    auto* window = new HistoryWindow(form->baza().directory(), t.text(baza::Info).trimmed(), t.text(baza::Gmina), form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

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
    const bool history = name == QLatin1String("HistoryWindow");
    const int recordAt = arguments.indexOf(QStringLiteral("--record"));
    const int record = recordAt >= 0 && recordAt + 1 < arguments.size() ? arguments[recordAt + 1].toInt() : 1;
    auto* form = qobject_cast<TForm1*>(mainWindow);
    if (history && form)
        window = form; // replaced by the history window once the table is open
    if (!window) {
        std::fprintf(stderr, "no window %s\n", qPrintable(name));
        QTimer::singleShot(0, [] { QCoreApplication::exit(2); });
        return true;
    }

    mainWindow->resize(kMainWindowPicture);
    const bool runFirst = arguments.contains(QStringLiteral("--run"));
    const int tabAt = arguments.indexOf(QStringLiteral("--tab"));
    const int tab = tabAt >= 0 && tabAt + 1 < arguments.size() ? arguments[tabAt + 1].toInt() - 1 : -1;
    QTimer::singleShot(kSettleMs, mainWindow, [mainWindow, window, file, history, form, record, runFirst, tab]() mutable {
        if (history) {
            window = historyWindowOf(form, record);
            if (!window) {
                std::fprintf(stderr, "no record %d\n", record);
                QCoreApplication::exit(2);
                return;
            }
        } else if (window == mainWindow) {
            if (!runFirst || !form)
                return saveAndQuit(window, file);
            // After a run of its own, as a user sees the window then: the
            // lists, the event log with the run's summary.
            auto shootSoon = [form, file] {
                QTimer::singleShot(kSettleMs, form, [form, file] { saveAndQuit(form, file); });
            };
            QObject::connect(&form->run(), &RunController::runSummary, form, shootSoon);
            QObject::connect(&form->run(), &RunController::runEnded, form, [shootSoon](RunOutcome outcome) {
                if (outcome != RunOutcome::Finished)
                    shootSoon();
            });
            if (auto* start = form->findChild<QToolButton*>(QStringLiteral("SpeedButton1")))
                start->click();
            return;
        }
        // Shown as the main window's buttons show it, but not modally, so
        // that the timer can take the picture.
        if (auto* editor = qobject_cast<TForm3*>(window))
            editor->LoadEditor();
        if (tab >= 0)
            if (auto* tabs = window->findChild<QTabWidget*>())
                tabs->setCurrentIndex(tab);
        window->show();
        QTimer::singleShot(kSettleMs, window, [window, file] { saveAndQuit(window, file); });
    });
    return true;
}
