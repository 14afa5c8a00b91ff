// The system information of the about window: the registry readers with
// their fallback, the browser lines, os-release and the default-browser
// probe against real files and little programs in a temporary folder.
#include "internet/defaultbrowser.h"
#include "internet/osrelease.h"
#include "internet/systeminfo.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Registry values for one test, keyed "key|value".
class FakeRegistry
{
public:
    explicit FakeRegistry(QHash<QString, QString> values, BrowserIdentity browser = {},
                          QStringList osRelease = {QStringLiteral("/nonexistent/os-release")})
        : m_values(std::move(values))
    {
        SystemInfo::Sources s;
        s.registryText = [this](const QString& key, const QString& value) {
            m_asked << key + QLatin1Char('|') + value;
            return m_values.value(key + QLatin1Char('|') + value);
        };
        s.osReleaseFiles = [osRelease] { return osRelease; };
        s.defaultBrowser = [this, browser] {
            ++m_browserProbes;
            return browser;
        };
        m_previous = SystemInfo::SetSources(s);
    }
    ~FakeRegistry() { SystemInfo::SetSources(m_previous); }

    QStringList asked() const { return m_asked; }
    int browserProbes() const { return m_browserProbes; }

private:
    QHash<QString, QString> m_values;
    QStringList m_asked;
    int m_browserProbes = 0;
    SystemInfo::Sources m_previous;
};

const QString kNt = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion|ProductName");
const QString kWin = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion|ProductName");
const QString kIeVersion = QStringLiteral("Software\\Microsoft\\Internet Explorer|Version");
const QString kIeSvcVersion = QStringLiteral("Software\\Microsoft\\Internet Explorer|svcVersion");

// Little programs stand in for xdg-settings and browsers. They are made in
// the test's working folder, not in /tmp, which some machines mount noexec.
struct ProgramDir : QTemporaryDir
{
    ProgramDir() : QTemporaryDir(QDir::current().filePath(QStringLiteral("programs-XXXXXX"))) {}
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content,
                  bool executable = false)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(content);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

// A program that prints what a browser prints for --version.
QString fakeBrowser(const QTemporaryDir& dir, const QString& name, const QByteArray& versionLine)
{
    return writeFile(dir, name, "#!/bin/sh\necho '" + versionLine + "'\n", true);
}

} // namespace

class TestSystemInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void internetExplorerLine_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("xp") << "6.0.2900.2180"
                            << "Internet Explorer ver: 6.0";
        QTest::newRow("ie7") << "7.0.5730.11"
                             << "Internet Explorer ver: 7.0";
        QTest::newRow("ie8") << "8.0.6001.18702"
                             << "Internet Explorer ver: 8.0";
        QTest::newRow("blanks around") << "  6.0.2900.2180 "
                                       << "Internet Explorer ver: 6.0";
        QTest::newRow("two-digit major") << "11.0.9600.16384"
                                         << "Internet Explorer ver: 11.0";
        QTest::newRow("missing") << ""
                                 << "";
        QTest::newRow("short") << "6"
                               << "Internet Explorer ver: 6";
        QTest::newRow("short with dot") << "6."
                                        << "Internet Explorer ver: 6";
    }
    void internetExplorerLine()
    {
        QFETCH(QString, version);
        QFETCH(QString, line);
        QCOMPARE(SystemInfo::InternetExplorerLine(version), line);
    }

    void browserLineFor_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("firefox") << "Firefox"
                                 << "115.0"
                                 << "Firefox ver: 115.0";
        QTest::newRow("esr suffix") << "Firefox ESR"
                                    << "115.6.0esr"
                                    << "Firefox ESR ver: 115.6";
        QTest::newRow("chromium") << "Chromium"
                                  << "120.0.6099.224"
                                  << "Chromium ver: 120.0";
        QTest::newRow("major only") << "Web"
                                    << "43"
                                    << "Web ver: 43.0";
        QTest::newRow("no version") << "Firefox"
                                    << ""
                                    << "";
        QTest::newRow("not a version") << "Firefox"
                                       << "nightly"
                                       << "";
        QTest::newRow("no name") << ""
                                 << "115.0"
                                 << "";
    }
    void browserLineFor()
    {
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(QString, line);
        QCOMPARE(SystemInfo::BrowserLineFor({name, version}), line);
    }

    void productNameFromTheFirstKey()
    {
        FakeRegistry r(
            {{kNt, QStringLiteral("Microsoft Windows XP")}, {kWin, QStringLiteral("Windows 98")}});
        QCOMPARE(SystemInfo::WindowsProductName(), QStringLiteral("Microsoft Windows XP"));
    }

    void productNameFallsBackToTheSecondKey()
    {
        FakeRegistry r({{kWin, QStringLiteral("Microsoft Windows 2000")}});
        QCOMPARE(SystemInfo::WindowsProductName(), QStringLiteral("Microsoft Windows 2000"));
        QCOMPARE(r.asked(), QStringList({kNt, kWin}));
    }

    void blankProductNameCountsAsMissing()
    {
        FakeRegistry r(
            {{kNt, QStringLiteral("   ")}, {kWin, QStringLiteral("Microsoft Windows 2000")}});
        QCOMPARE(SystemInfo::WindowsProductName(), QStringLiteral("Microsoft Windows 2000"));
    }

    void noProductNameAnywhere()
    {
        FakeRegistry r({});
        QCOMPARE(SystemInfo::WindowsProductName(), QString());
        QCOMPARE(SystemInfo::ProductName(), QString());
    }

    void productNameFromOsReleaseWithoutRegistry()
    {
        ProgramDir dir;
        const QString file = writeFile(
            dir, "os-release",
            "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
        FakeRegistry r({}, {}, {dir.filePath("missing"), file});
        QCOMPARE(SystemInfo::ProductName(), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    }

    void registryNameWinsOverOsRelease()
    {
        ProgramDir dir;
        const QString file = writeFile(dir, "os-release", "PRETTY_NAME=Linux\n");
        FakeRegistry r({{kNt, QStringLiteral("Microsoft Windows XP")}}, {}, {file});
        QCOMPARE(SystemInfo::ProductName(), QStringLiteral("Microsoft Windows XP"));
    }

    void internetExplorerWinsAndNoBrowserIsProbed()
    {
        FakeRegistry r({{kIeVersion, QStringLiteral("6.0.2900.2180")}},
                       {QStringLiteral("Firefox"), QStringLiteral("115.0")});
        QCOMPARE(SystemInfo::BrowserLine(), QStringLiteral("Internet Explorer ver: 6.0"));
        QCOMPARE(r.browserProbes(), 0);
    }

    void newerInternetExplorerKeepsItsVersionInSvcVersion()
    {
        FakeRegistry r({{kIeVersion, QStringLiteral("9.11.9600.17843")},
                        {kIeSvcVersion, QStringLiteral("11.0.9600.17843")}});
        QCOMPARE(SystemInfo::BrowserLine(), QStringLiteral("Internet Explorer ver: 11.0"));
    }

    void withoutInternetExplorerTheDefaultBrowserIsShown()
    {
        FakeRegistry r({}, {QStringLiteral("Firefox"), QStringLiteral("115.0.2")});
        QCOMPARE(SystemInfo::BrowserLine(), QStringLiteral("Firefox ver: 115.0"));
        QCOMPARE(r.browserProbes(), 1);
    }

    void withoutAnyBrowserTheLineIsEmpty()
    {
        FakeRegistry r({});
        QCOMPARE(SystemInfo::BrowserLine(), QString());
    }

    void osReleaseValue_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("double quotes")
            << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n")
            << QByteArray("PRETTY_NAME") << "Debian GNU/Linux 12 (bookworm)";
        QTest::newRow("single quotes") << QByteArray("PRETTY_NAME='Fedora \"Linux\" 39'\n")
                                       << QByteArray("PRETTY_NAME") << "Fedora \"Linux\" 39";
        QTest::newRow("bare word") << QByteArray("ID=debian\n") << QByteArray("ID") << "debian";
        QTest::newRow("escapes") << QByteArray("NAME=\"A \\\"B\\\" \\$C \\\\ D\"\n")
                                 << QByteArray("NAME") << "A \"B\" $C \\ D";
        QTest::newRow("NAME is not PRETTY_NAME")
            << QByteArray("PRETTY_NAME=\"X 1\"\nNAME=\"X\"\n") << QByteArray("NAME") << "X";
        QTest::newRow("comment and blanks")
            << QByteArray("# PRETTY_NAME=no\n  PRETTY_NAME=\"Yes\"  \r\n")
            << QByteArray("PRETTY_NAME") << "Yes";
        QTest::newRow("utf-8") << QByteArray("PRETTY_NAME=\"Dystrybucja Żółw\"\n")
                               << QByteArray("PRETTY_NAME") << "Dystrybucja Żółw";
        QTest::newRow("missing") << QByteArray("NAME=x\n") << QByteArray("PRETTY_NAME") << "";
    }
    void osReleaseValue()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, key);
        QFETCH(QString, value);
        QCOMPARE(OsReleaseValue(content, key), value);
    }

    void osReleaseProductNameTakesTheFirstReadableFile()
    {
        ProgramDir dir;
        const QString onlyName = writeFile(dir, "a", "NAME=\"Alpine Linux\"\n");
        const QString pretty = writeFile(dir, "b", "PRETTY_NAME=\"Other\"\n");
        QCOMPARE(OsReleaseProductName({dir.filePath("none"), onlyName, pretty}),
                 QStringLiteral("Alpine Linux"));
        QCOMPARE(OsReleaseProductName({pretty, onlyName}), QStringLiteral("Other"));
        QCOMPARE(OsReleaseProductName({dir.filePath("none")}), QString());
    }

    void parseVersionOutput_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::newRow("firefox") << QByteArray("Mozilla Firefox 115.6.0esr\n") << "Mozilla Firefox"
                                 << "115.6.0esr";
        QTest::newRow("chromium")
            << QByteArray("Chromium 120.0.6099.224 built on Debian 12.4, running on Debian 12.4\n")
            << "Chromium"
            << "120.0.6099.224";
        QTest::newRow("chrome") << QByteArray("Google Chrome 120.0.6099.109 \n") << "Google Chrome"
                                << "120.0.6099.109";
        QTest::newRow("epiphany") << QByteArray("Web 43.1\n") << "Web"
                                  << "43.1";
        QTest::newRow("warning first") << QByteArray("\nsome warning\nFalkon 3.2.0\n") << "Falkon"
                                       << "3.2.0";
        QTest::newRow("no version") << QByteArray("usage: browser [url]\n") << ""
                                    << "";
        QTest::newRow("empty") << QByteArray() << ""
                               << "";
    }
    void parseVersionOutput()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, name);
        QFETCH(QString, version);
        const BrowserIdentity b = ParseVersionOutput(output);
        QCOMPARE(b.name, name);
        QCOMPARE(b.version, version);
    }

    void parseDesktopEntry()
    {
        const DesktopEntry e =
            ParseDesktopEntry("[Desktop Entry]\nName=Firefox ESR\nName[pl]=Firefox ESR po polsku\n"
                              "Exec=/usr/lib/firefox-esr/firefox-esr %u\n"
                              "[Desktop Action new-window]\nName=New Window\nExec=other\n");
        QCOMPARE(e.name, QStringLiteral("Firefox ESR"));
        QCOMPARE(e.program, QStringLiteral("/usr/lib/firefox-esr/firefox-esr"));

        const DesktopEntry withEnv =
            ParseDesktopEntry("[Desktop Entry]\nName=Chromium\nExec=env LANG=pl_PL.UTF-8 "
                              "\"/opt/my browser/chromium\" %U\n");
        QCOMPARE(withEnv.program, QStringLiteral("/opt/my browser/chromium"));

        QCOMPARE(ParseDesktopEntry("[Other]\nName=x\nExec=y\n").program, QString());
    }

    void findsTheDefaultBrowserThroughItsDesktopEntry()
    {
        ProgramDir dir;
        const QString browser = fakeBrowser(dir, "firefox-esr", "Mozilla Firefox 115.6.0esr");
        writeFile(dir, "firefox-esr.desktop",
                  "[Desktop Entry]\nName=Firefox ESR\nExec=" + browser.toUtf8() + " %u\n");
        const QString xdgSettings =
            writeFile(dir, "xdg-settings", "#!/bin/sh\necho firefox-esr.desktop\n", true);

        BrowserProbe probe;
        probe.defaultDesktopIdCommand = {xdgSettings, "get", "default-web-browser"};
        probe.applicationDirectories = {dir.path()};
        probe.alternativeLink = dir.filePath("no-alternative");
        const BrowserIdentity found = FindDefaultBrowser(probe);
        QCOMPARE(found.name, QStringLiteral("Firefox ESR"));
        QCOMPARE(found.version, QStringLiteral("115.6.0esr"));
        QCOMPARE(SystemInfo::BrowserLineFor(found), QStringLiteral("Firefox ESR ver: 115.6"));
    }

    void aLauncherAnsweringForItselfIsNotTheBrowser()
    {
        ProgramDir dir;
        const QString launcher = fakeBrowser(dir, "launcher", "flatpak 1.14.4");
        writeFile(dir, "org.mozilla.firefox.desktop",
                  "[Desktop Entry]\nName=Firefox\nExec=" + launcher.toUtf8() +
                      " run org.mozilla.firefox %u\n");
        const QString xdgSettings =
            writeFile(dir, "xdg-settings", "#!/bin/sh\necho org.mozilla.firefox.desktop\n", true);

        BrowserProbe probe;
        probe.defaultDesktopIdCommand = {xdgSettings};
        probe.applicationDirectories = {dir.path()};
        probe.alternativeLink = dir.filePath("no-alternative");
        QVERIFY(!FindDefaultBrowser(probe).isKnown());
    }

    void fallsBackToTheAlternativeLink()
    {
        ProgramDir dir;
        const QString browser =
            fakeBrowser(dir, "chromium", "Chromium 120.0.6099.224 built on Debian 12.4");
        const QString link = dir.filePath("x-www-browser");
        QVERIFY(QFile::link(browser, link));
        const QString silent = writeFile(dir, "xdg-settings", "#!/bin/sh\nexit 1\n", true);

        BrowserProbe probe;
        probe.defaultDesktopIdCommand = {silent};
        probe.applicationDirectories = {dir.path()};
        probe.alternativeLink = link;
        const BrowserIdentity found = FindDefaultBrowser(probe);
        QCOMPARE(found.name, QStringLiteral("Chromium"));
        QCOMPARE(found.version, QStringLiteral("120.0.6099.224"));
    }

    void aDesktopIdWithAPathIsRefused()
    {
        ProgramDir dir;
        QVERIFY(QDir(dir.path()).mkdir("apps"));
        const QString browser = fakeBrowser(dir, "browser", "Evil 1.0");
        writeFile(dir, "evil.desktop",
                  "[Desktop Entry]\nName=Evil\nExec=" + browser.toUtf8() + "\n");
        const QString xdgSettings =
            writeFile(dir, "xdg-settings", "#!/bin/sh\necho ../evil.desktop\n", true);

        BrowserProbe probe;
        probe.defaultDesktopIdCommand = {xdgSettings};
        probe.applicationDirectories = {dir.filePath("apps")};
        probe.alternativeLink = dir.filePath("no-alternative");
        QVERIFY(!FindDefaultBrowser(probe).isKnown());
    }

    void aBrowserThatDoesNotAnswerIsGivenUp()
    {
        ProgramDir dir;
        const QString hanging = writeFile(dir, "hanging", "#!/bin/sh\nexec sleep 30\n", true);
        const QString link = dir.filePath("x-www-browser");
        QVERIFY(QFile::link(hanging, link));

        BrowserProbe probe;
        probe.defaultDesktopIdCommand = {};
        probe.alternativeLink = link;
        probe.timeoutMs = 200;
        QVERIFY(!FindDefaultBrowser(probe).isKnown());
    }

    void nothingToFind()
    {
        ProgramDir dir;
        BrowserProbe probe;
        probe.defaultDesktopIdCommand = {dir.filePath("no-such-program")};
        probe.applicationDirectories = {dir.path()};
        probe.alternativeLink = dir.filePath("no-alternative");
        const BrowserIdentity found = FindDefaultBrowser(probe);
        QVERIFY(found.name.isEmpty());
        QVERIFY(found.version.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
