// Reading linked documents: a 5 MB PDF of text end to end through
// ReadDocument (goal: at most 1 s), and the reader program's peak memory on
// the hostile documents of the tests (goal: at most 200 MB). The documents
// are made first by tests/dokumenty/makedocs.py.
#include "dokumenty/documentreader.h"
#include "support/testdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <spawn.h>
#include <unistd.h>

using dokumenty::DocumentText;
using dokumenty::DocumentType;

namespace {

QTemporaryDir& Documents()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        const QString script = testdata::sourcePath(QStringLiteral("tests/dokumenty/makedocs.py"));
        bool ok = QProcess::execute(QStringLiteral("/usr/bin/python3"), {script, dir.path()}) == 0;
        ok = ok && QProcess::execute(QStringLiteral("/usr/bin/python3"), {script, dir.path(), "big", "5"}) == 0;
        if (!ok)
            std::fprintf(stderr, "makedocs.py failed\n");
        return ok;
    }();
    (void)made;
    return dir;
}

void BM_ReadTextPdf5MB(benchmark::State& state)
{
    const QByteArray pdf = testdata::readAll(Documents().filePath(QStringLiteral("duzy.pdf")));
    DocumentText read;
    for (auto _ : state) {
        read = dokumenty::ReadDocument(pdf, DocumentType::Pdf);
        benchmark::DoNotOptimize(read.text);
    }
    if (read.outcome != DocumentText::Outcome::Text)
        state.SkipWithError(read.reason.toUtf8().constData());
    state.counters["file_MB"] = double(pdf.size()) / (1 << 20);
    state.counters["pages"] = read.pages;
    state.counters["text_MB"] = double(read.text.toUtf8().size()) / (1 << 20);
    state.SetBytesProcessed(state.iterations() * pdf.size());
}
BENCHMARK(BM_ReadTextPdf5MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The reader run on one file as ReadDocument runs it, with the peak
// resident memory of that one child from wait4. Linux counts into it the
// high-water mark of the memory the child had before exec (this program's,
// some 30 MB), so a figure at that floor means "at most that".
struct Measured
{
    int status = 0;
    long peakKilobytes = 0;
};

Measured RunReader(const QByteArray& bytes, const char* type)
{
    const QByteArray program = dokumenty::ReaderProgramPath().toLocal8Bit();
    const QByteArray size = QByteArray::number(bytes.size());
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("--type"), const_cast<char*>(type),
                    const_cast<char*>("--input-bytes"), const_cast<char*>(size.constData()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (spawned != 0)
        return {};
    // The reader reads all before it writes: feed it, then drain.
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t n = write(in[1], bytes.constData() + at, size_t(bytes.size() - at));
        if (n <= 0)
            break;
        at += n;
    }
    close(in[1]);
    char sink[65536];
    while (read(out[0], sink, sizeof sink) > 0) {
    }
    close(out[0]);
    Measured m;
    rusage usage{};
    wait4(pid, &m.status, 0, &usage);
    m.peakKilobytes = usage.ru_maxrss;
    return m;
}

void BM_HostilePeakMemory(benchmark::State& state, const char* file, const char* type)
{
    const QByteArray bytes = testdata::readAll(Documents().filePath(QString::fromLatin1(file)));
    Measured m;
    for (auto _ : state)
        m = RunReader(bytes, type);
    state.counters["peak_MB"] = double(m.peakKilobytes) / 1024.0;
    state.counters["exit"] = WIFEXITED(m.status) ? WEXITSTATUS(m.status) : -WTERMSIG(m.status);
}
BENCHMARK_CAPTURE(BM_HostilePeakMemory, pdf_deflate_bomb, "bomba.pdf", "pdf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HostilePeakMemory, pdf_2000_pages, "strony.pdf", "pdf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HostilePeakMemory, docx_zip_bomb, "bomba.docx", "docx")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HostilePeakMemory, odt_zip_bomb, "bomba.odt", "odt")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HostilePeakMemory, docx_dtd, "dtd.docx", "docx")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HostilePeakMemory, rtf_nesting, "zagniezdzony.rtf", "rtf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HostilePeakMemory, text_pdf_5MB, "duzy.pdf", "pdf")->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
