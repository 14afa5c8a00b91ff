#include "internet/defaultbrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// A program named without a path is looked up on PATH only, never in the
// current directory.
QString executablePath(const QString& program)
{
    if (program.isEmpty())
        return {};
    if (QDir::isAbsolutePath(program))
        return QFileInfo(program).isExecutable() ? program : QString();
    return QStandardPaths::findExecutable(program);
}

// Runs a helper without a shell and returns what it printed; empty when it
// cannot start, fails or takes too long.
QByteArray outputOf(const QString& program, const QStringList& arguments, int timeoutMs)
{
    const QString executable = executablePath(program);
    if (executable.isEmpty())
        return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(executable, arguments);
    if (!process.waitForStarted(timeoutMs))
        return {};
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QString desktopFilePath(const QString& desktopId, const QStringList& directories)
{
    const QStringList dirs =
        directories.isEmpty()
            ? QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)
            : directories;
    for (const QString& dir : dirs) {
        const QString path = QDir(dir).filePath(desktopId);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

// A launcher (flatpak, a wrapper script's interpreter) answers --version for
// itself: the answer counts only when it names the browser of the entry.
bool answerNamesBrowser(const BrowserIdentity& answer, const QString& entryName)
{
    const QString firstWord = entryName.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    return firstWord.isEmpty() || answer.name.contains(firstWord, Qt::CaseInsensitive);
}

} // namespace

BrowserIdentity ParseVersionOutput(const QByteArray& output)
{
    static const QRegularExpression versionWord(QStringLiteral("^\\d+(\\.\\d+)+\\S*$"));
    const QString text = QString::fromUtf8(output);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (versionWord.match(words[i]).hasMatch()) {
                QString version = words[i];
                while (version.endsWith(QLatin1Char(',')))
                    version.chop(1);
                return {words.mid(0, i).join(QLatin1Char(' ')), version};
            }
        }
    }
    return {};
}

DesktopEntry ParseDesktopEntry(const QByteArray& content)
{
    DesktopEntry entry;
    bool inMainGroup = false;
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        if (line.startsWith("Name=") && entry.name.isEmpty())
            entry.name = QString::fromUtf8(line.mid(5)).trimmed();
        else if (line.startsWith("Exec=") && entry.program.isEmpty()) {
            QStringList words = QProcess::splitCommand(QString::fromUtf8(line.mid(5)));
            if (!words.isEmpty() && QFileInfo(words.first()).fileName() == QLatin1String("env")) {
                words.removeFirst();
                while (!words.isEmpty() && (words.first().contains(QLatin1Char('=')) ||
                                            words.first().startsWith(QLatin1Char('-'))))
                    words.removeFirst();
            }
            if (!words.isEmpty() && !words.first().startsWith(QLatin1Char('%')))
                entry.program = words.first();
        }
    }
    return entry;
}

BrowserIdentity FindDefaultBrowser(const BrowserProbe& probe)
{
    DesktopEntry entry;
    if (!probe.defaultDesktopIdCommand.isEmpty()) {
        const QString id =
            QString::fromUtf8(outputOf(probe.defaultDesktopIdCommand.first(),
                                       probe.defaultDesktopIdCommand.mid(1), probe.timeoutMs))
                .section(QLatin1Char('\n'), 0, 0)
                .trimmed();
        // A desktop id is a file name: anything with a path in it is refused.
        if (id.endsWith(QLatin1String(".desktop")) && !id.contains(QLatin1Char('/'))) {
            QFile file(desktopFilePath(id, probe.applicationDirectories));
            if (file.open(QIODevice::ReadOnly))
                entry = ParseDesktopEntry(file.read(256 * 1024));
        }
    }

    QString binary = executablePath(entry.program);
    if (binary.isEmpty()) {
        entry = {};
        const QFileInfo link(probe.alternativeLink);
        if (!probe.alternativeLink.isEmpty() && link.exists() && link.isExecutable())
            binary = link.canonicalFilePath();
    }
    if (binary.isEmpty())
        return {};

    BrowserIdentity answer =
        ParseVersionOutput(outputOf(binary, {QStringLiteral("--version")}, probe.timeoutMs));
    if (answer.version.isEmpty() || !answerNamesBrowser(answer, entry.name))
        return {};
    if (!entry.name.isEmpty())
        answer.name = entry.name;
    if (answer.name.isEmpty())
        answer.name = QFileInfo(binary).fileName();
    return answer;
}
