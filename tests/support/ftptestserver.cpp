#include "support/ftptestserver.h"

#include "support/scriptserver.h"
#include "support/testdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>

FtpTestServer::FtpTestServer(Mode mode) : m_mode(mode) {}

FtpTestServer::~FtpTestServer()
{
    stop();
}

bool FtpTestServer::start()
{
    if (!m_root.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    QStringList args{testdata::testServer(QStringLiteral("ftpserver.py")),
                     QStringLiteral("--root"), m_root.path(),
                     QStringLiteral("--user"), user(),
                     QStringLiteral("--password"), password(),
                     QStringLiteral("--port"), QStringLiteral("0")};
    if (m_mode == Mode::PassiveOnly)
        args << QStringLiteral("--passive-only");
    else if (m_mode == Mode::BrokenDownloads)
        args << QStringLiteral("--break-downloads");
    else if (m_mode == Mode::RefuseFirstLogin)
        args << QStringLiteral("--refuse-first-login");
    else if (m_mode == Mode::SilentDownloads)
        args << QStringLiteral("--silent-downloads");
    else if (m_mode == Mode::DropUploads)
        args << QStringLiteral("--drop-uploads");
    else if (m_mode == Mode::ShortStores)
        args << QStringLiteral("--short-stores");
    else if (m_mode == Mode::RefuseRenames)
        args << QStringLiteral("--refuse-renames");
    else if (m_mode == Mode::SilentStores)
        args << QStringLiteral("--silent-stores");
    m_port = StartScriptServer(m_process, args, QStringLiteral("FTP"), &m_error);
    return m_port != 0;
}

void FtpTestServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString FtpTestServer::host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString FtpTestServer::localPathOf(const QString& path) const
{
    return m_root.filePath(path);
}

bool FtpTestServer::makeDirectory(const QString& path) const
{
    return QDir(m_root.path()).mkpath(path);
}

bool FtpTestServer::putFile(const QString& path, const QByteArray& bytes) const
{
    const QString target = localPathOf(path);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile f(target);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray FtpTestServer::fileBytes(const QString& path) const
{
    QFile f(localPathOf(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool FtpTestServer::fileExists(const QString& path) const
{
    return QFileInfo::exists(localPathOf(path));
}

quint16 FtpTestServer::unusedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
