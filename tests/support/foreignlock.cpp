#include "support/foreignlock.h"

namespace testdata {
namespace {

// Debian's interpreter, as for the FTP server.
const QString kPython = QStringLiteral("/usr/bin/python3");

// argv: kind path mode; mode "hold" keeps the lock until stdin closes,
// "try" exits 0 when the lock could be taken at once, 3 when not.
const QString kScript = QStringLiteral(R"(
import fcntl, sys
kind, path, mode = sys.argv[1], sys.argv[2], sys.argv[3]
f = open(path, 'r+b')
nb = fcntl.LOCK_NB if mode == 'try' else 0
try:
    if kind == 'lockf': fcntl.lockf(f, fcntl.LOCK_EX | nb)
    elif kind == 'lockf-shared': fcntl.lockf(f, fcntl.LOCK_SH | nb)
    elif kind == 'flock': fcntl.flock(f, fcntl.LOCK_EX | nb)
    elif kind == 'flock-shared': fcntl.flock(f, fcntl.LOCK_SH | nb)
    else: sys.exit(2)
except OSError:
    sys.exit(3)
if mode == 'try':
    sys.exit(0)
print('locked', flush=True)
sys.stdin.read()
)");

} // namespace

ForeignLock::ForeignLock(const QString& kind, const QString& path)
{
    m_process.start(kPython, {QStringLiteral("-c"), kScript, kind, path, QStringLiteral("hold")});
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start python3");
        return;
    }
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(10000);
    m_held = m_process.readLine().trimmed() == "locked";
    if (!m_held)
        m_error = QString::fromUtf8(m_process.readAllStandardError());
}

ForeignLock::~ForeignLock()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool ForeignLock::canTake(const QString& kind, const QString& path)
{
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), kScript, kind, path, QStringLiteral("try")});
    p.waitForFinished(10000);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace testdata
