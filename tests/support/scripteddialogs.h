#pragma once

#include "platform/dialogs.h"

#include <QQueue>
#include <QStringList>

// Answers the program's dialogs from a script and remembers what was shown.
// An unexpected question fails loudly instead of hanging a test.
class ScriptedDialogs : public Dialogs
{
public:
    QStringList messages;  // texts of plain message boxes, in order
    QStringList questions; // texts of questions, in order
    QStringList errors;    // texts of general error boxes
    QQueue<Answer> answers;
    QQueue<QString> fileNames; // answers to save/open dialogs ("" = cancel)
    QStringList proposedNames;

    void message(const QString& text) override { messages << text; }
    Answer question(const QString& text, Buttons) override;
    QString saveFileName(const QString& proposedName, const QString&) override;
    QString openFileName(const QString&) override;
    void error(const QString& text) override { errors << text; }
};
