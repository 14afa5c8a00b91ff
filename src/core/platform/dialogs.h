#pragma once

#include <QString>

// Every message box, question and file dialog of the program goes through
// this interface: the GUI answers with real dialogs, the tests from a
// script, the command line from its flags.
class Dialogs
{
public:
    enum class Answer { Yes, No, Cancel };
    enum class Buttons { YesNo, YesNoCancel };

    virtual ~Dialogs() = default;

    // Plain message box: the application title as caption, one OK button.
    virtual void message(const QString& text) = 0;

    // Question box titled "Uwaga!" with the question icon.
    virtual Answer question(const QString& text, Buttons buttons) = 0;

    // Save dialog; an empty result means the user cancelled.
    virtual QString saveFileName(const QString& proposedName, const QString& filter) = 0;

    // Open dialog (import of a register); empty when cancelled.
    virtual QString openFileName(const QString& filter) = 0;

    // The general error box that shows an error no handler caught.
    virtual void error(const QString& text) = 0;
};
