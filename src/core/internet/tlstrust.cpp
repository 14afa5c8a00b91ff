#include "internet/tlstrust.h"

#include <QMutex>
#include <QtGlobal>
#include <QMutexLocker>

namespace TlsTrust {
namespace {

QMutex& mutex()
{
    static QMutex m;
    return m;
}

// EKOWARTA_CA_FILE names a file of certificates to trust instead of the
// system's store: for a watcher whose mail or pages sit behind their own CA,
// and for tests that start the command line against a local TLS server.
QString& caFile()
{
    static QString path = qEnvironmentVariable("EKOWARTA_CA_FILE");
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
