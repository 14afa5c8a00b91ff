#include "raport/runreport.h"

#include "platform/clock.h"
#include "text/systemformat.h"
#include "text/textfile.h"
#include "text/trimmedtext.h"

RunReport::RunReport(QObject* parent) : QObject(parent) {}

QString RunReport::ReportLine(qint32 lp, const QString& gmina)
{
    return QStringLiteral("LP = ") + QString::number(lp) + QStringLiteral(" - ") + gmina;
}

void RunReport::AddErrorLine(qint32 lp, const QString& gmina)
{
    const QString line = ReportLine(lp, gmina);
    m_errorLines << line;
    Q_EMIT errorLineAdded(line);
}

void RunReport::AddUpdatedLine(qint32 lp, const QString& gmina)
{
    const QString line = ReportLine(lp, gmina);
    m_updatedLines << line;
    Q_EMIT updatedLineAdded(line);
}

void RunReport::ClearReportLists()
{
    m_errorLines.clear();
    m_updatedLines.clear();
    Q_EMIT reportListsCleared();
}

void RunReport::LogEvent(const QString& text)
{
    const QString line = systemformat::dateTime(Clock::now()) + QStringLiteral(" => ") + TrimmedText(text);
    m_events.prepend(line);
    Q_EMIT eventLogged(line);
}

void RunReport::ClearEventLog()
{
    m_events.clear();
    Q_EMIT eventLogCleared();
}

namespace {

QStringList eventLines(const QStringList& events)
{
    QStringList lines;
    for (const QString& item : events) {
        const QString t = TrimmedText(item);
        if (!t.isEmpty())
            lines << t;
    }
    return lines;
}

} // namespace

void RunReport::SaveEventLog(const QString& path) const
{
    textfile::WriteLines(path, eventLines(m_events));
}

void RunReport::SaveReport(const QString& path) const
{
    QStringList lines = eventLines(m_events);
    auto addList = [&lines](const QString& title, const QStringList& list) {
        if (list.isEmpty())
            return;
        if (!lines.isEmpty())
            lines << QString();
        lines << title + QStringLiteral(":") << list;
    };
    addList(QStringLiteral("Lista stron zaktualizowanych"), m_updatedLines);
    addList(QStringLiteral("Lista błędnych stron"), m_errorLines);
    textfile::WriteLines(path, lines);
}

qint32 RunReport::LpOfReportLine(const QString& line)
{
    const QString prefix = QStringLiteral("LP = ");
    const QString t = line.trimmed();
    if (!t.startsWith(prefix))
        return 0;
    const qsizetype end = t.indexOf(QStringLiteral(" - "), prefix.size());
    bool ok = false;
    const qint32 lp = t.mid(prefix.size(), end < 0 ? -1 : end - prefix.size()).toInt(&ok);
    return ok && lp > 0 ? lp : 0;
}

QString RunReport::ProposedReportName()
{
    // The short date may hold characters that cannot stand in a file name
    // (a slash in many locales); they become hyphens.
    QString date = systemformat::shortDate(Clock::now().date());
    for (QChar& c : date)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':'))
            c = QLatin1Char('-');
    return QStringLiteral("raport_") + date + QStringLiteral(".txt");
}
