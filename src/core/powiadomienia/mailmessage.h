#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// One plain-text e-mail as it goes to the SMTP server: headers and a UTF-8
// body. Header values come from the settings, so a line break in them would
// let a typed value add headers of its own; such values are refused.
namespace powiadomienia {

struct MailMessage
{
    QString from;
    QStringList to; // plain addresses
    QString subject;
    QString body; // plain text, lines ended by \n
};

// The recipients field: split on commas, each trimmed, empty ones dropped.
QStringList SplitRecipients(const QString& field);

// Whether text is a plain address user@host: no blanks, controls, angle
// brackets, commas or semicolons, one "@" with something on both sides.
bool IsPlainAddress(const QString& text);

// The first problem that keeps the message from being sent, in Polish;
// nullopt when it may go.
std::optional<QString> MessageProblem(const MailMessage& message);

// RFC 5322 bytes: Date, From, To, Subject (encoded as UTF-8 words when it is
// not plain ASCII), Message-ID, MIME-Version and a text/plain UTF-8 body in
// base64, lines ended by CR LF. The message must have no problem.
QByteArray ComposeMessage(const MailMessage& message, const QDateTime& now);

} // namespace powiadomienia
