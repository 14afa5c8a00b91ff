#pragma once

#include <QAtomicInt>

// Counts the worker threads (page checks, page openers) that are still
// running. The program ends without waiting for them; at the very end it
// leaves the process at once when some are left, instead of destroying
// objects under their feet.
namespace LiveThreads {

void started();
void finished();
int count();

} // namespace LiveThreads
