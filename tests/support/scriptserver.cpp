#include "support/scriptserver.h"

quint16 StartScriptServer(QProcess& process, const QStringList& arguments, const QString& serverName,
                          QString* error)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!process.waitForStarted(10000)) {
        *error = process.errorString();
        return 0;
    }
    const auto fail = [&](const QString& why) {
        *error = why;
        process.kill();
        process.waitForFinished(5000);
        return quint16(0);
    };
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(15000))
            return fail(QStringLiteral("the %1 server did not start (its errors are above)").arg(serverName));
    }
    const QByteArray line = process.readLine().trimmed();
    bool ok = false;
    const quint16 port = line.startsWith("PORT ") ? quint16(line.mid(5).toUInt(&ok)) : 0;
    if (!ok || port == 0)
        return fail(QStringLiteral("unexpected first line from the %1 server: %2").arg(serverName, QString::fromLatin1(line)));
    return port;
}
