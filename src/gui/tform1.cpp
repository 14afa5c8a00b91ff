#include "tform1.h"

#include "appicon.h"
#include "historywindow.h"
#include "noticeswindow.h"
#include "schedulewatch.h"
#include "updatedlisthistory.h"
#include "registermodel.h"
#include "tform3.h"
#include "tform4.h"
#include "tform5.h"

#include "baza/fields.h"
#include "baza/recordfilter.h"
#include "baza/rowcolours.h"
#include "dbf/dbferror.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "konfig/windowlayout.h"
#include "publikacja/publishtask.h"
#include "publikacja/publishupdates.h"
#include "kontrola/twyswietl.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/handlererrors.h"
#include "platform/programerror.h"
#include "powiadomienia/failingpages.h"
#include "powiadomienia/runnotifier.h"
#include "przebieg/afterrun.h"
#include "raport/runtexts.h"
#include "raport/reportcommands.h"
#include "text/systemformat.h"
#include "text/trimmedtext.h"
#include "wymiana/registercommands.h"
#include "windowplace.h"

#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextBlock>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

TForm1::TForm1(Settings& settings, Dialogs& dialogs, const QString& dataDirectory, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_dialogs(dialogs), m_baza(dataDirectory)
{
    // FormCreate
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Ekowarta"));
    setWindowIcon(AppIcon());
    m_runDialogs = std::make_unique<RunDialogs>(m_dialogs);
    m_run = std::make_unique<RunController>(m_baza, m_report, m_settings, *m_runDialogs);
    m_publish = new publikacja::PublishTask(m_report, this);

    buildWindow();

    // baza.mdx never outlives the program.
    m_baza.DeleteIndexFile();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, Handler(this, m_dialogs, &TForm1::Timer1Timer));
    m_timer1->start();
    Timer1Timer();

    connect(m_run.get(), &RunController::changed, this, Handler(this, m_dialogs, &TForm1::showRunState));
    connect(m_publish, &publikacja::PublishTask::started, this, Handler(this, m_dialogs, &TForm1::showRunState));
    connect(m_publish, &publikacja::PublishTask::captionChanged, this,
            Handler(this, m_dialogs, &TForm1::showRunState));
    connect(m_publish, &publikacja::PublishTask::finished, this,
            [this](const publikacja::PublishOutcome&, const QString& error) {
                RunHandler(m_dialogs, [&] { publicationEnded(error); });
            });
    connect(m_przerwij, &QPushButton::clicked, this, Handler(this, m_dialogs, &TForm1::PrzerwijClick));
    connect(m_run.get(), &RunController::runSummary, this, Handler(this, m_dialogs, &TForm1::RunSummaryToTray));
    // An idle register is held shared again, so that readers may read it.
    connect(m_run.get(), &RunController::runEnded, this, [this] {
        QTimer::singleShot(0, this, Handler(m_dialogs, [this] {
                               if (m_run->active())
                                   return;
                               m_baza.ShareTable();
                               // The reopened table resets the grid: its columns and
                               // the filter's rows are set up again, not left all shown.
                               SetupGridColumns();
                               applyFilter();
                           }));
    });
    // The summary e-mail goes on a thread of its own; its outcome comes
    // back into the event log.
    m_notifier = new powiadomienia::RunNotifier(m_baza.directory(), m_baza.table(), m_report, m_settings, this);
    connect(m_run.get(), &RunController::runEnded, this, [this](RunOutcome outcome) {
        RunHandler(m_dialogs, [&] {
            AfterRun(m_baza.directory(), m_baza.table(), m_report, outcome, m_run->aborted(), Clock::now().date());
            if (const auto mail = m_notifier->prepare(outcome, m_run->aborted()))
                m_notifier->sendInBackground(*mail);
            if (m_failingOnly && m_failingOnly->isChecked())
                refreshFailingPages();
        });
    });
    connect(m_run.get(), &RunController::gridColumnsReset, this, [this] {
        m_model->resetTitleColours();
        SetupGridColumns();
    });
    connect(m_run.get(), &RunController::gridColumnsReset, this, Handler(m_dialogs, [this] {
                m_model->resetTitleColours();
                SetupGridColumns();
            }));
    connect(&m_report, &RunReport::errorLineAdded, m_memo1, &QPlainTextEdit::appendPlainText);
    connect(&m_report, &RunReport::updatedLineAdded, m_memo2, &QPlainTextEdit::appendPlainText);
    InstallUpdatedListHistory(m_memo2, m_baza, [this](const QString& line) { ShowHistoryOfUpdatedLine(line); });
    connect(&m_report, &RunReport::reportListsCleared, this, [this] {
        m_memo1->clear();
        m_memo2->clear();
    });
    connect(&m_report, &RunReport::eventLogged, this, [this](const QString& line) {
        m_comboBox1->insertItem(0, line);
        m_comboBox1->setCurrentIndex(0);
    });
    connect(&m_report, &RunReport::eventLogCleared, m_comboBox1, &QComboBox::clear);

    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_applyingColumns || size <= 0 || column < 0)
            return;
        if (m_columnWidths.size() <= column)
            m_columnWidths.resize(column + 1, 0);
        m_columnWidths[column] = size;
    });
    m_scheduleWatch = new ScheduleWatch(m_baza, m_settings, m_report, *m_run, *m_publish, [this] { return StartScheduledRun(); }, this);
    restoreLayout();
    showRunState();
}

bool TForm1::StartScheduledRun()
{
    if (m_run->active())
        return false;
    // A new pass: the schedule checks every page, whatever an interrupted
    // pass left.
    m_runDialogs->answerQuestions(Dialogs::Answer::No);
    const bool started = m_run->Start();
    m_runDialogs->answerQuestions(std::nullopt);
    return started;
}

TForm1::~TForm1() = default;

void TForm1::setForms(TForm3* editor, TForm4* configuration, TForm5* about)
{
    m_editor = editor;
    m_configuration = configuration;
    m_about = about;
}

// --- lifecycle ---

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_activated && !isMaximized()) {
        // Only now is the window manager's frame known: the title bar must
        // be on the screen too.
        QTimer::singleShot(0, this, [this] {
            const QRect fitted = FittedToScreens(geometry(), frameGeometry());
            if (!isMaximized() && fitted != geometry())
                setGeometry(fitted);
        });
    }
    if (!m_activated) {
        m_activated = true;
        RunHandler(m_dialogs, [this] { FormActivate(); });
    }
}

void TForm1::FormActivate()
{
    if (!m_baza.ClaimForWindow()) {
        // An empty window beside the one that has the register would only
        // mislead: this one ends after saying why, touching nothing (not
        // even the layout of the other).
        m_dialogs.error(m_baza.OtherWindowText() + QStringLiteral(" To okno zostanie zamknięte."));
        QTimer::singleShot(0, this, [this] {
            hide();
            Q_EMIT shutDownFinished();
        });
        return;
    }
    m_baza.OpenTable();
    m_model->resetTitleColours();
    SetupGridColumns();
    m_baza.table().first();
    konfig::LoadSettings(m_settings, m_baza.directory() + QStringLiteral("config.ini"));
    for (const QString& line : std::as_const(m_settings.corrections))
        m_report.LogEvent(line);
    // Once the grid is laid out, the columns fit its final width.
    QTimer::singleShot(0, this, [this] {
        bool userWidths = false;
        for (int w : std::as_const(m_columnWidths))
            userWidths = userWidths || w > 0;
        if (!userWidths) {
            m_applyingColumns = true;
            fitColumnsToGrid();
            m_applyingColumns = false;
        }
    });
    // The panes' split of the last session, once the window has its size.
    if (m_restoredSplitter2.size() == 2)
        QTimer::singleShot(0, this, [this] { m_paneSplitter->setSizes(m_restoredSplitter2); });
}

// --- the window's place, size, splitters and column widths ---

void TForm1::restoreLayout()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const std::optional<konfig::WindowLayout> saved = konfig::LoadWindowLayout(konfig::WindowLayoutPath(m_baza.directory()));
    if (saved) {
        m_columnWidths = saved->columnWidths;
        // A place saved on a larger screen, or on one that is gone, comes
        // back whole onto the screen it opens on.
        setGeometry(FittedToScreens(QRect(saved->x, saved->y, saved->width, saved->height)));
        if (saved->splitter1.size() == 2)
            m_splitter->setSizes(saved->splitter1);
        m_restoredSplitter2 = saved->splitter2;
        if (saved->maximized)
            setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    // First start: wide enough for every visible column, as far as the
    // screen allows; the columns shrink to the grid when it does not.
    int columns = 0;
    for (int c = baza::LP; c <= baza::Z; ++c)
        columns += defaultColumnWidth(c);
    const int chrome = m_grid->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16 +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int frame = 16; // the window manager's border, roughly
    const int width = qMin(qMax(800, columns + chrome), available.width() - frame);
    const int height = qMin(589 + menuBar()->sizeHint().height(), available.height() - 40);
    resize(width, height);
    move(available.center() - rect().center());
}

void TForm1::saveLayout() const
{
    konfig::WindowLayout l;
    const QRect place = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    l.x = place.x();
    l.y = place.y();
    l.width = place.width();
    l.height = place.height();
    l.maximized = isMaximized();
    l.splitter1 = m_splitter->sizes();
    l.splitter2 = m_paneSplitter->sizes();
    for (int c = 0; c < m_model->columnCount(); ++c)
        l.columnWidths << (m_grid->isColumnHidden(c) ? m_columnWidths.value(c, 0) : m_grid->columnWidth(c));
    konfig::SaveWindowLayout(konfig::WindowLayoutPath(m_baza.directory()), l);
}

int TForm1::defaultColumnWidth(int column) const
{
    const QFontMetrics metrics(m_grid->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    // Widths that show a typical value and the title.
    switch (column) {
    case baza::LP: return 30;
    case baza::Gmina: return 22 * digit + 12;
    case baza::Natura2000: return 30 * digit + 12;
    case baza::Wojewodztwo: return 19 * digit + 12;
    case baza::Aktualizacja:
    case baza::DataKontroli: return qMax(11 * digit, metrics.horizontalAdvance(QStringLiteral("DATAKONTROLI"))) + 16;
    case baza::Uwagi: return 30 * digit + 12;
    default: return 0; // hidden
    }
}

void TForm1::fitColumnsToGrid()
{
    // Only while the user has not set widths of his own.
    // Before the grid is laid out, its room is reckoned from its own width.
    const int room = m_grid->viewport()->width() > 100
                         ? m_grid->viewport()->width()
                         : m_grid->width() - 2 * m_grid->frameWidth() - m_grid->verticalHeader()->sizeHint().width() -
                               style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 2;
    if (room <= 0)
        return;
    int total = 0;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (!m_grid->isColumnHidden(c))
            total += m_grid->columnWidth(c);
    if (total <= room)
        return;
    // The long text columns give way, down to their titles; LP and the
    // dates keep their width.
    const int shrinkable[] = {baza::Gmina, baza::Natura2000, baza::Wojewodztwo, baza::Uwagi};
    const QFontMetrics titles(m_grid->horizontalHeader()->font());
    int spare = 0;
    for (int c : shrinkable)
        spare += qMax(0, m_grid->columnWidth(c) - (titles.horizontalAdvance(m_model->fieldName(c)) + 20));
    if (spare <= 0)
        return;
    const double factor = qMin(1.0, double(total - room) / spare);
    for (int c : shrinkable) {
        const int least = titles.horizontalAdvance(m_model->fieldName(c)) + 20;
        const int width = m_grid->columnWidth(c);
        m_grid->setColumnWidth(c, width - int(std::ceil(qMax(0, width - least) * factor)));
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize()
{
    if (!m_paneSplitter)
        return;
    // The splitter scales these to its own width once it is laid out.
    const int outer = frameGeometry().width();
    const int left = outer / 2 - 2;
    m_paneSplitter->setSizes({left, qMax(1, outer - left)});
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The close request never closes the window by itself.
    event->ignore();
    RunHandler(m_dialogs, [this] { ConfirmClose(); });
}

void TForm1::ConfirmClose()
{
    if (m_publish->running()) {
        if (m_dialogs.question(QStringLiteral("Trwa publikacja wykazu na serwerze.\r\nPrzerwać ją i zamknąć program?"),
                               Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
        // Stopped, it never leaves a part of the list on the server.
        m_publish->Stop();
        m_publish->Wait();
    }
    if (!m_run->active()) {
        ShutDown();
        return;
    }
    if (m_dialogs.question(RunActiveText() + QStringLiteral("\r\nNa pewno chcesz zamknąć program?"),
                           Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes)
        ShutDown();
}

void TForm1::ShutDown()
{
    if (m_publish->running()) {
        m_publish->Stop();
        m_publish->Wait();
    }
    saveLayout();
    // Checks already handed back reach the register before it is closed.
    m_run->FinishHistory();
    try {
        m_baza.ShutDown();
    } catch (const std::exception& e) {
        // Nothing is lost when the last pack fails (deleted records stay
        // flagged until the next one), so the program still ends.
        m_dialogs.error(ErrorText(e));
    }
    QCoreApplication::processEvents();
    hide();
    if (m_trayIcon1)
        m_trayIcon1->hide();
    Q_EMIT shutDownFinished();
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        m_maximisedInTray = (change->oldState() | windowState()) & Qt::WindowMaximized;
        QTimer::singleShot(0, this, Handler(this, m_dialogs, &TForm1::MinimiseToTray));
    }
}

void TForm1::MinimiseToTray()
{
    // Without a tray to come back from, hiding would lose the window.
    if (!isMinimized() || !m_settings.tray || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    hide();
    m_trayIcon1->show();
}

void TForm1::RunSummaryToTray(const QString& text)
{
    // Only a window hidden in the tray needs telling: otherwise the event
    // log in sight says it.
    if (isVisible() || !m_trayIcon1 || !m_trayIcon1->isVisible())
        return;
    m_trayMessage = text;
    m_trayIcon1->showMessage(windowTitle(), text, QSystemTrayIcon::Information);
}

void TForm1::TrayIcon1DblClick()
{
    m_trayIcon1->hide();
    if (m_maximisedInTray)
        showMaximized();
    else
        showNormal();
    raise();
    activateWindow();
}

void TForm1::Pokaz1Click()
{
    TrayIcon1DblClick();
}

void TForm1::Zamknij1Click()
{
    if (!isVisible())
        TrayIcon1DblClick();
    close();
}

// --- grid ---

void TForm1::SetupGridColumns()
{
    QHeaderView* header = m_grid->horizontalHeader();
    m_applyingColumns = true;
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_grid->setColumnHidden(c, false);
    bool userWidths = false;
    if (m_model->columnCount() > baza::Z) {
        for (int c = baza::LP; c <= baza::Z; ++c) {
            const int own = m_columnWidths.value(c, 0);
            userWidths = userWidths || own > 0;
            if (const int width = own > 0 ? own : defaultColumnWidth(c); width > 0)
                m_grid->setColumnWidth(c, width);
        }
        for (int c : {baza::Size, baza::Row, baza::Tag, baza::Kod, baza::Z, baza::Dom, baza::Info, baza::Bip})
            m_grid->setColumnHidden(c, true);
        if (!userWidths)
            fitColumnsToGrid();
    }
    header->setStretchLastSection(false);
    m_applyingColumns = false;
}

void TForm1::scheduleCursorSync()
{
    if (m_cursorSyncPending)
        return;
    m_cursorSyncPending = true;
    QTimer::singleShot(0, this, Handler(this, m_dialogs, &TForm1::followTableCursor));
}

void TForm1::followTableCursor()
{
    m_cursorSyncPending = false;
    const int row = m_baza.table().isOpen() ? m_baza.table().row() : -1;
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_syncingCursor = true;
    const QModelIndex current = m_grid->currentIndex();
    const int column = current.isValid() ? current.column() : baza::Gmina;
    m_grid->setCurrentIndex(m_model->index(row, column));
    m_syncingCursor = false;
}

void TForm1::DropSortIndex()
{
    m_baza.DropSortIndex();
}

void TForm1::DBGrid1TitleClick(int column)
{
    try {
        const QString name = m_model->fieldName(column);
        if (name.isEmpty())
            throw dbf::DbfError(QStringLiteral("Brak kolumny %1").arg(column));
        const baza::TitleColour colour = baza::NextTitleColour(m_model->titleColour(column));
        m_baza.SortBy(name, baza::IsDescending(colour));
        m_model->setTitleColour(column, colour);
    } catch (const std::exception&) {
        m_dialogs.message(QStringLiteral("Błąd sortowania"));
    }
    if (m_baza.table().isOpen()) // a table that failed to open has no first record
        m_baza.table().first();
    SetupGridColumns();
}

void TForm1::DBGrid1DblClick()
{
    // On an empty register the double-click types its first record.
    if (m_editor && m_baza.table().isOpen() && m_baza.table().isEmpty()) {
        m_editor->execNew();
        return;
    }
    Edytuj1Click();
}

// --- filter, keys, report lines ---

void TForm1::FilterChange()
{
    applyFilter();
}

void TForm1::applyFilter()
{
    const QString filter = m_filter ? m_filter->text() : QString();
    const dbf::DbfTable& t = m_baza.table();
    const bool open = t.isOpen() && m_model->columnCount() > baza::Z;
    const bool failingOnly = m_failingOnly && m_failingOnly->isChecked();
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const bool shown = !open || (baza::RecordMatches(filter, t.textAt(row, baza::Gmina), t.textAt(row, baza::Natura2000),
                                                         t.textAt(row, baza::Wojewodztwo), t.textAt(row, baza::Uwagi),
                                                         t.integerAt(row, baza::Kod)) &&
                                     (!failingOnly || m_failingPages.contains(TrimmedText(t.textAt(row, baza::Info)))));
        if (m_grid->isRowHidden(row) == shown)
            m_grid->setRowHidden(row, !shown);
    }
}

void TForm1::refreshFailingPages()
{
    m_failingPages.clear();
    const powiadomienia::FailingPagesResult failing =
        powiadomienia::FailingPages(m_baza.directory(), m_baza.table(), m_settings.failingChecks);
    if (!failing.problem.isEmpty())
        m_report.LogEvent(QStringLiteral("Historii stron nie udało się odczytać: ") + failing.problem);
    for (const powiadomienia::FailingPageAlert& alert : failing.pages)
        m_failingPages.insert(alert.address);
    applyFilter();
}

void TForm1::GoToReportLine(const QString& line)
{
    const qint32 lp = RunReport::LpOfReportLine(line);
    dbf::DbfTable& t = m_baza.table();
    if (lp <= 0 || !t.isOpen() || t.state() != dbf::DbfTable::State::Browse)
        return;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (t.integerAt(row, baza::LP) != lp)
            continue;
        if (m_grid->isRowHidden(row)) {
            m_filter->clear(); // the record is not left hidden by the filter
            m_failingOnly->setChecked(false);
        }
        t.setRow(row);
        m_grid->scrollTo(m_model->index(row, baza::Gmina));
        m_grid->setFocus();
        return;
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    bool handled = false;
    RunHandler(m_dialogs, [&] { handled = filterEvent(watched, event); });
    return handled || QMainWindow::eventFilter(watched, event);
}

bool TForm1::filterEvent(QObject* watched, QEvent* event)
{
    // Events arrive while the window is still being built.
    if (!m_grid || !m_memo1 || !m_memo2)
        return false;
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
            DBGrid1DblClick();
            return true;
        }
    }
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        m_model->rowCount() == 0) {
        DBGrid1DblClick();
        return true;
    }
    for (QPlainTextEdit* memo : {m_memo1, m_memo2}) {
        if (watched == memo->viewport() && event->type() == QEvent::MouseButtonDblClick) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            GoToReportLine(memo->cursorForPosition(at).block().text());
            return true;
        }
    }
    return false;
}

void TForm1::Edytuj1Click()
{
    if (!m_editor)
        return;
    m_editor->LoadEditor();
    m_editor->exec();
}

void TForm1::Usun1Click()
{
    m_baza.table().deleteRecord();
}

void TForm1::Wysoki1Click()
{
    m_baza.SetPriorityMark(3);
}

void TForm1::Sredni1Click()
{
    m_baza.SetPriorityMark(2);
}

void TForm1::Niski1Click()
{
    m_baza.SetPriorityMark(1);
}

void TForm1::Odznacz1Click()
{
    m_baza.SetPriorityMark(0);
}

QString TForm1::currentField(int field) const
{
    const dbf::DbfTable& t = m_baza.table();
    return t.isOpen() && !t.isEmpty() ? t.text(field) : QString();
}

void TForm1::dom1Click()
{
    openPage(currentField(baza::Dom));
}

void TForm1::info1Click()
{
    openPage(currentField(baza::Info));
}

void TForm1::bip1Click()
{
    openPage(currentField(baza::Bip));
}

void TForm1::StronaInfoClick()
{
    openPage(m_stronaInfo->text());
}

void TForm1::Historia1Click()
{
    const QString page = currentField(baza::Info).trimmed();
    if (page.isEmpty())
        return;
    HistoryWindow window(m_baza.directory(), page, currentField(baza::Gmina), this);
    window.exec();
}

void TForm1::SpeedButton8Click()
{
    NoticesWindow window(m_baza.directory(), m_baza.table(), this);
    window.exec();
}

void TForm1::ShowHistoryOfUpdatedLine(const QString& line)
{
    const UpdatedLineRecord record = RecordOfUpdatedLine(m_baza.table(), line);
    if (record.page.isEmpty())
        return;
    HistoryWindow window(m_baza.directory(), record.page, record.gmina, this);
    window.exec();
}

void TForm1::openPage(const QString& address)
{
    new TWyswietl(address, m_dialogs); // runs by itself and deletes itself
}

// --- toolbar ---

void TForm1::SpeedButton1Click()
{
    // The button has already flipped its pressed state.
    if (m_publish->running() && !m_run->active()) {
        // A run resets the marks that the publication is sending.
        m_speedButton1->setChecked(false);
        m_dialogs.message(QStringLiteral("Trwa publikacja wykazu na serwerze. Poczekaj na jej koniec albo ją przerwij."));
        return;
    }
    if (!m_baza.holdsWindowClaim() && !m_run->active()) {
        // Refused at start because another window had the register: try
        // again, it may have gone meanwhile.
        if (!m_baza.ClaimForWindow()) {
            m_speedButton1->setChecked(false);
            m_dialogs.error(m_baza.OtherWindowText());
            return;
        }
        FormActivate();
    }
    // The button has flipped: a click while a run is active stops it, a
    // click that pressed the button starts one.
    if (m_run->active())
        m_run->Stop();
    else if (m_speedButton1->isChecked())
        m_run->Start();
    else
        showRunState();
}

void TForm1::SpeedButton2Click()
{
    if (m_configuration)
        m_configuration->exec();
}

void TForm1::SpeedButton3Click()
{
    if (m_about)
        m_about->exec();
}

void TForm1::SpeedButton4Click()
{
    if (m_publish->running())
        return;
    if (publikacja::MayPublish(m_baza, m_run->active(), m_report, m_dialogs))
        m_publish->Start(m_baza, m_settings);
}

void TForm1::PrzerwijClick()
{
    m_publish->Stop();
    showRunState();
}

void TForm1::publicationEnded(const QString& error)
{
    showRunState();
    // A file error of the local copy ended it; the copy stays for a look.
    if (!error.isEmpty())
        m_dialogs.error(error);
}

void TForm1::SpeedButton5Click()
{
    m_report.ClearEventLog();
}

void TForm1::SpeedButton6Click()
{
    SaveReport(m_report, m_dialogs);
}

void TForm1::SpeedButton7Click()
{
    OpenManual(m_baza.directory(), m_dialogs);
}

void TForm1::Importuj1Click()
{
    wymiana::ImportRegisterFromFile(m_baza, m_dialogs, m_run->active());
}

void TForm1::Eksportuj1Click()
{
    wymiana::ExportRegisterToFile(m_baza, m_dialogs);
}

void TForm1::Button1Click()
{
    m_baza.ResetMeasures();
}

void TForm1::Timer1Timer()
{
    m_timeUTC->setText(systemformat::clockTime(Clock::now().time()));
}

void TForm1::showRunState()
{
    const RunController& r = *m_run;
    {
        const QSignalBlocker block(m_speedButton1);
        m_speedButton1->setChecked(r.active());
        m_speedButton1->setIcon(style()->standardIcon(r.active() ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    }
    m_czas1->setText(r.czas1());
    m_timeStart->setText(r.timeStart());
    m_czas2->setText(r.czas2());
    m_progressBar1->setMaximum(qMax(1, r.progressMaximum()));
    m_progressBar1->setValue(r.progressPosition());
    // "n z N" while a run steps; an idle bar says nothing.
    const bool counting = r.active() && r.progressPosition() > 0;
    m_progressBar1->setTextVisible(counting);
    m_progressBar1->setFormat(counting ? QStringLiteral("%1 z %2").arg(r.progressPosition()).arg(r.progressMaximum())
                                       : QString());
    m_nazwaGminy->setText(r.nazwaGminy());
    m_nazwaObszaru->setText(r.nazwaObszaru());
    m_wojewodztwo->setText(r.wojewodztwo());
    m_stronaInfo->setText(r.stronaInfo());
    m_checksInFlight->setText(QStringLiteral("Stron w toku: %1").arg(r.checksInFlight()));
    m_checksInFlight->setVisible(r.active());
    // While publication works the grid gives way to its step text.
    const bool publishing = m_publish->running();
    // The panel keeps publication's closing text until a run writes its own.
    if (publishing)
        m_panelShowsPublication = true;
    else if (r.active())
        m_panelShowsPublication = false;
    m_panel2->setText(m_panelShowsPublication ? m_publish->caption() : r.panelCaption());
    m_grid->setEnabled(r.gridEnabled());
    m_grid->setVisible(r.gridVisible() && !publishing);
    m_speedButton4->setEnabled(!publishing);
    m_przerwij->setVisible(publishing);
    m_przerwij->setEnabled(publishing && !m_publish->stopRequested());
}
