#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real SMTP server (Debian's aiosmtpd, tests/servers/smtpserver.py) on
// 127.0.0.1 and a free port. Every accepted message is kept as the
// server's Python e-mail parser decoded it. Runs from start() to stop().
class SmtpTestServer
{
public:
    enum class Mode {
        Plain,    // no TLS offered
        StartTls, // offers STARTTLS with the localhost test certificate
        Smtps,    // TLS from the first byte
        Refuse,   // 550 to every recipient
        Drop,     // closes the connection when the message's data begins
    };

    explicit SmtpTestServer(Mode mode = Mode::Plain, const QString& login = {});
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    bool start();
    void stop();
    QString errorString() const { return m_error; }

    // "smtp://127.0.0.1:<port>" or "smtps://…", as the setting takes it.
    QString url() const;
    quint16 port() const { return m_port; }

    // The accepted messages, oldest first: mail_from, rcpt_tos, tls,
    // login, headers (decoded), raw_headers, body (decoded), charset.
    QList<QJsonObject> messages() const;

    // The certificate the TLS modes present (also its own CA).
    static QString certificate();

private:
    Mode m_mode;
    QString m_login;
    QTemporaryDir m_spool;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
