#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <optional>

class QWidget;

// A wait on the network from a window: the call runs on a thread of its
// own while the windows stay painted; the pointer is busy and, over the
// window, a small box shows what we wait for with "Anuluj". The box is
// modal to the window, so nothing else can be started meanwhile.
// The work gets the cancel flag to pass on to the request; nullopt means
// the user cancelled (the request then ends by itself soon after).
std::optional<bool> WaitForNetwork(QWidget* window, const QString& text,
                                   std::function<bool(const std::atomic<bool>& cancelled)> work);

// How long a wait may last before the box appears (a quick answer shows
// only the busy pointer). Tests shorten it.
void SetNetworkWaitBoxDelay(int milliseconds);
