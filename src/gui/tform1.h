#pragma once

#include "baza/baza.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"

#include <QMainWindow>
#include <QSet>

#include <memory>

class Dialogs;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QSystemTrayIcon;
class QTableView;
class QTimer;
class QToolButton;
class RegisterModel;
class RunDialogs;
class ScheduleWatch;
class Settings;
class TForm3;
class TForm4;
class TForm5;
namespace powiadomienia {
class RunNotifier;
}
namespace publikacja {
class PublishTask;
}

// The main window: the register grid with its colours, sort and popup menu,
// the toolbar, the run's progress and status, the report panes and the
// event log. It owns the table object; the run, the report and publication
// live in the core and this window shows them.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    TForm1(Settings& settings, Dialogs& dialogs, const QString& dataDirectory, QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs are created after the main window, as the program starts.
    void setForms(TForm3* editor, TForm4* configuration, TForm5* about);

    baza::Baza& baza() { return m_baza; }
    RunReport& report() { return m_report; }
    RunController& run() { return *m_run; }
    RegisterModel& model() { return *m_model; }
    QTableView* grid() const { return m_grid; }

    // Handlers, named after their controls.
    void FormActivate();
    void FormResize();
    void DBGrid1TitleClick(int column);
    void DBGrid1DblClick();
    void Edytuj1Click();
    void Usun1Click();
    void Wysoki1Click();
    void Sredni1Click();
    void Niski1Click();
    void Odznacz1Click();
    void dom1Click();
    void info1Click();
    void bip1Click();
    // "Historia strony" for the grid's current record.
    void Historia1Click();
    // The history of the record whose line of the updated list this is.
    void ShowHistoryOfUpdatedLine(const QString& line);
    void StronaInfoClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    // "Przerwij" under the publication's progress text.
    void PrzerwijClick();
    publikacja::PublishTask& publication() { return *m_publish; }
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    // "Ogłoszenia": the notices window.
    void SpeedButton8Click();
    void TrayIcon1DblClick();
    // The end-of-run summary as a tray message, when the window is in the tray.
    void RunSummaryToTray(const QString& text);
    // The last message the tray icon showed.
    QString trayMessage() const { return m_trayMessage; }
    void Pokaz1Click();
    void Zamknij1Click();
    void Button1Click();
    void Importuj1Click();
    void Eksportuj1Click();
    void Timer1Timer();

    void SetupGridColumns();
    // The filter box over the grid: rows that do not match are hidden.
    void FilterChange();
    // A report line's record becomes the current one (double-click).
    void GoToReportLine(const QString& line);
    void DropSortIndex();
    void ConfirmClose();
    void ShutDown();
    void MinimiseToTray();

    bool tableOpenedOnce() const { return m_activated; }

    // The scheduled check while the window is open; false when no run began.
    bool StartScheduledRun();
    ScheduleWatch& scheduleWatch() { return *m_scheduleWatch; }

Q_SIGNALS:
    // Emitted when the program has ended its work and may quit.
    void shutDownFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildWindow();
    void buildToolbar(QWidget* bar);
    void buildCentre(QWidget* centre);
    QWidget* buildBottom();
    void buildMenus();
    QWidget* buildFilterRow(QWidget* parent);
    void applyFilter();
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool filterEvent(QObject* watched, QEvent* event);
    void buildTray();
    void showRunState();
    void restoreLayout();
    void saveLayout() const;
    void fitColumnsToGrid();
    int defaultColumnWidth(int column) const;
    void openPage(const QString& address);
    QString currentField(int field) const;
    void followTableCursor();
    void scheduleCursorSync();

    Settings& m_settings;
    Dialogs& m_dialogs;
    baza::Baza m_baza;
    RunReport m_report;
    // The run asks through it, so that a scheduled run asks nobody.
    std::unique_ptr<RunDialogs> m_runDialogs;
    std::unique_ptr<RunController> m_run;
    RegisterModel* m_model = nullptr;
    TForm3* m_editor = nullptr;
    TForm4* m_configuration = nullptr;
    TForm5* m_about = nullptr;
    bool m_activated = false;
    // Whether the window was maximised when it went to the tray: it comes
    // back so.
    bool m_maximisedInTray = false;
    bool m_cursorSyncPending = false;
    bool m_syncingCursor = false;
    bool m_applyingColumns = false;
    // The user's column widths by field (0: the default), kept across the
    // reopenings of the table (sort, run start) and between starts.
    QList<int> m_columnWidths;
    QList<int> m_restoredSplitter2;
    QString m_trayMessage;

    QToolButton* m_speedButton1 = nullptr;
    QToolButton* m_speedButton2 = nullptr;
    QToolButton* m_speedButton3 = nullptr;
    QToolButton* m_speedButton4 = nullptr;
    QToolButton* m_speedButton5 = nullptr;
    QToolButton* m_speedButton6 = nullptr;
    QToolButton* m_speedButton7 = nullptr;
    QToolButton* m_speedButton8 = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    QLabel* m_timeStart = nullptr;
    QLabel* m_czas1 = nullptr;
    QLabel* m_czas2 = nullptr;
    QLabel* m_timeUTC = nullptr;
    QLabel* m_panel2 = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_filter = nullptr;
    // "strony niedostępne": only the records whose page's newest checks all
    // failed; the pages are read from the history when it is ticked and
    // after every run.
    QCheckBox* m_failingOnly = nullptr;
    QSet<QString> m_failingPages;
    void refreshFailingPages();
    powiadomienia::RunNotifier* m_notifier = nullptr;
    // Publication runs on a thread of its own; the window shows its steps.
    publikacja::PublishTask* m_publish = nullptr;
    QPushButton* m_przerwij = nullptr;
    bool m_panelShowsPublication = false;
    void publicationEnded(const QString& error);
    QSplitter* m_splitter = nullptr;
    QSplitter* m_paneSplitter = nullptr;
    QGroupBox* m_statusBox = nullptr;
    QLabel* m_nazwaGminy = nullptr;
    QLabel* m_nazwaObszaru = nullptr;
    QLabel* m_wojewodztwo = nullptr;
    QLabel* m_stronaInfo = nullptr;
    QLabel* m_checksInFlight = nullptr;
    QPlainTextEdit* m_memo1 = nullptr;
    QPlainTextEdit* m_memo2 = nullptr;
    QComboBox* m_comboBox1 = nullptr;
    QPushButton* m_button1 = nullptr;
    QMenu* m_popupMenu1 = nullptr;
    QMenu* m_popupMenu2 = nullptr;
    QSystemTrayIcon* m_trayIcon1 = nullptr;
    QTimer* m_timer1 = nullptr;
    ScheduleWatch* m_scheduleWatch = nullptr;
};
