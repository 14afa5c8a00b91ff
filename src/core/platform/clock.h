#pragma once

#include <QDateTime>

// The one source of "now" for the whole program. Tests and the command
// line's --today pin it; worker threads read it too, so it is thread-safe.
namespace Clock {

QDateTime now();

void pin(const QDateTime& moment);
void unpin();
bool isPinned();

} // namespace Clock
