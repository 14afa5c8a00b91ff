// ekowarta-dokument: the text of one document, read from standard input.
// A separate program so that a hostile file costs at most this process:
// it limits its own memory, CPU time and files before it reads a byte, and
// the caller kills it when its time is up. The command line and the exit
// codes are in dokumenty/readerprotocol.h.
#include "reading.h"

#include "dokumenty/documenttype.h"
#include "dokumenty/readerprotocol.h"

#include <QByteArray>
#include <QString>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <unistd.h>

namespace {

using dokumenty::DocumentType;
namespace protocol = dokumenty::protocol;

void Say(const QString& reason)
{
    const QByteArray line = QByteArray(protocol::kReasonPrefix) + reason.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

bool SetLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    return setrlimit(resource, &limit) == 0;
}

// The limits go on before anything is read; they cannot be raised again.
// Standard output and error are pipes: with no file to write, a write to a
// file fails (EFBIG) instead of killing the program.
bool LimitSelf(const dokument::Limits& limits)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t seconds = rlim_t(limits.seconds);
    return SetLimit(RLIMIT_AS, rlim_t(limits.memoryBytes), rlim_t(limits.memoryBytes)) &&
           SetLimit(RLIMIT_CPU, seconds, seconds + 1) && SetLimit(RLIMIT_FSIZE, 0, 0) &&
           SetLimit(RLIMIT_CORE, 0, 0) && (alarm(unsigned(limits.seconds) + 1), true);
}

// The whole of standard input, at most the cap (or exactly `exact` bytes).
QByteArray ReadInput(const dokument::Limits& limits)
{
    const qint64 cap = limits.inputBytes >= 0 ? limits.inputBytes : limits.memoryBytes / 4;
    QByteArray input;
    if (limits.inputBytes >= 0)
        input.reserve(qsizetype(limits.inputBytes));
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            dokument::Fail(QStringLiteral("nie udało się wczytać dokumentu"));
        if (got == 0)
            break;
        if (input.size() + got > cap)
            dokument::TooLarge(QStringLiteral("dokument większy niż %1").arg(dokument::Megabytes(cap)));
        input.append(chunk, qsizetype(got));
    }
    if (limits.inputBytes >= 0 && input.size() != limits.inputBytes)
        dokument::Fail(QStringLiteral("dokument urwany: wczytano %1 z %2 bajtów").arg(input.size()).arg(limits.inputBytes));
    return input;
}

bool Number(const char* text, qint64 min, qint64& value)
{
    bool ok = false;
    const qint64 parsed = QByteArray(text).toLongLong(&ok);
    if (!ok || parsed < min)
        return false;
    value = parsed;
    return true;
}

bool ParseArguments(int argc, char** argv, std::optional<DocumentType>& type, dokument::Limits& limits)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray option(argv[i]);
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        qint64 n = 0;
        if (option == "--type") {
            type = dokumenty::DocumentTypeFromKey(value);
            if (!type)
                return false;
            continue;
        }
        if (!Number(value, option == "--input-bytes" ? 0 : 1, n))
            return false;
        if (option == "--input-bytes")
            limits.inputBytes = n;
        else if (option == "--memory")
            limits.memoryBytes = std::max<qint64>(n, 16LL << 20);
        else if (option == "--seconds")
            limits.seconds = int(std::min<qint64>(n, 3600));
        else if (option == "--pages")
            limits.pages = int(std::min<qint64>(n, 1000000));
        else if (option == "--text-bytes")
            limits.textBytes = n;
        else if (option == "--unpacked-bytes")
            limits.unpackedBytes = n;
        else
            return false;
    }
    return type.has_value();
}

int Read(DocumentType type, const dokument::Limits& limits)
{
    const QByteArray input = ReadInput(limits);
    dokument::TextOut out(limits.textBytes);
    int pages = 0;
    switch (type) {
    case DocumentType::Pdf:
        pages = dokument::ReadPdf(input, limits, out);
        break;
    case DocumentType::Docx:
        pages = dokument::ReadDocx(input, limits, out);
        break;
    case DocumentType::Odt:
        pages = dokument::ReadOdt(input, limits, out);
        break;
    case DocumentType::Doc:
        pages = dokument::ReadDoc(input, limits, out);
        break;
    case DocumentType::Rtf:
        pages = dokument::ReadRtf(input, limits, out);
        break;
    }
    const QByteArray head = QByteArray::number(pages) + '\n';
    std::fwrite(head.constData(), 1, size_t(head.size()), stdout);
    if (!out.HasText()) {
        std::fflush(stdout);
        Say(QStringLiteral("dokument bez warstwy tekstowej"));
        return protocol::kNoTextLayer;
    }
    const QByteArray& text = out.Bytes();
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) ||
        std::fflush(stdout) != 0)
        return protocol::kFailed;
    return protocol::kText;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<DocumentType> type;
    dokument::Limits limits;
    if (!ParseArguments(argc, argv, type, limits)) {
        Say(QStringLiteral("błędne wywołanie programu odczytu dokumentów"));
        return protocol::kUsage;
    }
    if (!LimitSelf(limits)) {
        Say(QStringLiteral("nie udało się ograniczyć zasobów programu odczytu dokumentów"));
        return protocol::kFailed;
    }
    try {
        return Read(*type, limits);
    } catch (const dokument::ReadError& error) {
        Say(error.reason);
        return error.code;
    } catch (const std::bad_alloc&) {
        Say(QStringLiteral("przekroczony limit pamięci odczytu dokumentu (%1)").arg(dokument::Megabytes(limits.memoryBytes)));
        return protocol::kOutOfMemory;
    }
}
