#include "powiadomienia/runnotifier.h"

#include "konfig/settings.h"
#include "platform/clock.h"
#include "platform/livethreads.h"
#include "raport/runreport.h"

#include <QThread>

#include <memory>

namespace powiadomienia {

SmtpAccount AccountFromSettings(const Settings& settings)
{
    return {settings.smtpUrl.trimmed(), settings.smtpUser.trimmed(), settings.smtpPassword};
}

QString SentLine(MailKind kind, const MailMessage& message)
{
    const QString to = message.to.join(QStringLiteral(", "));
    return kind == MailKind::Summary ? QStringLiteral("Podsumowanie kontroli wysłane e-mailem do: %1").arg(to)
                                     : QStringLiteral("Wiadomość testowa wysłana do: %1").arg(to);
}

QString FailedLine(MailKind kind, const QString& error)
{
    return kind == MailKind::Summary
               ? QStringLiteral("Nie udało się wysłać podsumowania kontroli e-mailem: %1").arg(error)
               : QStringLiteral("Nie udało się wysłać wiadomości testowej: %1").arg(error);
}

RunNotifier::RunNotifier(const QString& dataDirectory, const dbf::DbfTable& table, RunReport& report,
                         const Settings& settings, QObject* parent)
    : QObject(parent), m_directory(dataDirectory), m_table(table), m_report(report), m_settings(settings),
      m_lines(report)
{
}

std::optional<PreparedMail> RunNotifier::prepare(RunOutcome outcome, bool aborted)
{
    const QList<qint32> updated = m_lines.updated();
    const QList<qint32> failed = m_lines.failed();
    m_lines.clear();
    const std::optional<RunEnding> ending = EndingOf(outcome, aborted);
    if (!m_settings.notify || !ending)
        return std::nullopt;
    const RunSummary summary = CollectRunSummary(m_directory, m_table, updated, failed, m_settings.failingChecks,
                                                 *ending, Clock::now());
    return PreparedMail{AccountFromSettings(m_settings),
                        MessageFromSettings(m_settings, SummarySubject(summary), SummaryBody(summary))};
}

void RunNotifier::logResult(const PreparedMail& mail, const SendResult& result)
{
    if (result.sent)
        m_report.LogEvent(SentLine(MailKind::Summary, mail.message));
    else
        m_report.LogEvent(FailedLine(MailKind::Summary, result.error));
}

SendResult RunNotifier::sendNow(const PreparedMail& mail)
{
    const SendResult result = SendMail(mail.account, mail.message);
    logResult(mail, result);
    Q_EMIT sent(result.sent);
    return result;
}

void RunNotifier::sendInBackground(const PreparedMail& mail)
{
    auto result = std::make_shared<SendResult>();
    QThread* thread = QThread::create([mail, result] {
        *result = SendMail(mail.account, mail.message);
        LiveThreads::finished();
    });
    thread->setObjectName(QStringLiteral("RunSummaryMail"));
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // Queued to this object: gone with it when the window closes first.
    connect(thread, &QThread::finished, this, [this, mail, result] {
        --m_inFlight;
        logResult(mail, *result);
        Q_EMIT sent(result->sent);
    });
    ++m_inFlight;
    LiveThreads::started();
    thread->start();
}

} // namespace powiadomienia
