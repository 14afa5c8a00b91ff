#pragma once

#include "powiadomienia/failingpages.h"
#include "ogloszenia/notice.h"
#include "powiadomienia/mailmessage.h"
#include "przebieg/runoutcome.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class RunReport;
class Settings;
namespace dbf {
class DbfTable;
}

// The message after a run: what the run found, from the register, the
// run's report lines and the page history.
namespace powiadomienia {

// How the run ended, for the first line of the message.
enum class RunEnding { Finished, Stopped, Aborted };

// Whether a run that ended so gets a message (one that never began does
// not), and how to call its end. aborted: the connection was lost during
// the run.
std::optional<RunEnding> EndingOf(RunOutcome outcome, bool aborted);

struct SummaryPage
{
    qint32 lp = 0;
    QString gmina, obszar, address, uwagi;
    int kod = 0;
    QStringList addedLines; // of the page's newest check, when it brought new text
};

// A notice first read by this run's check of an updated page.
struct SummaryNotice
{
    ogloszenia::Notice notice;
    qint32 lp = 0;
    QString gmina, obszar, address;
};

struct RunSummary
{
    RunEnding ending = RunEnding::Finished;
    QDateTime end;
    QDate today;                  // for the days left to comment
    QList<SummaryNotice> notices; // new ones, in the order of the updated pages
    QList<SummaryPage> updated;
    QList<SummaryPage> failed; // read errors and time-outs
    int failingChecks = 3;
    QList<FailingPageAlert> alerts;
    QString historyProblem; // the history could not be read
};

// Added lines shown per page at most; the rest are counted.
inline constexpr int kAddedLinesShown = 5;

// The records with the given LPs (of the report's updated and error lists),
// each once, in the order given.
RunSummary CollectRunSummary(const QString& dataDirectory, const dbf::DbfTable& table,
                             const QList<qint32>& updatedLps, const QList<qint32>& failedLps,
                             int failingChecks, RunEnding ending, const QDateTime& end);

// "Ekowarta: " + the counts, and the plain-text body: the new notices
// first, each with its deadline, then the pages that changed, the failed
// ones and the alerts.
QString SummarySubject(const RunSummary& summary);
QString SummaryBody(const RunSummary& summary);

// Sender and recipients from the settings, with the given subject and body.
MailMessage MessageFromSettings(const Settings& settings, const QString& subject, const QString& body);
MailMessage TestMessage(const Settings& settings, const QDateTime& now);

// The LPs of the lines the report gets during a run, so that the message
// tells this run's pages even when the window's lists hold earlier ones.
class RunLines : public QObject
{
    Q_OBJECT
public:
    explicit RunLines(RunReport& report, QObject* parent = nullptr);
    QList<qint32> updated() const { return m_updated; }
    QList<qint32> failed() const { return m_failed; }
    void clear();

private:
    QList<qint32> m_updated;
    QList<qint32> m_failed;
};

} // namespace powiadomienia
