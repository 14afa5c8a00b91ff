// Peak memory of measuring one downloaded page of N MB, as a page check does
// it (lines, text length, the date, a converted copy for UTF-8 pages), each
// size in a fresh child process so that one measurement cannot lend memory
// to the next. Also the older way (all lines copied, then converted) for
// comparison. Run: bench_pagememory [MB …]
#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagecharset.h"
#include "kontrola/pagelines.h"
#include "kontrola/pagemeasure.h"
#include "platform/clock.h"
#include "text/cp1250.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Written in small pieces: the page never sits whole in this process
// before the measurement starts.
bool writePage(const QString& path, qint64 bytes, bool utf8)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString line =
        QStringLiteral("<tr><td>Obwieszczenie z dnia %1 września 2026 r. o środowisku</td>"
                       "<td>2026-03-%2</td></tr>\r\n");
    for (qint64 written = 0, i = 0; written < bytes; ++i) {
        const QString text = line.arg(1 + i % 28).arg(10 + i % 18);
        const QByteArray piece = utf8 ? text.toUtf8() : cp1250::fromUnicode(text);
        file.write(piece);
        written += piece.size();
    }
    return true;
}

enum class Way { Now, Before };

void measureInChild(int megabytes, bool utf8, Way way)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child != 0) {
        int status = 0;
        waitpid(child, &status, 0);
        return;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plik_1.tmp"));
    if (!writePage(path, qint64(megabytes) * 1024 * 1024, utf8))
        std::_Exit(1);
    const QString contentType = utf8 ? QStringLiteral("text/html; charset=utf-8")
                                     : QStringLiteral("text/html; charset=windows-1250");
    Clock::pin(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    const long before = peakKiB();
    bool found = false;
    if (way == Way::Now) {
        found = MeasurePageFile(path, contentType).dateFound;
    } else {
        const QList<QByteArray> lines = ReadPageLines(path);
        double date = 0;
        found =
            PageTextLength(lines) > 0 && FindNewestDate(LinesAsCp1250(lines, contentType), 1, date);
    }
    const long after = peakKiB();
    std::printf("%-7s %-12s %4d MB page: peak RSS %7.1f MB (%.1f MB above the process before; %.2f "
                "x the page)%s\n",
                way == Way::Now ? "now" : "before", utf8 ? "UTF-8" : "Windows-1250", megabytes,
                after / 1024.0, (after - before) / 1024.0, (after - before) / 1024.0 / megabytes,
                found ? "" : " [no date?]");
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv)
{
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << std::atoi(argv[i]);
    if (sizes.isEmpty())
        sizes = {10, 30};
    for (const int mb : sizes)
        for (const bool utf8 : {false, true})
            for (const Way way : {Way::Before, Way::Now})
                measureInChild(mb, utf8, way);
    return 0;
}
