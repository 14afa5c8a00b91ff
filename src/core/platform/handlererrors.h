#pragma once

#include <QString>

#include <functional>
#include <utility>

class Dialogs;

// Errors are caught where a handler is called, never thrown through Qt's
// signal and slot calls into its event loop (which Qt does not support).
//
// Runs one handler. A table, file or any other error it raises ends that
// handler; its text goes to the general error box (Dialogs::error) and the
// program goes on. False when the handler ended by an error.
bool RunHandler(Dialogs& dialogs, const std::function<void()>& handler);

// The same, with the error's text handed to whoever must also put its own
// state right (the run stops, for instance) before the box is shown.
bool RunHandler(const std::function<void(const QString&)>& onError, const std::function<void()>& handler);

// The slot for a connection to a window's handler:
//   connect(button, &QPushButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton2Click));
template <class Window, class... Args>
auto Handler(Window* window, Dialogs& dialogs, void (Window::*handler)(Args...))
{
    return [window, &dialogs, handler](Args... args) {
        RunHandler(dialogs, [&] { (window->*handler)(std::forward<Args>(args)...); });
    };
}

// The same for a handler written in place (a lambda).
template <class Function>
auto Handler(Dialogs& dialogs, Function function)
{
    return [&dialogs, function](auto&&... args) -> decltype(function(std::forward<decltype(args)>(args)...)) {
        RunHandler(dialogs, [&] { function(std::forward<decltype(args)>(args)...); });
    };
}
