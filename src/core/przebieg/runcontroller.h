#pragma once

#include "przebieg/runstate.h"

#include <QObject>
#include <QString>

namespace baza {
class Baza;
}
class Dialogs;
class RunReport;
class Settings;

// The monitoring run without a window: the run state, and the controls of a
// run as data (start button, labels, progress, the grid's availability).
// The main window mirrors them; the command line prints them.
class RunController : public QObject
{
    Q_OBJECT

public:
    RunController(baza::Baza& baza, RunReport& report, Settings& settings, Dialogs& dialogs,
                  QObject* parent = nullptr);

    RunState& state() { return m_state; }
    const RunState& state() const { return m_state; }

    // The start button is pressed exactly while a run is active.
    bool active() const { return m_active; }

    QString czas1() const { return m_czas1; }
    QString timeStart() const { return m_timeStart; }
    QString czas2() const { return m_czas2; }
    int progressMaximum() const { return m_progressMaximum; }
    int progressPosition() const { return m_progressPosition; }
    QString nazwaGminy() const { return m_nazwaGminy; }
    QString nazwaObszaru() const { return m_nazwaObszaru; }
    QString wojewodztwo() const { return m_wojewodztwo; }
    QString stronaInfo() const { return m_stronaInfo; }
    bool gridEnabled() const { return m_gridEnabled; }
    bool gridVisible() const { return m_gridVisible; }
    QString panelCaption() const { return m_panelCaption; }

    // A result was stored (or a time-out handled): the next record may go.
    void ReleaseNextRecord();
    // The connection was lost: the run ends and the next start begins at 1.
    void AbortRun();

    // Used by the page check's hand-back and by publication while they walk
    // the table.
    void setGridVisible(bool visible);
    void setPanelCaption(const QString& caption);

Q_SIGNALS:
    // Any of the values above changed; views read what they show.
    void changed();

protected:
    void setActive(bool active);
    void notify() { Q_EMIT changed(); }

    baza::Baza& m_baza;
    RunReport& m_report;
    Settings& m_settings;
    Dialogs& m_dialogs;
    RunState m_state;

    bool m_active = false;
    QString m_czas1 = QStringLiteral("0");
    QString m_timeStart = QStringLiteral("00:00:00");
    QString m_czas2 = QStringLiteral("00:00:00");
    int m_progressMaximum = 100;
    int m_progressPosition = 0;
    QString m_nazwaGminy = QStringLiteral("NazwaGminy");
    QString m_nazwaObszaru = QStringLiteral("NazwaObszaru");
    QString m_wojewodztwo = QStringLiteral("Województwo");
    QString m_stronaInfo = QStringLiteral("StronaInfo");
    bool m_gridEnabled = true;
    bool m_gridVisible = true;
    QString m_panelCaption = QStringLiteral("Przetwarzanie danych. Czekaj ...");
};
