#include "networkwait.h"

#include "platform/livethreads.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

int g_boxDelayMs = 400;

// Shared by the waiting window and the thread, so that either may go first.
struct WaitState
{
    std::atomic<bool> cancelled{false};
    bool result = false;
};

} // namespace

void SetNetworkWaitBoxDelay(int milliseconds)
{
    g_boxDelayMs = milliseconds;
}

std::optional<bool> WaitForNetwork(QWidget* window, const QString& text,
                                   std::function<bool(const std::atomic<bool>& cancelled)> work)
{
    auto state = std::make_shared<WaitState>();
    QThread* thread = QThread::create([state, work = std::move(work)] {
        state->result = work(state->cancelled);
        LiveThreads::finished();
    });
    thread->setObjectName(QStringLiteral("NetworkWait"));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);

    QProgressDialog box(text, QStringLiteral("Anuluj"), 0, 0, window);
    box.setObjectName(QStringLiteral("NetworkWaitBox"));
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setWindowModality(Qt::WindowModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    box.setMinimumDuration(0);
    box.setMinimumWidth(360);
    box.hide(); // QProgressDialog would show itself after minimumDuration otherwise
    QTimer showBox;
    showBox.setSingleShot(true);
    QObject::connect(&showBox, &QTimer::timeout, &box, [&box] { box.show(); });

    QEventLoop loop;
    bool finished = false;
    QObject::connect(thread, &QThread::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&box, &QProgressDialog::canceled, &loop, [&] {
        state->cancelled = true;
        loop.quit();
    });

    QApplication::setOverrideCursor(Qt::BusyCursor);
    LiveThreads::started();
    thread->start();
    showBox.start(g_boxDelayMs);
    loop.exec();
    QApplication::restoreOverrideCursor();
    box.hide();

    if (!finished)
        return std::nullopt; // the thread ends by itself and deletes itself
    return state->result;
}
