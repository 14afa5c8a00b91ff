#pragma once

#include "internet/defaultbrowser.h"

#include <QString>
#include <functional>

// What the about window says about the machine: the system's product name
// and the browser that opens the municipalities' pages. On Windows both
// come from the registry (the product name, Internet Explorer's version);
// elsewhere from os-release and the default browser. Each source is a
// replaceable function, so that tests can feed their own.
namespace SystemInfo {

struct Sources
{
    // A text value under HKEY_LOCAL_MACHINE; empty when there is none.
    std::function<QString(const QString& key, const QString& valueName)> registryText;
    // The os-release files to read, in order.
    std::function<QStringList()> osReleaseFiles;
    // The default browser with its version; empty when none is found.
    std::function<BrowserIdentity()> defaultBrowser;
};

// The system's own sources.
Sources SystemSources();

// Installs sources (an empty function keeps the system's for that source);
// returns the sources that were installed before.
Sources SetSources(Sources sources);

// "ProductName" under SOFTWARE\Microsoft\Windows NT\CurrentVersion, or when
// that is empty under SOFTWARE\Microsoft\Windows\CurrentVersion; empty
// when neither key has it.
QString WindowsProductName();

// A value under Software\Microsoft\Internet Explorer ("Version").
QString BrowserVersion(const QString& valueName);

// The line for Label12: the Windows product name, else the os-release name.
QString ProductName();

// The line for Label8: Internet Explorer where it is installed, otherwise
// the default browser with its major.minor version, otherwise empty.
QString BrowserLine();

// "6.0.2900.2180" → "Internet Explorer ver: 6.0"; empty for an empty version.
QString InternetExplorerLine(const QString& version);

// {"Firefox ESR", "115.6.0esr"} → "Firefox ESR ver: 115.6"; empty unless
// both the name and a version are known.
QString BrowserLineFor(const BrowserIdentity& browser);

} // namespace SystemInfo
