#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// What the readers of ekowarta-dokument share: the limits of this run, the
// text being gathered under its cap, and the one way a reader gives up.
namespace dokument {

struct Limits
{
    qint64 memoryBytes = 200LL << 20;
    int seconds = 10;
    int pages = 500;
    qint64 textBytes = 8LL << 20;
    qint64 unpackedBytes = 64LL << 20;
    qint64 inputBytes = -1; // exactly this many on stdin; -1: up to a quarter of memoryBytes
};

// A reader gives up by throwing this: an exit code of the protocol and the
// reason for the user, in Polish.
struct ReadError
{
    int code;
    QString reason;
};

[[noreturn]] void Fail(const QString& reason);     // damaged or not what it claims
[[noreturn]] void TooLarge(const QString& reason); // over a limit

// "64 MB": a limit as the user reads it.
QString Megabytes(qint64 bytes);

// The text as it grows: UTF-8, lines ended by '\n', never more than the cap.
class TextOut
{
public:
    explicit TextOut(qint64 capBytes) : cap_(capBytes) {}

    void Append(const QString& text);
    void Append(const std::string& utf8);
    void Append(const char* utf8, qsizetype size);
    // Ends the current line; an empty line is left out.
    void EndLine();
    bool HasText() const;
    const QByteArray& Bytes() const { return bytes_; }

private:
    void Check(qsizetype more) const;
    qint64 cap_;
    QByteArray bytes_;
};

// The paragraph being gathered; a line of the text when it ends. A paragraph
// without end is held to the text's cap as it grows.
class Lines
{
public:
    Lines(TextOut& out, qint64 capBytes) : out_(out), cap_(capBytes) {}
    void Add(QStringView text);
    void Add(QChar c) { Add(QStringView(&c, 1)); }
    void End();
    bool Open() const { return !line_.isEmpty(); }
    QChar Last() const { return line_.isEmpty() ? QChar() : line_.back(); }

private:
    TextOut& out_;
    qint64 cap_;
    QString line_;
};

// The readers, one per format. Each fills out and returns the number of
// pages read (0 where the format has no pages).
int ReadPdf(const QByteArray& input, const Limits& limits, TextOut& out);
int ReadDocx(const QByteArray& input, const Limits& limits, TextOut& out);
int ReadOdt(const QByteArray& input, const Limits& limits, TextOut& out);
int ReadDoc(const QByteArray& input, const Limits& limits, TextOut& out);
int ReadRtf(const QByteArray& input, const Limits& limits, TextOut& out);

} // namespace dokument
