#pragma once

#include <QProcess>
#include <QString>

namespace testdata {

// Another program holding a lock on a file: a real python3 child process
// that takes the lock and keeps it until the object goes. Kinds: "lockf"
// (POSIX record lock, exclusive), "lockf-shared", "flock", "flock-shared".
class ForeignLock
{
public:
    ForeignLock(const QString& kind, const QString& path);
    ~ForeignLock();
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;

    // True once the child reported that it holds the lock.
    bool held() const { return m_held; }
    QString error() const { return m_error; }

    // Whether another process could take the lock of the kind now, without
    // waiting (the child tries and gives up at once).
    static bool canTake(const QString& kind, const QString& path);

private:
    QProcess m_process;
    bool m_held = false;
    QString m_error;
};

} // namespace testdata
