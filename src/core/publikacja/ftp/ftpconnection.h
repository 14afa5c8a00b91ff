#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

namespace publikacja {

// One FTP session for one transfer, the way the program has always talked
// to its server: log in on port 21 (or the port after "host:"), change to
// the remote directory, move one file in binary mode over an active-mode
// data connection (the server connects back; passive mode is never tried),
// then close. Every transfer opens and closes its own connection.
class FtpConnection
{
public:
    // The step at which a transfer failed.
    enum class Stage {
        Library,   // the FTP client could not start
        Login,     // host unknown or unreachable, login refused
        Directory, // the remote directory could not be entered
        Transfer,  // the file could not be fetched or stored
    };

    struct Failure
    {
        Stage stage;
        QString detail; // the client's own words, for diagnostics
        // The server said the file is not there (as opposed to a transfer
        // that broke off or was refused).
        bool remoteFileMissing = false;
        // The user stopped it; the server may have seen part of the step.
        bool stopped = false;
        // The server's last refusal (a 4xx or 5xx reply) and its words,
        // and libcurl's code of the failure (a CURLcode); 0 when none.
        long replyCode = 0;
        QString serverText{};
        int libraryCode = 0;
    };

    // stop, when given, ends a session within a tenth of a second of being
    // set, in whatever step it waits.
    FtpConnection(QString host, QString user, QString password, QString directory,
                  const std::atomic_bool* stop = nullptr);

    // Fetches remoteName; every block of data goes to sink, which returns
    // false to abort.
    using Sink = std::function<bool(const char* data, qsizetype size)>;
    std::optional<Failure> retrieve(const QString& remoteName, const Sink& sink);

    // Stores the rest of source (opened for reading) as remoteName, then
    // asks the server how many bytes it holds under that name (SIZE);
    // storedSize is -1 when the server does not say.
    std::optional<Failure> store(const QString& remoteName, QIODevice& source, qint64* storedSize = nullptr);

    // Sends commands (such as RNFR/RNTO or DELE) one after the other in the
    // remote directory, moving no file; the first refused one ends the
    // session with a Transfer failure.
    std::optional<Failure> commands(const QStringList& commands);

private:
    struct Transfer;
    std::optional<Failure> run(Transfer& transfer);

    QString m_host;
    QString m_user;
    QString m_password;
    QString m_directory;
    const std::atomic_bool* m_stop = nullptr;
};

} // namespace publikacja
