#include "support/scripteddialogs.h"

#include <QtTest>

Dialogs::Answer ScriptedDialogs::question(const QString& text, Buttons)
{
    questions << text;
    if (answers.isEmpty()) {
        qWarning("ScriptedDialogs: unexpected question: %s", qPrintable(text));
        return Answer::Cancel;
    }
    return answers.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString& proposedName, const QString&)
{
    proposedNames << proposedName;
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString ScriptedDialogs::openFileName(const QString&)
{
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}
