#pragma once

#include <QApplication>

class Dialogs;

// The application object. An error that escapes an event handler (a table
// or file error, for instance) is shown in one general error message box
// with its text, and the program goes on.
class EkowartaApplication : public QApplication
{
    Q_OBJECT

public:
    EkowartaApplication(int& argc, char** argv);

    void setErrorDialogs(Dialogs* dialogs) { m_dialogs = dialogs; }
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of an exception that a handler did not catch.
    void showError(const QString& text);

private:
    Dialogs* m_dialogs = nullptr;
    bool m_showing = false;
};
