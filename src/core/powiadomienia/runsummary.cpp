#include "powiadomienia/runsummary.h"

#include "baza/fields.h"
#include "baza/checkcode.h"
#include "dbf/dbftable.h"
#include "historia/historystore.h"
#include "konfig/settings.h"
#include "ogloszenia/noticelist.h"
#include "raport/runreport.h"
#include "text/trimmedtext.h"

#include <QFile>
#include <QHash>
#include <QSet>

namespace powiadomienia {
namespace {

constexpr qsizetype kLineLength = 200;

QString shortened(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.size() > kLineLength ? trimmed.left(kLineLength) + QStringLiteral("…") : trimmed;
}

void addPage(QStringList& out, const SummaryPage& p)
{
    out << QStringLiteral("- %1, LP %2").arg(RecordName(p.gmina, p.obszar)).arg(p.lp);
    out << QStringLiteral("  %1").arg(p.address);
    out << QStringLiteral("  %1").arg(baza::KodShortText(p.kod));
}

} // namespace

std::optional<RunEnding> EndingOf(RunOutcome outcome, bool aborted)
{
    switch (outcome) {
    case RunOutcome::Finished: return RunEnding::Finished;
    case RunOutcome::Stopped:
    case RunOutcome::WriteFailed: return RunEnding::Stopped;
    case RunOutcome::Offline: return aborted ? std::optional(RunEnding::Aborted) : std::nullopt;
    case RunOutcome::NoData:
    case RunOutcome::Refused: break;
    }
    return std::nullopt;
}

RunSummary CollectRunSummary(const QString& dataDirectory, const dbf::DbfTable& table,
                             const QList<qint32>& updatedLps, const QList<qint32>& failedLps,
                             int failingChecks, RunEnding ending, const QDateTime& end)
{
    RunSummary s;
    s.ending = ending;
    s.end = end;
    s.today = end.date();
    s.failingChecks = failingChecks;
    if (!table.isOpen())
        return s;

    QHash<qint32, int> rowOfLp;
    for (int row = 0; row < table.recordCount(); ++row)
        rowOfLp.insert(table.integerAt(row, baza::LP), row);
    auto pagesOf = [&](const QList<qint32>& lps) {
        QList<SummaryPage> pages;
        QSet<qint32> seen;
        for (const qint32 lp : lps) {
            const auto row = rowOfLp.constFind(lp);
            if (row == rowOfLp.constEnd() || seen.contains(lp))
                continue; // deleted meanwhile
            seen.insert(lp);
            SummaryPage p;
            p.lp = lp;
            p.gmina = TrimmedText(table.textAt(*row, baza::Gmina));
            p.obszar = TrimmedText(table.textAt(*row, baza::Natura2000));
            p.address = TrimmedText(table.textAt(*row, baza::Info));
            p.uwagi = TrimmedText(table.textAt(*row, baza::Uwagi));
            p.kod = table.integerAt(*row, baza::Kod);
            pages << p;
        }
        return pages;
    };
    s.updated = pagesOf(updatedLps);
    s.failed = pagesOf(failedLps);

    const QString historyPath = historia::HistoryStore::PathIn(dataDirectory);
    if (!s.updated.isEmpty() && QFile::exists(historyPath)) {
        try {
            historia::HistoryStore store(historyPath);
            store.open(historia::HistoryStore::Mode::ReadOnly);
            QSet<QString> noticesTold; // a page shared by records brings its notices once
            for (SummaryPage& p : s.updated) {
                // Lines of an older change would be news of another day.
                const QList<historia::StoredCheck> newest = store.LastChecks(p.address, 1);
                if (!newest.isEmpty() && newest.first().newContent)
                    p.addedLines = store.AddedLinesOfLastChange(p.address);
                if (newest.isEmpty() || noticesTold.contains(p.address))
                    continue;
                noticesTold.insert(p.address);
                for (const historia::StoredNotice& n : store.NoticesOfCheck(newest.first().id))
                    s.notices.append({n.notice, p.lp, p.gmina, p.obszar, n.address});
            }
        } catch (const historia::HistoryError& e) {
            s.historyProblem = e.text();
        }
    }
    FailingPagesResult failing = FailingPages(dataDirectory, table, failingChecks);
    s.alerts = failing.pages;
    if (s.historyProblem.isEmpty())
        s.historyProblem = failing.problem;
    return s;
}

namespace {

void addNotice(QStringList& out, const SummaryNotice& n, const QDate& today)
{
    const ogloszenia::Notice& o = n.notice;
    QString heading = ogloszenia::NoticeHeading(o);
    if (!o.authority.isEmpty())
        heading += QStringLiteral(" – ") + o.authority;
    out << QStringLiteral("- ") + shortened(heading);
    out << QStringLiteral("  %1, LP %2").arg(RecordName(n.gmina, n.obszar)).arg(n.lp);
    out << QStringLiteral("  %1, %2").arg(o.procedure, o.stage);
    if (!o.commentsUntil.isValid())
        out << QStringLiteral("  Termin uwag: nie podano");
    else if (o.commentsUntil < today)
        out << QStringLiteral("  Termin uwag: %1 (minął)").arg(ogloszenia::CommentWindowText(o));
    else if (o.commentsUntil == today)
        out << QStringLiteral("  Termin uwag: %1 (upływa dziś)").arg(ogloszenia::CommentWindowText(o));
    else
        out << QStringLiteral("  Termin uwag: %1 (zostało %2)")
                   .arg(ogloszenia::CommentWindowText(o), ogloszenia::DaysLeftText(o, today));
    if (o.natura2000)
        out << QStringLiteral("  Natura 2000: %1").arg(o.area.isEmpty() ? QStringLiteral("tak") : o.area);
    if (!o.subject.isEmpty())
        out << QStringLiteral("  Przedmiot: %1").arg(shortened(o.subject));
    out << QStringLiteral("  %1").arg(n.address);
}

} // namespace

QString SummarySubject(const RunSummary& s)
{
    QString subject = QStringLiteral("Ekowarta: zaktualizowane %1, błędy %2, niedostępne %3")
                          .arg(s.updated.size())
                          .arg(s.failed.size())
                          .arg(s.alerts.size());
    if (!s.notices.isEmpty())
        subject.insert(subject.indexOf(QLatin1Char(' ')) + 1,
                       QStringLiteral("nowe ogłoszenia %1, ").arg(s.notices.size()));
    if (s.ending == RunEnding::Stopped)
        subject += QStringLiteral(" (kontrola zatrzymana)");
    else if (s.ending == RunEnding::Aborted)
        subject += QStringLiteral(" (kontrola przerwana)");
    return subject;
}

QString SummaryBody(const RunSummary& s)
{
    QStringList out;
    const QString when = s.end.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    switch (s.ending) {
    case RunEnding::Finished: out << QStringLiteral("Kontrola stron zakończona %1.").arg(when); break;
    case RunEnding::Stopped:
        out << QStringLiteral("Kontrola stron zatrzymana %1; można ją dokończyć.").arg(when);
        break;
    case RunEnding::Aborted:
        out << QStringLiteral("Kontrola stron przerwana %1: brak połączenia z Internetem.").arg(when);
        break;
    }

    // What a watcher acts on comes first.
    if (!s.notices.isEmpty()) {
        out << QString() << QStringLiteral("Nowe ogłoszenia (%1):").arg(s.notices.size());
        for (const SummaryNotice& n : s.notices)
            addNotice(out, n, s.today);
    }

    out << QString() << QStringLiteral("Strony zaktualizowane (%1):").arg(s.updated.size());
    if (s.updated.isEmpty())
        out << QStringLiteral("brak");
    for (const SummaryPage& p : s.updated) {
        addPage(out, p);
        if (!p.addedLines.isEmpty()) {
            out << QStringLiteral("  Dodane wiersze:");
            for (qsizetype i = 0; i < p.addedLines.size() && i < kAddedLinesShown; ++i)
                out << QStringLiteral("  + %1").arg(shortened(p.addedLines.at(i)));
            if (p.addedLines.size() > kAddedLinesShown)
                out << QStringLiteral("  … i jeszcze %1 (pełna lista w historii strony)")
                           .arg(p.addedLines.size() - kAddedLinesShown);
        }
    }

    out << QString() << QStringLiteral("Strony z błędem lub przekroczonym czasem (%1):").arg(s.failed.size());
    if (s.failed.isEmpty())
        out << QStringLiteral("brak");
    for (const SummaryPage& p : s.failed) {
        addPage(out, p);
        if (!p.uwagi.isEmpty())
            out << QStringLiteral("  Uwagi: %1").arg(p.uwagi);
    }

    out << QString()
        << QStringLiteral("Strony niedostępne (%1), nieudanych kontroli z rzędu: co najmniej %2:")
               .arg(s.alerts.size())
               .arg(s.failingChecks);
    if (s.alerts.isEmpty())
        out << QStringLiteral("brak");
    for (const FailingPageAlert& a : s.alerts)
        out << QStringLiteral("- ") + AlertLine(a);
    if (!s.historyProblem.isEmpty())
        out << QString() << QStringLiteral("Historii stron nie udało się odczytać: %1").arg(s.historyProblem);

    out << QString() << QStringLiteral("-- ") << QStringLiteral("Wiadomość wysłana przez program Ekowarta.");
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

MailMessage MessageFromSettings(const Settings& settings, const QString& subject, const QString& body)
{
    MailMessage m;
    m.from = settings.mailFrom.trimmed();
    m.to = SplitRecipients(settings.mailTo);
    m.subject = subject;
    m.body = body;
    return m;
}

MailMessage TestMessage(const Settings& settings, const QDateTime& now)
{
    return MessageFromSettings(
        settings, QStringLiteral("Ekowarta: wiadomość testowa"),
        QStringLiteral("To jest wiadomość testowa programu Ekowarta, wysłana %1.\n"
                       "Jeśli ją widzisz, podsumowania po kontrolach stron będą docierać pod ten adres.\n")
            .arg(now.toString(QStringLiteral("dd.MM.yyyy HH:mm"))));
}

RunLines::RunLines(RunReport& report, QObject* parent) : QObject(parent)
{
    connect(&report, &RunReport::updatedLineAdded, this,
            [this](const QString& line) { m_updated << RunReport::LpOfReportLine(line); });
    connect(&report, &RunReport::errorLineAdded, this,
            [this](const QString& line) { m_failed << RunReport::LpOfReportLine(line); });
}

void RunLines::clear()
{
    m_updated.clear();
    m_failed.clear();
}

} // namespace powiadomienia
