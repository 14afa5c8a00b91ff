// run: a monitoring run without a window, through the same run controller
// as the program's start button.
#include "command.h"
#include "registeraccess.h"
#include "scheduledrun.h"

#include "baza/baza.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "konfig/timelimits.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/livethreads.h"
#include "powiadomienia/runnotifier.h"
#include "przebieg/afterrun.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <optional>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

std::atomic<int> interrupts{0};

// How long the end of a run waits for a history another program holds.
constexpr int kHistoryWaitMs = 30000;

extern "C" void onInterrupt(int)
{
    interrupts.fetch_add(1);
}

// The start question is answered by --continue or --new; without either the
// command stops there and changes nothing more. An error that stopped the
// run (the general error box of the window) ends the command with it.
class CliDialogs : public Dialogs
{
public:
    CliDialogs(QTextStream& err, Answer answer) : m_err(err), m_answer(answer) {}

    QString failure;

    void message(const QString& text) override { m_err << text << "\n"; }
    Answer question(const QString&, Buttons) override { return m_answer; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&) override { return {}; }
    void error(const QString& text) override
    {
        if (failure.isEmpty())
            failure = text;
    }

private:
    QTextStream& m_err;
    Answer m_answer;
};

QStringList allowedTimeLimits()
{
    QStringList allowed{QStringLiteral("0")};
    for (const konfig::TimeLimit& limit : konfig::kTimeLimits)
        allowed << QString::number(limit.seconds);
    return allowed;
}

int timeLimitIndex(const QString& seconds)
{
    if (seconds == QLatin1String("0"))
        return -1;
    const QStringList allowed = allowedTimeLimits();
    const int index = allowed.contains(seconds) ? konfig::TimeLimitIndexOfSeconds(seconds.toInt()) : -1;
    if (index < 0) {
        QStringList choices = allowed;
        const QString last = choices.takeLast();
        throw UsageError{QStringLiteral("--time-limit przyjmuje %1 lub %2, a nie \"%3\"")
                             .arg(choices.join(QStringLiteral(", ")), last, seconds)};
    }
    return index;
}

class Progress
{
public:
    Progress(QTextStream& err, const RunController& run) : m_err(err), m_run(run)
    {
#ifdef Q_OS_UNIX
        m_terminal = ::isatty(STDERR_FILENO);
#endif
    }

    void show(int g, int n)
    {
        const QString line = QStringLiteral("[%1/%2] %3%  %4  pozostało %5")
                                 .arg(g)
                                 .arg(n)
                                 .arg(g * 100 / qMax(1, n))
                                 .arg(m_run.nazwaGminy(), m_run.czas2());
        if (m_terminal)
            m_err << "\r\033[K" << line;
        else
            m_err << line << "\n";
        m_err.flush();
        m_shown = true;
    }

    void finish()
    {
        if (m_terminal && m_shown)
            m_err << "\n";
        m_err.flush();
    }

private:
    QTextStream& m_err;
    const RunController& m_run;
    bool m_terminal = false;
    bool m_shown = false;
};

void printList(QTextStream& out, const QString& title, const QStringList& lines)
{
    out << title << " (" << lines.size() << "):\n";
    for (const QString& line : lines)
        out << "  " << line << "\n";
}

int runRun(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    QString limit;
    const bool limitGiven = TakeOption(args, QStringLiteral("--time-limit"), &limit);
    const bool continuePass = TakeFlag(args, QStringLiteral("--continue"));
    const bool newPass = TakeFlag(args, QStringLiteral("--new"));
    QString jobs;
    const bool jobsGiven = TakeOption(args, QStringLiteral("--jobs"), &jobs);
    QString hostDelay;
    const bool hostDelayGiven = TakeOption(args, QStringLiteral("--host-delay"), &hostDelay);
    const bool notifyRequired = TakeFlag(args, QStringLiteral("--notify-required"));
    const bool scheduled = TakeFlag(args, QStringLiteral("--scheduled"));
    QString wait;
    const bool waitGiven = TakeOption(args, QStringLiteral("--wait"), &wait);
    RequireNoMoreArguments(args, 0);
    if (continuePass && newPass)
        throw UsageError{QStringLiteral("--continue i --new wykluczają się")};

    Settings settings;
    LoadCommandSettings(c, settings, QStringLiteral("run"));
    if (limitGiven)
        settings.timeLimitIndex = timeLimitIndex(limit);
    if (jobsGiven) {
        bool ok = false;
        const int n = jobs.toInt(&ok);
        if (!ok || n < konfig::kMinJobs || n > konfig::kMaxJobs)
            throw UsageError{QStringLiteral("--jobs przyjmuje liczbę od %1 do %2, a nie \"%3\"")
                                 .arg(konfig::kMinJobs)
                                 .arg(konfig::kMaxJobs)
                                 .arg(jobs)};
        settings.jobs = n;
    }
    if (hostDelayGiven) {
        bool ok = false;
        const double seconds = hostDelay.toDouble(&ok);
        // Written so that "nan" and "inf", which toDouble accepts, are refused too.
        if (!ok || !(seconds >= 0 && seconds * 1000 <= konfig::kMaxHostDelayMs))
            throw UsageError{QStringLiteral("--host-delay przyjmuje liczbę sekund od 0 do %1, a nie \"%2\"")
                                 .arg(konfig::kMaxHostDelayMs / 1000)
                                 .arg(hostDelay)};
        settings.hostDelayMs = int(seconds * 1000 + 0.5);
    }
    int waitSeconds = 3600;
    if (waitGiven) {
        bool ok = false;
        waitSeconds = wait.toInt(&ok);
        if (!ok || waitSeconds < 0 || !scheduled)
            throw UsageError{scheduled ? QStringLiteral("--wait przyjmuje liczbę sekund, a nie \"%1\"").arg(wait)
                                       : QStringLiteral("--wait działa tylko z --scheduled")};
    }

    // The timer's run: waits for the window or another command, and
    // starts a new pass unless told to continue.
    std::optional<ScheduledRun> scheduledRun;
    if (scheduled) {
        scheduledRun.emplace(c, settings);
        if (!scheduledRun->AwaitTurn(waitSeconds))
            return 0;
    }

    baza::Baza b(c.dataDir);
    RequireRegisterFile(b);
    b.OpenTable();

    RunReport report;
    for (const QString& line : std::as_const(settings.corrections))
        report.LogEvent(line);
    CliDialogs dialogs(c.err, continuePass ? Dialogs::Answer::Yes : newPass || scheduled ? Dialogs::Answer::No : Dialogs::Answer::Cancel);
    RunController run(b, report, settings, dialogs);
    powiadomienia::RunNotifier notifier(b.directory(), b.table(), report, settings);
    Progress progress(c.err, run);
    QObject::connect(&run, &RunController::recordDispatched, &run, [&progress](int g, int n) { progress.show(g, n); });

    QEventLoop loop;
    bool ended = false;
    QObject::connect(&run, &RunController::runEnded, &loop, [&ended] { ended = true; });

    // Ctrl-C stops the run as the button would; the page in flight is
    // still stored. A second Ctrl-C leaves at once.
    interrupts = 0;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    bool stopped = false;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (interrupts > 0 && !stopped && run.active()) {
            stopped = true;
            run.Stop();
        }
        if (interrupts > 1 || !dialogs.failure.isEmpty() ||
            (ended && LiveThreads::count() == 0))
            loop.quit();
    });
    watch.start();

    run.Start();
    if (!ended || LiveThreads::count() > 0)
        loop.exec();
    watch.stop();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    progress.finish();

    if (!dialogs.failure.isEmpty()) {
        c.err << "ekowarta-cli run: " << dialogs.failure << "\n";
        if (scheduledRun)
            scheduledRun->Failed(dialogs.failure);
        return 1;
    }
    if (run.outcome() == RunOutcome::Refused) {
        c.err << "ekowarta-cli run: część stron nie została jeszcze przeanalizowana; podaj --continue "
                 "(dokończ przerwaną analizę) albo --new (zacznij od nowa)\n";
        return 1;
    }

    // Results kept back while another program held the history: without a
    // window to keep alive, the command may wait for the file a while.
    if (run.waitingHistory() > 0 && !run.WriteWaitingHistory(kHistoryWaitMs))
        report.LogEvent(QStringLiteral("Nie zapisano w historii stron %1 kontroli: plik historii był zajęty przez "
                                       "inny program do końca kontroli")
                            .arg(run.waitingHistory()));

    AfterRun(b.directory(), b.table(), report, run.outcome(), run.aborted(), Clock::now().date());

    // The summary goes before the lists are printed, so that the event log
    // below tells whether it went. It is made from the register, but sent
    // once the register is let go (after a scheduled publication, which
    // needs it): a mail server that keeps us waiting keeps nobody else
    // from the register.
    const std::optional<powiadomienia::PreparedMail> mail = notifier.prepare(run.outcome(), run.aborted());
    if (!mail && notifyRequired && !settings.notify)
        report.LogEvent(QStringLiteral("Powiadomienia są wyłączone w konfiguracji: podsumowanie nie zostało wysłane."));
    if (scheduledRun)
        scheduledRun->Publish(b, run, report, settings);
    b.table().close();
    const bool notified = mail && notifier.sendNow(*mail).sent;
    if (scheduledRun)
        scheduledRun->Finish(run, report, notified);

    printList(c.out, QStringLiteral("Lista błędnych stron"), report.errorLines());
    printList(c.out, QStringLiteral("Lista stron zaktualizowanych"), report.updatedLines());
    QStringList events = report.events();
    std::reverse(events.begin(), events.end());
    printList(c.out, QStringLiteral("Dziennik zdarzeń"), events);

    switch (run.outcome()) {
    case RunOutcome::Offline: return 2;
    case RunOutcome::Stopped: return 130;
    case RunOutcome::WriteFailed: return 4;
    case RunOutcome::NoData: return 0; // no run, so no summary was due
    case RunOutcome::Finished:
    case RunOutcome::Refused: break;
    }
    // Interrupted after the last record was taken: its checks were still
    // awaited, so the run did not end by itself.
    if (interrupts > 0)
        return 130;
    return notifyRequired && !notified ? 3 : 0;
}

CommandRegistration reg({
    QStringLiteral("run"),
    QStringLiteral("run [--time-limit ") + allowedTimeLimits().join(QLatin1Char('|')) +
        QStringLiteral("] [--continue | --new] [--jobs N] [--host-delay SEKUNDY] [--notify-required] [--scheduled [--wait SEKUNDY]]"),
    QStringLiteral("Kontrola stron wszystkich rekordów, jak przycisk startu programu.\n"
                   "--time-limit  maksymalny czas kontroli jednej strony w sekundach (0: bez limitu);\n"
                   "              domyślnie z config.ini\n"
                   "--continue    dokończ przerwaną analizę (gdy część stron nie jest sprawdzona)\n"
                   "--new         zacznij analizę od nowa\n"
                   "--jobs N      liczba jednocześnie sprawdzanych stron, 1-16 (domyślnie z config.ini, 1)\n"
                   "--host-delay  najkrótsza przerwa w sekundach między zapytaniami do jednego serwera\n"
                   "              przy kilku stronach naraz (domyślnie z config.ini, 1)\n"
                   "--notify-required  kod wyjścia 3, gdy podsumowania nie udało się wysłać e-mailem\n"
                   "              (lub powiadomienia są wyłączone); bez tej opcji to tylko wpis w dzienniku\n"
                   "--scheduled   kontrola zaplanowana (tak uruchamia ją licznik systemd, zob. schedule):\n"
                   "              nowa analiza (chyba że --continue), czeka, póki rejestr jest otwarty w oknie\n"
                   "              programu lub zajęty albo nie ma połączenia (--wait, domyślnie 3600 s),\n"
                   "              po kontroli publikuje, gdy tak ustawiono, a wynik zapisuje w harmonogram.txt\n"
                   "Po kontroli zapisuje w katalogu danych kalendarz terminów uwag terminy.ics.\n"
                   "Postęp na stderr; na końcu lista błędnych stron, lista stron zaktualizowanych\n"
                   "i dziennik zdarzeń (od najstarszego). Ctrl-C zatrzymuje kontrolę (można ją dokończyć).\n"
                   "Kod wyjścia: 0 przebieg zakończony, 2 brak połączenia z Internetem,\n"
                   "4 na dysku tego komputera nie można zapisać wyników (np. brak miejsca; kontrolę\n"
                   "można dokończyć z --continue), 130 przerwano, 3 podsumowanie niewysłane\n"
                   "(z --notify-required), 1 inny błąd."),
    runRun,
});

} // namespace
