#pragma once

#include "platform/dialogs.h"

#include <QPointer>
#include <QWidget>

// The program's dialogs as real message boxes and file dialogs.
class QtDialogs : public Dialogs
{
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }

    void message(const QString& text) override;
    Answer question(const QString& text, Buttons buttons) override;
    QString saveFileName(const QString& proposedName, const QString& filter) override;
    QString openFileName(const QString& filter) override;
    void error(const QString& text) override;

private:
    QWidget* parent() const;
    QPointer<QWidget> m_parent;
};
