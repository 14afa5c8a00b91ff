#pragma once

#include "konfig/lastfolder.h"
#include "platform/dialogs.h"

#include <QPointer>
#include <QWidget>

#include <optional>

// The program's dialogs as real message boxes and file dialogs.
class QtDialogs : public Dialogs
{
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    // The file dialogs open in the data folder, then in the last folder
    // used (remembered beside its config.ini).
    void setDataDirectory(const QString& dataDirectory);

    void message(const QString& text) override;
    Answer question(const QString& text, Buttons buttons) override;
    QString saveFileName(const QString& proposedName, const QString& filter) override;
    QString openFileName(const QString& filter) override;
    void error(const QString& text) override;

private:
    QWidget* parent() const;
    QPointer<QWidget> m_parent;
    std::optional<konfig::LastFolder> m_lastFolder;
};
