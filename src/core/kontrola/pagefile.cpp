#include "kontrola/pagefile.h"

#include "platform/systemerror.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Someone replanting the path between our removal and our creation gets
// two more tries, then the check fails instead of writing anywhere.
constexpr int kAttempts = 3;

QString systemText(int error)
{
    return SystemError::Reason(error);
}

} // namespace

int CreatePageFileExclusively(const QString& path, QString& errorText)
{
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            errorText = systemText(errno);
            return -1;
        }
        // Only a link or a plain file is ours to remove: unlink() takes the
        // link or the name away, never what a link points to or another
        // name of the same file. A device, pipe or folder is left alone.
        struct stat st;
        if (::lstat(name.constData(), &st) != 0) {
            if (errno == ENOENT)
                continue;
            errorText = systemText(errno);
            return -1;
        }
        if (!S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode)) {
            errorText = QStringLiteral("to nie jest zwykły plik");
            return -1;
        }
        if (::unlink(name.constData()) != 0 && errno != ENOENT) {
            errorText = systemText(errno);
            return -1;
        }
    }
    errorText = systemText(EEXIST);
    return -1;
}
