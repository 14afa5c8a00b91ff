#pragma once

#include <QString>

namespace dbf {

// What an operating-system error means, in Polish, for a message about a
// file: the system's own texts are English (and depend on the locale).
QString SystemReason(int errorNumber);

} // namespace dbf
