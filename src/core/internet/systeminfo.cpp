#include "internet/systeminfo.h"

#include "internet/osrelease.h"
#include "internet/registryvalue.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

namespace SystemInfo {
namespace {

const QString kWindowsNtKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
const QString kWindowsKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString kInternetExplorerKey = QStringLiteral("Software\\Microsoft\\Internet Explorer");

QMutex& mutex()
{
    static QMutex m;
    return m;
}

Sources& installed()
{
    static Sources sources = SystemSources();
    return sources;
}

Sources current()
{
    QMutexLocker lock(&mutex());
    return installed();
}

// "6.0.2900.2180" → "6.0": the major number and the first digit of the
// minor one. For the one-digit versions of Internet Explorer this is its
// first and third character; "11.0.9600" stays "11.0" instead of "1..".
QString shortInternetExplorerVersion(const QString& version)
{
    static const QRegularExpression majorMinor(QStringLiteral("^(\\d+)\\.(\\d)"));
    const QRegularExpressionMatch m = majorMinor.match(version);
    if (m.hasMatch())
        return m.captured(1) + QLatin1Char('.') + m.captured(2);
    // A value too short for a minor number is shown as it stands.
    QString shown = version;
    while (shown.endsWith(QLatin1Char('.')))
        shown.chop(1);
    return shown;
}

QString majorMinorVersion(const QString& version)
{
    static const QRegularExpression majorMinor(QStringLiteral("^(\\d+)(\\.\\d+)?"));
    const QRegularExpressionMatch m = majorMinor.match(version);
    if (!m.hasMatch())
        return {};
    return m.captured(1) + (m.captured(2).isEmpty() ? QStringLiteral(".0") : m.captured(2));
}

} // namespace

Sources SystemSources()
{
    Sources s;
    s.registryText = LocalMachineRegistryText;
    s.osReleaseFiles = OsReleaseFiles;
#ifdef Q_OS_WIN
    // Windows has Internet Explorer's registry values; no other probe.
    s.defaultBrowser = [] { return BrowserIdentity(); };
#else
    s.defaultBrowser = [] { return FindDefaultBrowser(); };
#endif
    return s;
}

Sources SetSources(Sources sources)
{
    const Sources system = SystemSources();
    if (!sources.registryText)
        sources.registryText = system.registryText;
    if (!sources.osReleaseFiles)
        sources.osReleaseFiles = system.osReleaseFiles;
    if (!sources.defaultBrowser)
        sources.defaultBrowser = system.defaultBrowser;
    QMutexLocker lock(&mutex());
    Sources previous = installed();
    installed() = std::move(sources);
    return previous;
}

QString WindowsProductName()
{
    const Sources s = current();
    const QString name = s.registryText(kWindowsNtKey, QStringLiteral("ProductName")).trimmed();
    return name.isEmpty() ? s.registryText(kWindowsKey, QStringLiteral("ProductName")).trimmed()
                          : name;
}

QString BrowserVersion(const QString& valueName)
{
    return current().registryText(kInternetExplorerKey, valueName).trimmed();
}

QString ProductName()
{
    const QString windows = WindowsProductName();
    return windows.isEmpty() ? OsReleaseProductName(current().osReleaseFiles()) : windows;
}

QString BrowserLine()
{
    // Internet Explorer 10 and 11 keep "Version" at 9.1x and write their
    // own version into "svcVersion".
    QString version = BrowserVersion(QStringLiteral("svcVersion"));
    if (version.isEmpty())
        version = BrowserVersion(QStringLiteral("Version"));
    if (!version.isEmpty())
        return InternetExplorerLine(version);
    return BrowserLineFor(current().defaultBrowser());
}

QString InternetExplorerLine(const QString& version)
{
    const QString v = version.trimmed();
    if (v.isEmpty())
        return {};
    return QStringLiteral("Internet Explorer ver: ") + shortInternetExplorerVersion(v);
}

QString BrowserLineFor(const BrowserIdentity& browser)
{
    const QString version = majorMinorVersion(browser.version.trimmed());
    if (browser.name.trimmed().isEmpty() || version.isEmpty())
        return {};
    return browser.name.trimmed() + QStringLiteral(" ver: ") + version;
}

} // namespace SystemInfo
