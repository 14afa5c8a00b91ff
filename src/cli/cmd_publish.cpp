// publish: the publish button without a window, with the settings of the
// data directory's config.ini.
#include "command.h"
#include "registeraccess.h"

#include "baza/baza.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/dialogs.h"
#include "publikacja/publishprogress.h"
#include "publikacja/publishupdates.h"
#include "raport/runreport.h"

namespace {

// The publish button's message boxes become lines on stderr; it asks no
// questions.
class StderrDialogs : public Dialogs
{
public:
    explicit StderrDialogs(QTextStream& err) : m_err(err) {}
    void message(const QString& text) override { m_err << "ekowarta-cli publish: " << text << "\n"; }
    Answer question(const QString&, Buttons) override { return Answer::No; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&) override { return {}; }
    void error(const QString& text) override { message(text); }

private:
    QTextStream& m_err;
};

int runPublish(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 0);
    baza::Baza b(c.dataDir);
    // Exclusive, so that a running program that holds the register is
    // reported instead of having a second writer beside it.
    OpenRegister(b, Access::Write);

    Settings settings;
    LoadCommandSettings(c, settings, QStringLiteral("publish"));
    RunReport report;
    for (const QString& line : std::as_const(settings.corrections))
        report.LogEvent(line);
    publikacja::NoPublishProgress progress;
    StderrDialogs dialogs(c.err);
    // The event log is printed, oldest line first, also when a file error
    // ends the publication.
    struct PrintEventsAtExit
    {
        const RunReport& report;
        QTextStream& out;
        ~PrintEventsAtExit()
        {
            for (qsizetype i = report.events().size() - 1; i >= 0; --i)
                out << report.events()[i] << "\n";
        }
    } printEvents{report, c.out};
    const publikacja::PublishOutcome outcome =
        publikacja::PublishCommand(b, false, settings, report, progress, dialogs);
    b.table().close();
    return outcome.succeeded() ? 0 : 1;
}

CommandRegistration reg({
    QStringLiteral("publish"),
    QStringLiteral("publish"),
    QStringLiteral("Publikuje zaznaczone rekordy (kod 1, 2, 3) w pliku wykaz.txt na serwerze FTP z config.ini,\n"
                   "jak przycisk \"Dopisz rekordy do pliku i wyślij na serwer\". Wypisuje wiersze dziennika\n"
                   "zdarzeń, najstarszy pierwszy. Kod wyjścia 0, gdy plik wysłano (i kanał Atom, gdy jest\n"
                   "włączony); 1 w każdym innym razie."),
    runPublish,
});

} // namespace
