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

// The desktop's xdg-open, whose exit status tells whether any program took
// the address (3: none for it, 4: the one chosen failed). It is waited for
// up to waitMs only: one still running then has handed the address to a
// program that runs in its place, and is left running. Not for the main
// thread, which must not wait.
enum class XdgOpen { Opened, Failed, Missing };
XdgOpen OpenWithXdgOpen(const QString& address, int waitMs = 5000);

} // namespace Shell
