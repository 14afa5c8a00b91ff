#include "internet/osrelease.h"

#include <QFile>

QStringList OsReleaseFiles()
{
    return {QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")};
}

namespace {

// Shell-like quoting as os-release(5) allows it: "…" with \" \\ \$ \`
// escapes, or '…' taken literally, or a bare word.
QByteArray unquote(QByteArray value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return value.mid(1, value.size() - 2);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        QByteArray out;
        const QByteArray inner = value.mid(1, value.size() - 2);
        for (qsizetype i = 0; i < inner.size(); ++i) {
            const char c = inner[i];
            if (c == '\\' && i + 1 < inner.size() &&
                QByteArrayView("\"\\$`").contains(inner[i + 1]))
                out += inner[++i];
            else
                out += c;
        }
        return out;
    }
    return value;
}

} // namespace

QString OsReleaseValue(const QByteArray& content, const QByteArray& key)
{
    const QByteArray prefix = key + '=';
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith(prefix))
            return QString::fromUtf8(unquote(line.mid(prefix.size())));
    }
    return {};
}

QString OsReleaseProductName(const QStringList& files)
{
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray content = file.read(64 * 1024);
        const QString pretty = OsReleaseValue(content, "PRETTY_NAME").trimmed();
        return pretty.isEmpty() ? OsReleaseValue(content, "NAME").trimmed() : pretty;
    }
    return {};
}
