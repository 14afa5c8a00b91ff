#include "reading.h"

#include "dokumenty/readerprotocol.h"

namespace dokument {

void Fail(const QString& reason)
{
    throw ReadError{dokumenty::protocol::kFailed, reason};
}

void TooLarge(const QString& reason)
{
    throw ReadError{dokumenty::protocol::kTooLarge, reason};
}

QString Megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg((bytes + (1 << 20) - 1) >> 20);
}

void TextOut::Check(qsizetype more) const
{
    if (bytes_.size() + more > cap_)
        TooLarge(QStringLiteral("tekst dokumentu dłuższy niż %1").arg(Megabytes(cap_)));
}

void TextOut::Append(const char* utf8, qsizetype size)
{
    Check(size);
    bytes_.append(utf8, size);
}

void TextOut::Append(const std::string& utf8)
{
    Append(utf8.data(), qsizetype(utf8.size()));
}

void TextOut::Append(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    Append(utf8.constData(), utf8.size());
}

void TextOut::EndLine()
{
    // Trailing blanks go; a line of blanks is an empty line.
    while (!bytes_.isEmpty() && (bytes_.back() == ' ' || bytes_.back() == '\t'))
        bytes_.chop(1);
    if (bytes_.isEmpty() || bytes_.endsWith('\n'))
        return;
    Check(1);
    bytes_.append('\n');
}

bool TextOut::HasText() const
{
    for (const char c : bytes_) {
        if (c != '\n' && c != ' ' && c != '\t' && c != '\r' && c != '\f')
            return true;
    }
    return false;
}

void Lines::Add(QStringView text)
{
    if (line_.size() + text.size() > cap_)
        TooLarge(QStringLiteral("tekst dokumentu dłuższy niż %1").arg(Megabytes(cap_)));
    line_ += text;
}

void Lines::End()
{
    out_.Append(line_);
    out_.EndLine();
    line_.clear();
}

} // namespace dokument
