#include "dbf/filelock.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dbf {

#ifdef Q_OS_UNIX

namespace {

bool recordLock(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // to the end of the file, however long it grows
    lock.l_pid = 0;
#ifdef F_OFD_SETLK
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
#else
    return ::fcntl(fd, F_SETLK, &lock) == 0;
#endif
}

} // namespace

bool LockWholeFile(int fd, bool exclusive, bool writable)
{
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
        return false;
    const short type = (exclusive && writable) ? F_WRLCK : F_RDLCK;
    if (!recordLock(fd, type)) {
        ::flock(fd, LOCK_UN);
        return false;
    }
    return true;
}

bool SameFile(int fd, const char* path)
{
    struct stat open = {};
    struct stat named = {};
    if (::fstat(fd, &open) != 0 || ::stat(path, &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

#else

bool LockWholeFile(int, bool, bool)
{
    return true; // the share mode of the open call does this elsewhere
}

bool SameFile(int, const char*)
{
    return true;
}

#endif

} // namespace dbf
