// What the about window pays for its system lines at its first showing:
// the os-release name, and the default-browser probe, which starts helper
// programs (a desktop-id query and the browser's --version).
#include "internet/defaultbrowser.h"
#include "internet/osrelease.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString script(const QTemporaryDir& dir, const QString& name, const QByteArray& body)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("#!/bin/sh\n" + body + "\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return f.fileName();
}

void BM_OsReleaseProductName(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(OsReleaseProductName(OsReleaseFiles()));
}
BENCHMARK(BM_OsReleaseProductName);

// A desktop with a default browser: two helper programs per probe.
void BM_DefaultBrowserProbe(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString browser = script(dir, "firefox-esr", "echo 'Mozilla Firefox 115.6.0esr'");
    QFile desktop(dir.filePath("firefox-esr.desktop"));
    if (desktop.open(QIODevice::WriteOnly))
        desktop.write("[Desktop Entry]\nName=Firefox ESR\nExec=" + browser.toUtf8() + " %u\n");
    desktop.close();
    BrowserProbe probe;
    probe.defaultDesktopIdCommand = {script(dir, "xdg-settings", "echo firefox-esr.desktop")};
    probe.applicationDirectories = {dir.path()};
    probe.alternativeLink = dir.filePath("none");
    for (auto _ : state) {
        const BrowserIdentity found = FindDefaultBrowser(probe);
        if (!found.isKnown())
            state.SkipWithError("browser not found");
    }
}
BENCHMARK(BM_DefaultBrowserProbe)->Unit(benchmark::kMillisecond);

// This machine as it is (on a build machine usually no browser at all).
void BM_SystemBrowserProbe(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(FindDefaultBrowser());
}
BENCHMARK(BM_SystemBrowserProbe)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
