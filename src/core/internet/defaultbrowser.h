#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The web browser that opens the municipalities' pages on a Linux desktop,
// with its version: the desktop's default browser (xdg-settings and its
// .desktop entry), else Debian's x-www-browser alternative; the version is
// what the browser itself says to --version.

struct BrowserIdentity
{
    QString name;    // "Firefox ESR"
    QString version; // as the browser writes it: "115.6.0esr"

    bool isKnown() const { return !name.isEmpty() && !version.isEmpty(); }
};

// Where the probe looks. The defaults are the system's; tests point them at
// files and little programs of their own.
struct BrowserProbe
{
    // Prints the desktop id of the default browser ("firefox-esr.desktop").
    QStringList defaultDesktopIdCommand = {QStringLiteral("xdg-settings"), QStringLiteral("get"),
                                           QStringLiteral("default-web-browser")};
    // Directories that hold .desktop entries (empty: the system's).
    QStringList applicationDirectories;
    // Link to the browser chosen by the system's alternatives.
    QString alternativeLink = QStringLiteral("/usr/bin/x-www-browser");
    // How long a helper program may take before it is given up (and killed).
    int timeoutMs = 3000;
};

BrowserIdentity FindDefaultBrowser(const BrowserProbe& probe = BrowserProbe());

// "Mozilla Firefox 115.6.0esr" → {"Mozilla Firefox", "115.6.0esr"}: the
// words before the first dotted number, and that number. Empty when the
// output holds no version.
BrowserIdentity ParseVersionOutput(const QByteArray& output);

// Name= and the program of Exec= from the [Desktop Entry] group of a .desktop
// file. The program skips an "env VAR=value" prefix and field codes.
struct DesktopEntry
{
    QString name;
    QString program;
};
DesktopEntry ParseDesktopEntry(const QByteArray& content);
