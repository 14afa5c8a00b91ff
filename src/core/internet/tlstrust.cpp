#include "internet/tlstrust.h"

#include <QMutex>
#include <QMutexLocker>

namespace TlsTrust {
namespace {

QMutex& mutex()
{
    static QMutex m;
    return m;
}

QString& caFile()
{
    static QString path;
    return path;
}

} // namespace

QString setCaFileForTests(const QString& path)
{
    QMutexLocker lock(&mutex());
    QString previous = caFile();
    caFile() = path;
    return previous;
}

QString caFileForTests()
{
    QMutexLocker lock(&mutex());
    return caFile();
}

} // namespace TlsTrust
