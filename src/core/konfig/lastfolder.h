#pragma once

#include <QString>

namespace konfig {

// The folder the file dialogs open in: the data folder at first, then the
// folder of the last file chosen in any of them, this session and the next.
// Kept in okno.ini with the window's layout (section "Pliki", key
// "katalog"): config.ini stays as the user and other tools wrote it. A
// remembered folder that is gone gives the data folder again.
class LastFolder
{
public:
    explicit LastFolder(QString dataDirectory);

    QString folder() const;
    // The folder of a chosen file becomes the one to start in; an empty
    // name (a cancelled dialog) changes nothing.
    void remember(const QString& chosenFile);

private:
    QString m_dataDirectory;
    QString m_iniPath;
    QString m_folder;
};

} // namespace konfig
