#pragma once

#include <QString>

// Moving the update list between the data directory and the FTP server.
namespace publikacja {

// success, and the reason in Polish when it failed (empty on success).
struct FtpResult
{
    bool success = false;
    QString error;
    // A download failed although the file may be on the server (the
    // transfer broke off or was refused): the local copy is not the list.
    bool remoteFileUnread = false;
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
// a remote file of that name.
FtpResult FtpUpload(const QString& localPath, const QString& host, const QString& remoteDirectory,
                    const QString& user, const QString& password);

} // namespace publikacja
