#include "platform/localzone.h"

#include <cstdlib>
#include <ctime>

namespace LocalZone {

void ReadOnce()
{
    if (std::getenv("TZ") == nullptr)
        ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

} // namespace LocalZone
