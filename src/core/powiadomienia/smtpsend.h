#pragma once

#include "powiadomienia/mailmessage.h"

#include <QString>

#include <atomic>

// Sending one message through the configured SMTP server with libcurl:
// smtp://host[:port] upgrades to TLS with STARTTLS whenever the server
// offers it (and must offer it when there is a login, so that the password
// never goes in clear text), smtps://host[:port] speaks TLS from the start;
// certificates are always verified (TlsTrust says against what).
namespace powiadomienia {

struct SmtpAccount
{
    QString url; // smtp://host:port or smtps://host:port
    QString user; // empty: no login
    QString password;
};

struct SendResult
{
    bool sent = false;
    QString error; // Polish; empty when sent
};

// Whether the address names an SMTP server we can talk to; the reason in
// Polish when not.
std::optional<QString> ServerAddressProblem(const QString& url);

// How long a silent server is waited for (connecting, between bytes, for
// an answer), 60 s; a test may shorten it. 0 or less restores it. Returns
// the previous value.
int SetSmtpSilenceForTests(int seconds);

// Blocks until the server took the message or refused it. cancelled, when
// given, may be set from another thread to give up.
SendResult SendMail(const SmtpAccount& account, const MailMessage& message,
                    const std::atomic<bool>* cancelled = nullptr);

} // namespace powiadomienia
