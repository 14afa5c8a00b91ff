#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// An SMTP server on 127.0.0.1 that falls silent on purpose
// (tests/servers/silentsmtp.py): it takes the connection and says nothing,
// or speaks up to the message's end and never answers the final ".", or
// accepts the message and never answers QUIT. stop() closes every
// connection it holds, as a server that goes away does.
class SilentSmtpServer
{
public:
    enum class Mode { GreetSilent, SilentEnd, SilentQuit, CloseAtEnd };

    explicit SilentSmtpServer(Mode mode);
    ~SilentSmtpServer();
    SilentSmtpServer(const SilentSmtpServer&) = delete;
    SilentSmtpServer& operator=(const SilentSmtpServer&) = delete;

    bool start();
    void stop();
    QString errorString() const { return m_error; }
    QString url() const { return QStringLiteral("smtp://127.0.0.1:%1").arg(m_port); }

    // Waits until the server has printed step ("CONNECTED", "DATA",
    // "ACCEPTED") for some connection; false when it has not in time.
    bool waitFor(const QByteArray& step, int timeoutMs = 30000);

private:
    Mode m_mode;
    QProcess m_process;
    QByteArray m_seen;
    quint16 m_port = 0;
    QString m_error;
};
