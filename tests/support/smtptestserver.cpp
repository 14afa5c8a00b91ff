#include "support/smtptestserver.h"

#include "support/scriptserver.h"
#include "support/testdata.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <algorithm>

SmtpTestServer::SmtpTestServer(Mode mode, const QString& login) : m_mode(mode), m_login(login) {}

SmtpTestServer::~SmtpTestServer()
{
    stop();
}

QString SmtpTestServer::certificate()
{
    return testdata::fixture(QStringLiteral("tls-localhost.crt"));
}

bool SmtpTestServer::start()
{
    static const char* const modes[] = {"plain", "starttls", "smtps", "refuse", "drop"};
    QStringList args{testdata::testServer(QStringLiteral("smtpserver.py")),
                     QStringLiteral("--mode"), QLatin1String(modes[int(m_mode)]),
                     QStringLiteral("--spool"), m_spool.path(),
                     QStringLiteral("--cert"), certificate(),
                     QStringLiteral("--key"), testdata::fixture(QStringLiteral("tls-localhost.key"))};
    if (!m_login.isEmpty())
        args << QStringLiteral("--login") << m_login;
    m_port = StartScriptServer(m_process, args, QStringLiteral("SMTP"), &m_error);
    return m_port != 0;
}

void SmtpTestServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel(); // the script ends when its stdin does
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString SmtpTestServer::url() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_mode == Mode::Smtps ? QStringLiteral("smtps") : QStringLiteral("smtp"))
        .arg(m_port);
}

QList<QJsonObject> SmtpTestServer::messages() const
{
    QStringList names = QDir(m_spool.path()).entryList({QStringLiteral("*.json")}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.section(QLatin1Char('.'), 0, 0).toInt() < b.section(QLatin1Char('.'), 0, 0).toInt();
    });
    QList<QJsonObject> out;
    for (const QString& name : names) {
        QFile f(m_spool.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            out << QJsonDocument::fromJson(f.readAll()).object();
    }
    return out;
}
