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

// How opening went, told later: the window's thread must not wait for
// xdg-open, yet a file no program takes must be named to the user.
using Done = std::function<void(XdgOpen outcome)>;
using AsyncOpener = std::function<void(const QString& address, Done done)>;

// Opens and tells done how it went: at once through the plain opener
// (tests record it there), or, once one is installed, when the system has
// answered. done runs on the asking thread, which runs an event loop.
void openThen(const QString& address, Done done);

// Returns the one installed before; an empty one goes back to open().
AsyncOpener setAsyncOpener(AsyncOpener opener);

// xdg-open started without waiting: done(Missing) when it cannot start,
// done(Failed) when it ends with an error (3: nothing for this kind of
// file), done(Opened) when it ends well or still runs after waitMs (it
// then waits for the program it started, which is left running).
void XdgOpenAsync(const QString& address, Done done, int waitMs = 5000);

// "Nie można otworzyć <what>: <why>. Plik <name> leży w katalogu <folder>;
// <advice>"
QString CannotOpenFileText(const QString& what, const QString& path, XdgOpen outcome, const QString& advice);

} // namespace Shell
