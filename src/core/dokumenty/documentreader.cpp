#include "dokumenty/documentreader.h"

#include "dokumenty/readerprotocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <csignal>

namespace dokumenty {

namespace {

QString SecondsText(std::chrono::milliseconds time)
{
    const qint64 ms = time.count();
    if (ms % 1000 == 0)
        return QString::number(ms / 1000);
    return QString::number(double(ms) / 1000.0, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString TimeLimitReason(const ReadLimits& limits)
{
    return QStringLiteral("przekroczony limit czasu odczytu dokumentu (%1 s)").arg(SecondsText(limits.time));
}

QString MegabytesText(qint64 bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

DocumentText Failure(const QString& reason)
{
    DocumentText result;
    result.outcome = DocumentText::Outcome::Failed;
    result.reason = reason;
    return result;
}

// The program's own reason: the last line that begins with the prefix. What
// a library printed there in English is left out.
QString ReasonFrom(const QByteArray& err)
{
    const QByteArray prefix(protocol::kReasonPrefix);
    QString reason;
    for (const QByteArray& line : err.split('\n')) {
        if (line.startsWith(prefix))
            reason = QString::fromUtf8(line.mid(prefix.size())).trimmed();
    }
    return reason;
}

QString ExecutableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

} // namespace

QString ReaderProgramPath()
{
    static const QString path = [] {
        const QString name = QString::fromLatin1(protocol::kProgramName);
        const QDir here(ExecutableDir());
        // Beside the program (the build tree), then the package's place
        // relative to the program (so an unpacked package works too), then
        // the package's place as installed.
        const QStringList candidates = {
            here.filePath(name),
            QDir::cleanPath(here.filePath(QStringLiteral(EKOWARTA_READER_RELATIVE_DIR "/") + name)),
            QStringLiteral(EKOWARTA_READER_INSTALLED_DIR "/") + name,
        };
        for (const QString& candidate : candidates) {
            const QFileInfo info(candidate);
            if (info.isFile() && info.isExecutable())
                return info.absoluteFilePath();
        }
        return QString();
    }();
    return path;
}

DocumentText ReadDocument(const QByteArray& bytes, DocumentType type, const ReadLimits& limits)
{
    const QString program = ReaderProgramPath();
    if (program.isEmpty())
        return Failure(QStringLiteral("brak programu odczytu dokumentów (%1)").arg(QLatin1String(protocol::kProgramName)));

    const QDeadlineTimer deadline(limits.time);
    const qint64 seconds = std::max<qint64>(1, (limits.time.count() + 999) / 1000);
    const QStringList arguments = {
        QStringLiteral("--type"),           QString::fromLatin1(DocumentTypeKey(type)),
        QStringLiteral("--input-bytes"),    QString::number(bytes.size()),
        QStringLiteral("--memory"),         QString::number(limits.memoryBytes),
        QStringLiteral("--seconds"),        QString::number(seconds),
        QStringLiteral("--pages"),          QString::number(limits.pages),
        QStringLiteral("--text-bytes"),     QString::number(limits.textBytes),
        QStringLiteral("--unpacked-bytes"), QString::number(limits.unpackedBytes),
    };

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(int(std::max<qint64>(1, deadline.remainingTime()))))
        return Failure(QStringLiteral("nie można uruchomić programu odczytu dokumentów (%1)")
                           .arg(QLatin1String(protocol::kProgramName)));
    process.write(bytes);
    process.closeWriteChannel();

    // The text comes while we wait; the program caps it, we cap it again
    // (the pages line and a little slack above the limit).
    const qint64 outCap = limits.textBytes + 64;
    QByteArray out;
    QByteArray err;
    bool timedOut = false;
    bool overfull = false;
    while (process.state() != QProcess::NotRunning) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0) {
            timedOut = true;
            break;
        }
        process.waitForReadyRead(int(std::min<qint64>(remaining, 1000)));
        out += process.readAllStandardOutput();
        err += process.readAllStandardError().left(4096 - err.size());
        if (out.size() > outCap) {
            overfull = true;
            break;
        }
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (timedOut)
        return Failure(TimeLimitReason(limits));
    if (overfull)
        return Failure(QStringLiteral("tekst dokumentu dłuższy niż %1 MB").arg(MegabytesText(limits.textBytes)));
    out += process.readAllStandardOutput();
    err += process.readAllStandardError().left(4096 - err.size());

    if (process.exitStatus() == QProcess::CrashExit) {
        // Qt gives the signal as the exit code of a crashed process. The CPU
        // limit and the program's own alarm are the time limit.
        const int signal = process.exitCode();
        if (signal == SIGXCPU || signal == SIGALRM || signal == SIGKILL)
            return Failure(TimeLimitReason(limits));
        return Failure(QStringLiteral("odczyt dokumentu przerwany: uszkodzony plik albo przekroczony limit pamięci (%1 MB)")
                           .arg(MegabytesText(limits.memoryBytes)));
    }

    const QString reason = ReasonFrom(err);
    switch (process.exitCode()) {
    case protocol::kText: {
        DocumentText result;
        const qsizetype newline = out.indexOf('\n');
        bool ok = false;
        const int pages = out.left(newline < 0 ? out.size() : newline).toInt(&ok);
        if (!ok)
            return Failure(QStringLiteral("program odczytu dokumentów dał niezrozumiałą odpowiedź"));
        result.outcome = DocumentText::Outcome::Text;
        result.pages = pages;
        result.text = newline < 0 ? QString() : QString::fromUtf8(out.mid(newline + 1));
        return result;
    }
    case protocol::kNoTextLayer: {
        DocumentText result;
        result.outcome = DocumentText::Outcome::NoTextLayer;
        result.reason = QStringLiteral("dokument bez warstwy tekstowej");
        const qsizetype newline = out.indexOf('\n');
        result.pages = out.left(newline < 0 ? out.size() : newline).toInt();
        return result;
    }
    case protocol::kOutOfMemory:
        return Failure(QStringLiteral("przekroczony limit pamięci odczytu dokumentu (%1 MB)")
                           .arg(MegabytesText(limits.memoryBytes)));
    case protocol::kFailed:
    case protocol::kTooLarge:
        if (!reason.isEmpty())
            return Failure(reason);
        return Failure(QStringLiteral("nie udało się odczytać dokumentu %1").arg(DocumentTypeName(type)));
    default:
        return Failure(QStringLiteral("program odczytu dokumentów zakończył się błędem (kod %1)")
                           .arg(process.exitCode()));
    }
}

} // namespace dokumenty
