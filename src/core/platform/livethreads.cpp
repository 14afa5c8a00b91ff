#include "platform/livethreads.h"

namespace LiveThreads {
namespace {
QAtomicInt running;
}

void started()
{
    running.ref();
}

void finished()
{
    running.deref();
}

int count()
{
    return running.loadAcquire();
}

} // namespace LiveThreads
