#pragma once

#include <QString>
#include <QStringList>

// The texts both programs' --help print and their manual pages are made
// of, so that the two never say different things.
namespace ProgramHelp {

// Where the data live when no --dir is given: the rule, and (when known)
// the folder it gives this time.
QString DataFolderRule();

// What RECNO is, how it relates to LP in the window, and lp:N.
QStringList RecordNumbers();

// ekowarta: synopsis, one-line summary, description, options.
QString WindowSynopsis();
QString WindowSummary();
QStringList WindowDescription();
struct Option
{
    QString name;
    QString text;
};
QList<Option> WindowOptions();

// The files of the data folder, for both manual pages.
QList<Option> DataFiles();

} // namespace ProgramHelp
