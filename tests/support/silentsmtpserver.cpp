#include "support/silentsmtpserver.h"

#include "support/scriptserver.h"
#include "support/testdata.h"

#include <QElapsedTimer>

SilentSmtpServer::SilentSmtpServer(Mode mode) : m_mode(mode) {}

SilentSmtpServer::~SilentSmtpServer()
{
    stop();
}

bool SilentSmtpServer::start()
{
    static const char* const modes[] = {"greet-silent", "silent-end", "silent-quit", "close-at-end"};
    m_port = StartScriptServer(m_process,
                               {testdata::testServer(QStringLiteral("silentsmtp.py")), QStringLiteral("--mode"),
                                QLatin1String(modes[int(m_mode)])},
                               QStringLiteral("silent SMTP"), &m_error);
    return m_port != 0;
}

void SilentSmtpServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill(); // its connections close with it
    m_process.waitForFinished(5000);
}

bool SilentSmtpServer::waitFor(const QByteArray& step, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        m_seen += m_process.readAll();
        if (m_seen.contains("\n" + step + "\n") || m_seen.startsWith(step + "\n"))
            return true;
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMin<qint64>(left, 200)));
    }
}
