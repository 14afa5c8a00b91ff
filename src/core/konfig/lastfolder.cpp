#include "konfig/lastfolder.h"

#include "konfig/inifile.h"
#include "konfig/windowlayout.h"

#include <QDir>
#include <QFileInfo>

namespace konfig {
namespace {

const QString kSection = QStringLiteral("Pliki");
const QString kKey = QStringLiteral("katalog");

} // namespace

LastFolder::LastFolder(QString dataDirectory)
    : m_dataDirectory(std::move(dataDirectory)), m_iniPath(WindowLayoutPath(m_dataDirectory))
{
    m_folder = IniFile(m_iniPath).read(kSection, kKey);
}

QString LastFolder::folder() const
{
    if (!m_folder.isEmpty() && QFileInfo(m_folder).isDir())
        return m_folder;
    return QDir(m_dataDirectory).absolutePath();
}

void LastFolder::remember(const QString& chosenFile)
{
    if (chosenFile.isEmpty())
        return;
    const QString folder = QFileInfo(chosenFile).absolutePath();
    if (folder == m_folder)
        return;
    m_folder = folder;
    // Losing it costs a click in the next session, nothing more: a file
    // that cannot be written is let be.
    IniFile(m_iniPath).write(kSection, kKey, folder);
}

} // namespace konfig
