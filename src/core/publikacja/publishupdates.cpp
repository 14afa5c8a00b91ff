#include "publikacja/publishupdates.h"

#include "baza/baza.h"
#include "internet/checkconnection.h"
#include "konfig/settings.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "publikacja/ftp/transferlist.h"
#include "publikacja/publishcalendar.h"
#include "publikacja/publishfeed.h"
#include "publikacja/publishprogress.h"
#include "raport/runreport.h"
#include "raport/runtexts.h"

#include <QFile>

namespace publikacja {
namespace {

// Shows the grid again however the procedure ends.
class GridHidden
{
public:
    explicit GridHidden(PublishProgress& progress) : m_progress(progress)
    {
        m_progress.setGridVisible(false);
    }
    ~GridHidden()
    {
        m_progress.setCaption(PublicationEndCaption());
        m_progress.setGridVisible(true);
    }
    GridHidden(const GridHidden&) = delete;
    GridHidden& operator=(const GridHidden&) = delete;

private:
    PublishProgress& m_progress;
};

class ReportSteps : public PublishSteps
{
public:
    ReportSteps(RunReport& report, PublishProgress& progress) : m_report(report), m_progress(progress) {}
    void caption(const QString& text) override { m_progress.setCaption(text); }
    void logEvent(const QString& text) override { m_report.LogEvent(text); }

private:
    RunReport& m_report;
    PublishProgress& m_progress;
};

// Only what publication reads; the copy belongs to one publication.
std::shared_ptr<const Settings> publicationSettings(const Settings& s)
{
    auto copy = std::make_shared<Settings>();
    copy->removeOlderEntries = s.removeOlderEntries;
    copy->limitEntries = s.limitEntries;
    copy->entryCountText = s.entryCountText;
    copy->entryCountPosition = s.entryCountPosition;
    copy->host = s.host;
    copy->directory = s.directory;
    copy->user = s.user;
    copy->password = s.password;
    copy->atom = s.atom;
    copy->ical = s.ical;
    return copy;
}

bool stopAsked(const std::atomic_bool* stop)
{
    return stop && stop->load();
}

} // namespace

QString LocalListPath(const baza::Baza& baza)
{
    return baza.directory() + QStringLiteral("wykaz.txt");
}

QString PublicationEndCaption()
{
    return QStringLiteral("Przetwarzanie. Czekaj ...");
}

PublishInput TakePublishInput(baza::Baza& baza, const Settings& settings)
{
    PublishInput input;
    input.dataDirectory = baza.directory();
    input.marked = MarkedRecords(baza.table());
    if (settings.ical)
        input.recordsByPage = ogloszenia::RecordsOfPages(baza.table());
    input.settings = publicationSettings(settings);
    input.now = Clock::now();
    return input;
}

PublishOutcome RunPublication(const PublishInput& input, PublishSteps& steps, const std::atomic_bool* stop)
{
    const QString path = input.dataDirectory + QStringLiteral("wykaz.txt");
    const Settings& settings = *input.settings;
    const auto log = [&steps](const QString& line) { steps.logEvent(line); };
    PublishOutcome outcome;

    // Ends a stopped publication: what the server holds now, and no copy left.
    const auto stopped = [&](const QString& text) {
        steps.logEvent(text);
        if (QFile::exists(path))
            QFile::remove(path);
        outcome.stopped = true;
        return outcome;
    };
    const QString listUntouched = QStringLiteral("Publikacja przerwana. Wykaz na serwerze nie został zmieniony.");

    if (stopAsked(stop))
        return stopped(listUntouched);
    // A failed download is already in the event log. Only a server that
    // said it has no list lets this publication start a new one.
    steps.caption(QStringLiteral("Pobieranie pliku z serwera. Czekaj..."));
    const TransferOutcome fetched = TransferList(path, TransferDirection::Download, settings, log, stop);
    if (fetched.stopped || stopAsked(stop))
        return stopped(listUntouched);
    const bool mayReplace = fetched.success || fetched.remoteFileMissing;

    steps.caption(QStringLiteral("Usuwanie starych wpisów w pliku. Czekaj..."));
    if (QFile::exists(path))
        RemoveOlderEntries(path, input.marked, settings);

    steps.caption(QStringLiteral("Dopisywanie danych do pliku. Czekaj..."));
    outcome.appended = AppendEntries(path, input.marked).count;

    if (outcome.appended == 0) {
        steps.logEvent(QStringLiteral("Nie zaznaczono żadnego rekordu do aktualizacji na serwerze."));
    } else {
        steps.caption(QStringLiteral("Skracanie pliku. Czekaj..."));
        ShortenList(path, settings);
        if (stopAsked(stop))
            return stopped(listUntouched);
        steps.caption(QStringLiteral("Wysyłanie pliku na serwer. Czekaj..."));
        // A list that may be on the server but could not be read (refused
        // login, missing directory, broken or timed-out download) must not
        // be replaced by this publication's entries alone: its history
        // would be lost. The marks stay, so the next publication sends them.
        if (!mayReplace) {
            steps.logEvent(QStringLiteral("Wykaz na serwerze nie został zastąpiony, bo nie udało się go pobrać."));
        } else {
            const TransferOutcome sent = TransferList(path, TransferDirection::Upload, settings, log, stop);
            if (sent.stopped)
                return stopped(sent.renameUnsure
                                   ? QStringLiteral("Publikacja przerwana w chwili zamiany wykazu na serwerze: "
                                                    "jest tam cały, poprzedni albo nowy.")
                                   : listUntouched);
            outcome.sent = sent.success;
        }
        // The feed follows the list: it tells what the list now holds.
        outcome.feedWanted = settings.atom;
        if (outcome.sent && settings.atom) {
            const QString feedUntouched =
                QStringLiteral("Publikacja przerwana po wysłaniu wykazu. Kanał Atom na serwerze nie został zmieniony.");
            if (stopAsked(stop))
                return stopped(feedUntouched);
            steps.caption(QStringLiteral("Wysyłanie kanału Atom. Czekaj..."));
            bool feedStopped = false;
            outcome.feedSent =
                PublishFeed(input.marked, input.dataDirectory, settings, log, input.now, stop, &feedStopped);
            if (feedStopped)
                return stopped(feedUntouched);
        }
    }

    // The calendar tells the deadlines, not the marks: it goes whenever the
    // server answered, also when no record was marked.
    if (settings.ical && mayReplace) {
        const QString calendarUntouched =
            (outcome.sent ? QStringLiteral("Publikacja przerwana po wysłaniu wykazu.")
                          : QStringLiteral("Publikacja przerwana.")) +
            QStringLiteral(" Kalendarz terminów na serwerze nie został zmieniony.");
        if (stopAsked(stop))
            return stopped(calendarUntouched);
        steps.caption(QStringLiteral("Wysyłanie kalendarza terminów. Czekaj..."));
        bool calendarStopped = false;
        outcome.calendarSent = PublishCalendar(input.recordsByPage, input.dataDirectory, settings, log,
                                               input.now.date(), stop, &calendarStopped);
        if (calendarStopped)
            return stopped(calendarUntouched);
    }

    if (QFile::exists(path))
        QFile::remove(path);
    return outcome;
}

PublishOutcome PublishUpdates(baza::Baza& baza, const Settings& settings, RunReport& report,
                              PublishProgress& progress)
{
    GridHidden hidden(progress);
    const PublishInput input = TakePublishInput(baza, settings);
    ReportSteps steps(report, progress);
    return RunPublication(input, steps, nullptr);
}

bool MayPublish(baza::Baza& baza, bool runActive, RunReport& report, Dialogs& dialogs)
{
    if (!baza.table().isOpen() || baza.table().isEmpty()) {
        dialogs.message(QStringLiteral("Brak danych do wysyłki w bazie"));
        return false;
    }
    if (runActive) {
        dialogs.message(RunActiveText());
        return false;
    }
    if (!CheckConnection()) {
        report.LogEvent(NoConnectionText());
        return false;
    }
    return true;
}

PublishOutcome PublishCommand(baza::Baza& baza, bool runActive, const Settings& settings,
                              RunReport& report, PublishProgress& progress, Dialogs& dialogs)
{
    if (!MayPublish(baza, runActive, report, dialogs))
        return {};
    return PublishUpdates(baza, settings, report, progress);
}

} // namespace publikacja
