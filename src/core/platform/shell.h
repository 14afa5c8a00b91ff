#pragma once

#include <QString>

#include <functional>

// Opening a page in the browser, the manual in a PDF viewer or a new mail
// message: the system's handler for the address does it. The GUI installs
// QDesktopServices; tests record the call. The address is never handed to a
// command line that a shell would parse.
namespace Shell {

using Opener = std::function<bool(const QString& address)>;

bool open(const QString& address);

// Returns the opener that was installed before.
Opener setOpener(Opener opener);

} // namespace Shell
