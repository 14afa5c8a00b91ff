#include "dbf/replacefile.h"

#include "dbf/dbferror.h"
#include "platform/systemerror.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace dbf {
namespace {

QString tempPrefix(const QString& path)
{
    return QFileInfo(path).fileName() + QStringLiteral(".tmp-");
}

QString randomSuffix()
{
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char(digits[QRandomGenerator::global()->bounded(36)]);
    return s;
}

void syncDirectory(const QString& directory)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(directory);
#endif
}

} // namespace

FileReplacement::FileReplacement(const QString& path) : m_path(path)
{
    const QString dir = QFileInfo(path).absolutePath();
    for (int attempt = 0; attempt < 20; ++attempt) {
        m_tempPath = QDir(dir).filePath(tempPrefix(path) + randomSuffix());
        auto file = std::make_unique<QFile>(m_tempPath);
        if (file->open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_file = std::move(file);
            return;
        }
        // Read before the look at the name below, which sets errno anew.
        const int error = SystemError::ErrorNumberOf(file->errorString());
        if (QFileInfo::exists(m_tempPath))
            continue; // taken by chance: another name
        m_tempPath.clear();
        throw DbfError::cannotWriteIn(m_path, error != 0 ? error : errno);
    }
    m_tempPath.clear();
    throw DbfError::cannotWrite(m_path, EEXIST);
}

FileReplacement::~FileReplacement()
{
    if (m_committed)
        return;
    m_file.reset();
    if (!m_tempPath.isEmpty())
        QFile::remove(m_tempPath);
}

void FileReplacement::fail()
{
    throw DbfError::cannotWrite(m_path, errno);
}

void FileReplacement::failOfFile()
{
    // Qt's text of the failed call holds its errno, which later calls of
    // Qt's may have changed.
    const int number = SystemError::ErrorNumberOf(m_file->errorString());
    throw DbfError::cannotWrite(m_path, number != 0 ? number : errno);
}

void FileReplacement::write(const char* data, qint64 size)
{
    if (m_file->write(data, size) != size)
        failOfFile();
}

void FileReplacement::commit()
{
    if (!m_file->flush())
        failOfFile();
#ifdef Q_OS_UNIX
    if (::fsync(m_file->handle()) != 0)
        fail();
#endif
    const QFile::Permissions permissions = QFileInfo(m_path).permissions();
#ifdef Q_OS_UNIX
    if (::rename(QFile::encodeName(m_tempPath).constData(), QFile::encodeName(m_path).constData()) != 0)
        fail();
#else
    QFile::remove(m_path);
    if (!QFile::rename(m_tempPath, m_path))
        fail();
#endif
    m_committed = true;
    if (permissions != QFile::Permissions())
        QFile::setPermissions(m_path, permissions);
    syncDirectory(QFileInfo(m_path).absolutePath());
}

void FileReplacement::removeLeftovers(const QString& path)
{
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QString prefix = tempPrefix(path);
    const QStringList names = dir.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        dir.remove(name);
}

} // namespace dbf
