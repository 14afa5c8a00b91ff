#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real FTP server (Debian's pyftpdlib, tests/servers/ftpserver.py) on
// 127.0.0.1 and a free port, serving a temporary root directory to one
// user. Runs from start() to stop() or destruction.
class FtpTestServer
{
public:
    enum class Mode {
        ActiveAllowed,
        PassiveOnly,     // refuses PORT and EPRT
        BrokenDownloads, // sends half of a file, then aborts the transfer
        RefuseFirstLogin, // 530 to the first login, later ones pass
        SilentDownloads,  // never answers RETR
        DropUploads,      // closes an upload's data connection after 4096 bytes
        ShortStores,      // keeps 65536 bytes of an upload and reports success
        RefuseRenames,    // 550 to every RNTO
        SilentStores,     // never answers STOR
    };

    explicit FtpTestServer(Mode mode = Mode::ActiveAllowed);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // False (and errorString()) when the server did not come up.
    bool start();
    void stop();
    QString errorString() const { return m_error; }

    // "127.0.0.1:<port>", as the host setting takes it.
    QString host() const;
    quint16 port() const { return m_port; }
    QString user() const { return QStringLiteral("ekowarta"); }
    QString password() const { return QStringLiteral("Tajne-Haslo.7"); }

    // Files under the server's root; path is relative to the root, such as
    // "www/wykaz.txt".
    QString rootPath() const { return m_root.path(); }
    QString localPathOf(const QString& path) const;
    bool makeDirectory(const QString& path) const;
    bool putFile(const QString& path, const QByteArray& bytes) const;
    QByteArray fileBytes(const QString& path) const;
    bool fileExists(const QString& path) const;

    // A port on 127.0.0.1 that nobody listens on at this moment.
    static quint16 unusedPort();

private:
    Mode m_mode;
    QTemporaryDir m_root;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
