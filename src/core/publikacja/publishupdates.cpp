#include "publikacja/publishupdates.h"

#include "baza/baza.h"
#include "internet/checkconnection.h"
#include "konfig/settings.h"
#include "platform/dialogs.h"
#include "platform/clock.h"
#include "publikacja/ftp/transferlist.h"
#include "publikacja/publishcalendar.h"
#include "publikacja/publishfeed.h"
#include "publikacja/publishprogress.h"
#include "publikacja/updatelist.h"
#include "raport/runtexts.h"
#include "raport/runreport.h"

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
        m_progress.setCaption(QStringLiteral("Przetwarzanie. Czekaj ..."));
        m_progress.setGridVisible(true);
    }
    GridHidden(const GridHidden&) = delete;
    GridHidden& operator=(const GridHidden&) = delete;

private:
    PublishProgress& m_progress;
};

} // namespace

QString LocalListPath(const baza::Baza& baza)
{
    return baza.directory() + QStringLiteral("wykaz.txt");
}

PublishOutcome PublishUpdates(baza::Baza& baza, const Settings& settings, RunReport& report,
                              PublishProgress& progress)
{
    const QString path = LocalListPath(baza);
    dbf::DbfTable& table = baza.table();
    PublishOutcome outcome;
    GridHidden hidden(progress);

    // A failed download is already in the event log. Only a server that
    // said it has no list lets this publication start a new one.
    progress.setCaption(QStringLiteral("Pobieranie pliku z serwera. Czekaj..."));
    bool serverListMissing = false;
    const bool fetched = TransferList(path, TransferDirection::Download, settings, report, &serverListMissing);
    const bool mayReplace = fetched || serverListMissing;

    progress.setCaption(QStringLiteral("Usuwanie starych wpisów w pliku. Czekaj..."));
    if (QFile::exists(path))
        RemoveOlderEntries(path, table, settings);

    progress.setCaption(QStringLiteral("Dopisywanie danych do pliku. Czekaj..."));
    outcome.appended = AppendEntries(path, table).count;

    if (outcome.appended == 0) {
        report.LogEvent(QStringLiteral("Nie zaznaczono żadnego rekordu do aktualizacji na serwerze."));
    } else {
        progress.setCaption(QStringLiteral("Skracanie pliku. Czekaj..."));
        ShortenList(path, settings);
        progress.setCaption(QStringLiteral("Wysyłanie pliku na serwer. Czekaj..."));
        // A list that may be on the server but could not be read (refused
        // login, missing directory, broken or timed-out download) must not
        // be replaced by this publication's entries alone: its history
        // would be lost. The marks stay, so the next publication sends them.
        if (!mayReplace)
            report.LogEvent(QStringLiteral("Wykaz na serwerze nie został zastąpiony, bo nie udało się go pobrać."));
        else
            outcome.sent = TransferList(path, TransferDirection::Upload, settings, report);
        // The feed follows the list: it tells what the list now holds.
        if (outcome.sent && settings.atom) {
            progress.setCaption(QStringLiteral("Wysyłanie kanału Atom. Czekaj..."));
            outcome.feedSent = PublishFeed(table, baza.directory(), settings, report, Clock::now());
        }
    }

    // The calendar tells the deadlines, not the marks: it goes whenever the
    // server answered, also when no record was marked.
    if (settings.ical && mayReplace) {
        progress.setCaption(QStringLiteral("Wysyłanie kalendarza terminów. Czekaj..."));
        outcome.calendarSent = PublishCalendar(table, baza.directory(), settings, report, Clock::now().date());
    }

    if (QFile::exists(path))
        QFile::remove(path);
    return outcome;
}

PublishOutcome PublishCommand(baza::Baza& baza, bool runActive, const Settings& settings,
                              RunReport& report, PublishProgress& progress, Dialogs& dialogs)
{
    if (!baza.table().isOpen() || baza.table().isEmpty()) {
        dialogs.message(QStringLiteral("Brak danych do wysyłki w bazie"));
        return {};
    }
    if (runActive) {
        dialogs.message(RunActiveText());
        return {};
    }
    if (!CheckConnection()) {
        report.LogEvent(NoConnectionText());
        return {};
    }
    return PublishUpdates(baza, settings, report, progress);
}

} // namespace publikacja
