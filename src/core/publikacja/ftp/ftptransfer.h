#pragma once

#include <QString>

// Moving the update list between the data directory and the FTP server.
namespace publikacja {

// success, and the reason in Polish when it failed (empty on success).
struct FtpResult
{
    bool success = false;
    QString error;
    // A download failed because the server answered that there is no such
    // file (550 to RETR). Every other failure (refused login, missing
    // directory, broken or timed-out transfer) leaves it open whether a
    // file is there.
    bool remoteFileMissing = false;
};

// Copies remoteFileName from remoteDirectory on host into localPath,
// replacing a local file of that name. The file arrives under a temporary
// name beside localPath and replaces it only when complete, so a failed
// transfer leaves the local file as it was.
// host: "name" (port 21) or "name:port".
FtpResult FtpDownload(const QString& host, const QString& user, const QString& password,
                      const QString& remoteDirectory, const QString& remoteFileName,
                      const QString& localPath);

// Copies localPath into remoteDirectory under its own file name, replacing
// a remote file of that name. The file goes under a temporary name (its
// name + ".tmp") first and is renamed over the old one only when the server
// holds all of it, so a broken upload leaves the old file whole; the
// partial temporary file is deleted where the server allows it.
FtpResult FtpUpload(const QString& localPath, const QString& host, const QString& remoteDirectory,
                    const QString& user, const QString& password);

} // namespace publikacja
