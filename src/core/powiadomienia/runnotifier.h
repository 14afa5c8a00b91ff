#pragma once

#include "powiadomienia/runsummary.h"
#include "powiadomienia/smtpsend.h"
#include "przebieg/runoutcome.h"

#include <QObject>
#include <QString>

#include <optional>

class RunReport;
class Settings;
namespace dbf {
class DbfTable;
}

namespace powiadomienia {

// A message ready to go, with everything taken from the register and the
// settings on the main thread.
struct PreparedMail
{
    SmtpAccount account;
    MailMessage message;
};

SmtpAccount AccountFromSettings(const Settings& settings);

// The event log's lines for the outcome of a send.
enum class MailKind { Summary, Test };
QString SentLine(MailKind kind, const MailMessage& message);
QString FailedLine(MailKind kind, const QString& error);

// The summary e-mail after every run, for the window and the command line.
// It gathers the run's report lines while the run goes; at its end it
// builds the message and sends it. A failure is a line in the event log;
// nothing is written into the register.
class RunNotifier : public QObject
{
    Q_OBJECT
public:
    RunNotifier(const QString& dataDirectory, const dbf::DbfTable& table, RunReport& report,
                const Settings& settings, QObject* parent = nullptr);

    // The message for a run that ended so; nullopt when notifications are
    // off or no run took place. Forgets the run's lines either way.
    std::optional<PreparedMail> prepare(RunOutcome outcome, bool aborted);

    // Blocks until the server answered; logs the outcome.
    SendResult sendNow(const PreparedMail& mail);
    // Sends on a thread of its own, so that the window is not held; the
    // outcome is logged (and sent emitted) on this object's thread.
    void sendInBackground(const PreparedMail& mail);
    int sendsInFlight() const { return m_inFlight; }

Q_SIGNALS:
    void sent(bool success);

private:
    void logResult(const PreparedMail& mail, const SendResult& result);

    QString m_directory;
    const dbf::DbfTable& m_table;
    RunReport& m_report;
    const Settings& m_settings;
    RunLines m_lines;
    int m_inFlight = 0;
};

} // namespace powiadomienia
