#include "powiadomienia/mailmessage.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QRandomGenerator>
#include <QTimeZone>

namespace powiadomienia {
namespace {

bool hasLineBreak(const QString& text)
{
    for (const QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0) || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return true;
    return false;
}

bool isAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

// RFC 2047 "B" words of at most 75 characters, split between whole
// characters so that no UTF-8 sequence is cut.
QByteArray encodedWords(const QString& text)
{
    if (isAscii(text) && text.size() <= 900)
        return text.toLatin1();
    QList<QByteArray> words;
    QByteArray chunk;
    auto flush = [&] {
        if (!chunk.isEmpty())
            words << "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray piece = text.mid(i, n).toUtf8();
        i += n - 1;
        // 45 bytes of UTF-8 make 60 base64 characters: the word stays short.
        if (chunk.size() + piece.size() > 45)
            flush();
        chunk += piece;
    }
    flush();
    return words.join("\r\n ");
}

// RFC 5322 date in English names, whatever the user's language.
QByteArray rfcDate(const QDateTime& now)
{
    const QDateTime local = now.toLocalTime();
    const int offset = local.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    return (QLocale::c().toString(local, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zone).toLatin1();
}

QByteArray messageId(const MailMessage& message, const QDateTime& now)
{
    const QString domain = message.from.section(QLatin1Char('@'), 1);
    const QByteArray unique = QCryptographicHash::hash(
        now.toString(Qt::ISODateWithMs).toUtf8() + QByteArray::number(QRandomGenerator::global()->generate64()) +
            message.subject.toUtf8(),
        QCryptographicHash::Sha1).toHex().left(24);
    return "<ekowarta." + unique + '@' + (domain.isEmpty() ? QByteArray("localhost") : domain.toUtf8()) + '>';
}

QByteArray bodyBase64(const QString& body)
{
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QByteArray encoded = text.toUtf8().toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

} // namespace

QStringList SplitRecipients(const QString& field)
{
    QStringList out;
    for (const QString& part : field.split(QLatin1Char(',')))
        if (const QString trimmed = part.trimmed(); !trimmed.isEmpty())
            out << trimmed;
    return out;
}

bool IsPlainAddress(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F || c == QLatin1Char('<') || c == QLatin1Char('>') ||
            c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('"') || c.isSpace())
            return false;
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    return at > 0 && at == text.lastIndexOf(QLatin1Char('@')) && at < text.size() - 1;
}

std::optional<QString> MessageProblem(const MailMessage& m)
{
    if (hasLineBreak(m.from) || hasLineBreak(m.subject))
        return QStringLiteral("Nadawca i temat wiadomości nie mogą zawierać znaku końca wiersza");
    if (m.from.trimmed().isEmpty())
        return QStringLiteral("Nie podano adresu nadawcy");
    if (!IsPlainAddress(m.from.trimmed()))
        return QStringLiteral("Nieprawidłowy adres nadawcy: %1").arg(m.from.trimmed());
    if (m.to.isEmpty())
        return QStringLiteral("Nie podano adresu odbiorcy");
    for (const QString& to : m.to) {
        if (hasLineBreak(to))
            return QStringLiteral("Adresy odbiorców nie mogą zawierać znaku końca wiersza");
        if (!IsPlainAddress(to))
            return QStringLiteral("Nieprawidłowy adres odbiorcy: %1").arg(to);
    }
    return std::nullopt;
}

QByteArray ComposeMessage(const MailMessage& m, const QDateTime& now)
{
    QByteArray out;
    out += "Date: " + rfcDate(now) + "\r\n";
    out += "From: " + m.from.trimmed().toUtf8() + "\r\n";
    out += "To: " + m.to.join(QStringLiteral(",\r\n ")).toUtf8() + "\r\n";
    out += "Subject: " + encodedWords(m.subject) + "\r\n";
    out += "Message-ID: " + messageId(m, now) + "\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: text/plain; charset=UTF-8\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    out += "X-Mailer: Ekowarta\r\n";
    out += "\r\n";
    out += bodyBase64(m.body);
    return out;
}

} // namespace powiadomienia
