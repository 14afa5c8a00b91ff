#include "przebieg/runcontroller.h"

#include "raport/runreport.h"

RunController::RunController(baza::Baza& baza, RunReport& report, Settings& settings, Dialogs& dialogs,
                             QObject* parent)
    : QObject(parent), m_baza(baza), m_report(report), m_settings(settings), m_dialogs(dialogs)
{
}

void RunController::setActive(bool active)
{
    m_active = active;
}

void RunController::ReleaseNextRecord()
{
    m_state.ready = true;
}

void RunController::AbortRun()
{
    m_state.ready = false;
    setActive(false);
    m_gridEnabled = true;
    m_progressPosition = 0;
    m_czas1 = QStringLiteral("0");
    m_czas2 = QStringLiteral("00:00:00");
    m_state.currentRecord = 1;
    notify();
    m_report.LogEvent(QStringLiteral("Brak połącznia z Internetem"));
}

void RunController::setGridVisible(bool visible)
{
    if (m_gridVisible == visible)
        return;
    m_gridVisible = visible;
    notify();
}

void RunController::setPanelCaption(const QString& caption)
{
    m_panelCaption = caption;
    notify();
}
