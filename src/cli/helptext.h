#pragma once

#include "command.h"

#include <QString>
#include <QTextStream>

// ekowarta-cli's help, for --help, help COMMAND and the manual pages,
// which are made from it when the program is built.
QString GeneralHelp(const QString& dataFolderNow);
QString CommandHelp(const Command& command);
const Command* FindCommand(const QString& name);

// The manual page of "ekowarta-cli" or "ekowarta" in man(7) markup;
// empty for another name.
QString ManualPage(const QString& program);
