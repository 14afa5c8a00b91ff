#include "support/testdata.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace testdata {

QString fixture(const QString& name)
{
    return QStringLiteral(EKOWARTA_FIXTURES "/") + name;
}

QString copyFixture(const QString& name, const QTemporaryDir& dir, const QString& as)
{
    const QString target = dir.filePath(as.isEmpty() ? name : as);
    QFile::remove(target);
    if (!QFile::copy(fixture(name), target))
        qFatal("cannot copy fixture %s", qPrintable(name));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

QString program(const QString& name)
{
    return binDir() + QLatin1Char('/') + name;
}

QString binDir()
{
    return QStringLiteral(EKOWARTA_BIN_DIR);
}

QString testServer(const QString& name)
{
    return QStringLiteral(EKOWARTA_TEST_SERVERS "/") + name;
}

QString sourcePath(const QString& name)
{
    return QStringLiteral(EKOWARTA_FIXTURES "/../../") + name;
}

namespace {

ProcessResult runProcess(const QString& executable, const QStringList& arguments, int timeoutMs,
                         const QStringList& environment)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("EKOWARTA_CONNECTION"), QStringLiteral("online"));
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.start(executable, arguments);
    ProcessResult r;
    if (!p.waitForStarted(10000)) {
        r.err = "cannot start " + QFileInfo(executable).fileName().toUtf8();
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

ProcessResult run(const QString& programName, const QStringList& arguments, int timeoutMs,
                  const QStringList& environment)
{
    return runProcess(program(programName), arguments, timeoutMs, environment);
}

ProcessResult runUnder(const QStringList& wrapper, const QString& programName, const QStringList& arguments,
                       int timeoutMs)
{
    return runProcess(wrapper.value(0), wrapper.mid(1) + QStringList{program(programName)} + arguments, timeoutMs, {});
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace testdata
