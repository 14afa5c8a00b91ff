#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The run report as data: the error list, the updated list and the event
// log (newest first). The main window shows it; the command line prints it.
class RunReport : public QObject
{
    Q_OBJECT

public:
    explicit RunReport(QObject* parent = nullptr);

    const QStringList& errorLines() const { return m_errorLines; }
    const QStringList& updatedLines() const { return m_updatedLines; }
    // Index 0 is the newest line.
    const QStringList& events() const { return m_events; }

    // "LP = " + LP + " - " + Gmina
    static QString ReportLine(qint32 lp, const QString& gmina);
    // The LP of a report line, or 0 when the text is not one.
    static qint32 LpOfReportLine(const QString& line);

    void AddErrorLine(qint32 lp, const QString& gmina);
    void AddUpdatedLine(qint32 lp, const QString& gmina);
    void ClearReportLists();

    // Date and time in the system's form, " => ", the trimmed text; on top.
    void LogEvent(const QString& text);
    void ClearEventLog();

    // The event log as a report file, newest line first; empty lines left
    // out. Throws FileError.
    void SaveEventLog(const QString& path) const;

    // The report file of "Zapisz raport": the event log as above, then the
    // updated list and the error list, each under its pane's title after an
    // empty line (a list without lines is left out). Throws FileError.
    void SaveReport(const QString& path) const;

    // "raport_" + today's date in the system's short form + ".txt"
    static QString ProposedReportName();

Q_SIGNALS:
    void errorLineAdded(const QString& line);
    void updatedLineAdded(const QString& line);
    void reportListsCleared();
    void eventLogged(const QString& line);
    void eventLogCleared();

private:
    QStringList m_errorLines;
    QStringList m_updatedLines;
    QStringList m_events;
};
