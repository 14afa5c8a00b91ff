#pragma once

#include <QString>

#include <atomic>

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
    // The user stopped the transfer (error is then empty). A stopped
    // download leaves the local file as it was; a stopped upload leaves the
    // server's file whole: the old one, or, when the stop came while the
    // server was renaming the complete new file into place (renameUnsure),
    // possibly the new one.
    bool stopped = false;
    bool renameUnsure = false;
};

// Copies remoteFileName from remoteDirectory on host into localPath,
// replacing a local file of that name. The file arrives under a temporary
// name beside localPath and replaces it only when complete, so a failed
// transfer leaves the local file as it was.
// host: "name" (port 21) or "name:port". stop, when given, ends the
// transfer soon after it is set (FtpResult::stopped).
FtpResult FtpDownload(const QString& host, const QString& user, const QString& password,
                      const QString& remoteDirectory, const QString& remoteFileName,
                      const QString& localPath, const std::atomic_bool* stop = nullptr);

// Copies localPath into remoteDirectory under its own file name, replacing
// a remote file of that name. The file goes under a temporary name (its
// name + ".tmp") first and is renamed over the old one only when the server
// holds all of it, so a broken upload leaves the old file whole; the
// partial temporary file is deleted where the server allows it (not after a
// stop: the next upload overwrites it, and a stop must not wait on it).
FtpResult FtpUpload(const QString& localPath, const QString& host, const QString& remoteDirectory,
                    const QString& user, const QString& password, const std::atomic_bool* stop = nullptr);

} // namespace publikacja
