// The main window's controls and menus, built once at creation. The
// behaviour is in tform1.cpp.
#include "tform1.h"

#include "appicon.h"
#include "clickablelabel.h"
#include "registermodel.h"
#include "rowcolourdelegate.h"

#include "baza/recordfilter.h"
#include "baza/checkcode.h"
#include "dbf/dbftable.h"
#include "platform/handlererrors.h"

#include <QComboBox>
#include <QGroupBox>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShortcut>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kTopBarHeight = 57;
constexpr int kBottomAreaHeight = 212;

QToolButton* pictureButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap picture)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setFixedSize(40, 40);
    b->setIcon(parent->style()->standardIcon(picture));
    b->setIconSize(QSize(26, 26));
    b->setAutoRaise(true);
    return b;
}

QLabel* boldLabel(QWidget* parent, const char* name, const QString& text, const QString& colour = QString())
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    if (!colour.isEmpty())
        l->setStyleSheet(QStringLiteral("color: %1;").arg(colour));
    return l;
}

} // namespace

void TForm1::buildWindow()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QWidget(central);
    bar->setObjectName(QStringLiteral("Panel1"));
    bar->setFixedHeight(kTopBarHeight);
    buildToolbar(bar);
    layout->addWidget(bar);

    m_splitter = new QSplitter(Qt::Vertical, central);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setChildrenCollapsible(false);
    auto* centre = new QWidget(m_splitter);
    buildCentre(centre);
    m_splitter->addWidget(centre);
    m_splitter->addWidget(buildBottom());
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setSizes({589 - kTopBarHeight - kBottomAreaHeight, kBottomAreaHeight});
    layout->addWidget(m_splitter, 1);
    setCentralWidget(central);

    buildMenus();
    buildTray();
}

void TForm1::buildToolbar(QWidget* bar)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(4);

    m_speedButton1 = pictureButton(bar, "SpeedButton1", QStringLiteral("Rozpocznij monitoring stron internetowych"),
                                   QStyle::SP_MediaPlay);
    m_speedButton1->setCheckable(true);
    m_speedButton4 = pictureButton(bar, "SpeedButton4", QStringLiteral("Dopisz rekordy do pliku i wyślij na serwer"),
                                   QStyle::SP_ArrowUp);
    m_speedButton8 = pictureButton(bar, "SpeedButton8", QStringLiteral("Ogłoszenia znalezione na stronach gmin"),
                                   QStyle::SP_FileDialogContentsView);
    m_speedButton2 = pictureButton(bar, "SpeedButton2", QStringLiteral("Konfiguracja"), QStyle::SP_FileDialogDetailedView);
    m_speedButton7 = pictureButton(bar, "SpeedButton7", QStringLiteral("Instrukcja obsługi"), QStyle::SP_TitleBarContextHelpButton);
    for (QToolButton* b : {m_speedButton1, m_speedButton4, m_speedButton8, m_speedButton2, m_speedButton7})
        row->addWidget(b);
    row->addSpacing(12);

    m_progressBar1 = new QProgressBar(bar);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setTextVisible(false);
    row->addWidget(m_progressBar1, 1);

    auto* times = new QVBoxLayout();
    times->setSpacing(0);
    m_timeStart = boldLabel(bar, "TimeStart", QStringLiteral("00:00:00"));
    m_timeStart->setToolTip(QStringLiteral("Czas rozpoczęcia kontroli"));
    m_czas2 = boldLabel(bar, "Czas2", QStringLiteral("00:00:00"), QStringLiteral("red"));
    m_czas2->setToolTip(QStringLiteral("Szacowany czas zakończenia kontroli"));
    times->addWidget(m_timeStart);
    times->addWidget(m_czas2);
    row->addLayout(times);
    m_czas1 = new QLabel(QStringLiteral("0"), bar);
    m_czas1->setObjectName(QStringLiteral("Czas1"));
    m_czas1->hide();
    row->addSpacing(12);

    m_speedButton3 = pictureButton(bar, "SpeedButton3", QStringLiteral("O programie"), QStyle::SP_MessageBoxInformation);
    row->addWidget(m_speedButton3);
    m_timeUTC = new QLabel(QStringLiteral("00:00:00"), bar);
    m_timeUTC->setObjectName(QStringLiteral("TimeUTC"));
    m_timeUTC->setAlignment(Qt::AlignCenter);
    m_timeUTC->setMinimumWidth(96);
    m_timeUTC->setStyleSheet(QStringLiteral("background: black; color: lime; font-family: Arial; font-weight: bold;"
                                            " font-size: 16px; padding: 4px;"));
    row->addWidget(m_timeUTC);

    connect(m_speedButton1, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton1Click));
    connect(m_speedButton2, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton2Click));
    connect(m_speedButton3, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton3Click));
    connect(m_speedButton4, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton4Click));
    connect(m_speedButton7, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton7Click));
    connect(m_speedButton8, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton8Click));
}

void TForm1::buildCentre(QWidget* centre)
{
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildFilterRow(centre));
    // Panel2's caption is seen only while the grid is hidden.
    m_panel2 = new QLabel(QStringLiteral("Przetwarzanie danych. Czekaj ..."), centre);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setAlignment(Qt::AlignCenter);
    QFont f = m_panel2->font();
    f.setPixelSize(16);
    m_panel2->setFont(f);
    layout->addWidget(m_panel2);
    // Stops a publication; seen only while one works.
    m_przerwij = new QPushButton(QStringLiteral("Przerwij"), centre);
    m_przerwij->setObjectName(QStringLiteral("Przerwij"));
    m_przerwij->setToolTip(QStringLiteral("Przerywa publikację; wykaz na serwerze zostaje taki, jaki był"));
    m_przerwij->hide();
    layout->addWidget(m_przerwij, 0, Qt::AlignHCenter);
    auto* gridLayout = new QVBoxLayout(m_panel2);
    gridLayout->setContentsMargins(0, 0, 0, 0);

    m_grid = new QTableView(m_panel2);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setFont(font());
    // Locked during a run, but as readable as ever: the disabled grid keeps
    // the enabled colours (grey text would vanish on the silver rows).
    QPalette palette = m_grid->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText, QPalette::Base,
                                           QPalette::AlternateBase, QPalette::Window, QPalette::Button,
                                           QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    m_grid->setPalette(palette);
    m_model = new RegisterModel(m_baza.table(), this);
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new RowColourDelegate(m_grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setTabKeyNavigation(true);
    m_grid->setShowGrid(true);
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setSectionsMovable(true);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setMinimumSectionSize(16);
    // The pointer is a hand over the titles (they sort) and an arrow elsewhere.
    m_grid->horizontalHeader()->setCursor(Qt::PointingHandCursor);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    gridLayout->addWidget(m_grid);

    // Enter and F2 edit, a double-click on an empty grid adds the first record.
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    connect(m_model, &QAbstractItemModel::modelReset, this, Handler(this, m_dialogs, &TForm1::applyFilter));
    connect(m_model, &QAbstractItemModel::dataChanged, this, Handler(this, m_dialogs, &TForm1::applyFilter));
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, Handler(this, m_dialogs, &TForm1::DBGrid1TitleClick));
    connect(m_grid, &QTableView::doubleClicked, this, Handler(this, m_dialogs, &TForm1::DBGrid1DblClick));
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QPoint at = pos;
        const QModelIndex index = m_grid->indexAt(pos);
        if (index.isValid())
            m_grid->setCurrentIndex(index);
        else if (m_grid->currentIndex().isValid() && !m_grid->viewport()->rect().contains(pos))
            at = m_grid->visualRect(m_grid->currentIndex()).center(); // the menu key: at the current row
        m_popupMenu1->popup(m_grid->viewport()->mapToGlobal(at));
    });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            Handler(m_dialogs, [this](const QModelIndex& current) {
                if (m_syncingCursor || !current.isValid() || !m_baza.table().isOpen())
                    return;
                if (m_baza.table().state() == dbf::DbfTable::State::Browse)
                    m_baza.table().setRow(current.row());
            }));
    connect(&m_baza.table(), &dbf::DbfTable::currentRowChanged, this, Handler(this, m_dialogs, &TForm1::scheduleCursorSync));
    connect(m_model, &QAbstractItemModel::modelReset, this, Handler(this, m_dialogs, &TForm1::scheduleCursorSync));
}

QWidget* TForm1::buildBottom()
{
    auto* bottom = new QWidget(m_splitter);
    bottom->setMinimumHeight(120);
    auto* layout = new QVBoxLayout(bottom);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(3);

    m_statusBox = new QGroupBox(QStringLiteral(" aktualnie kontrolowana strona: "), bottom);
    m_statusBox->setObjectName(QStringLiteral("GroupBox1"));
    auto* status = new QGridLayout(m_statusBox);
    status->setContentsMargins(6, 2, 6, 2);
    m_nazwaGminy = boldLabel(m_statusBox, "NazwaGminy", QStringLiteral("NazwaGminy"), QStringLiteral("maroon"));
    m_nazwaObszaru = boldLabel(m_statusBox, "NazwaObszaru", QStringLiteral("NazwaObszaru"), QStringLiteral("green"));
    m_wojewodztwo = boldLabel(m_statusBox, "Wojewodztwo", QStringLiteral("Województwo"));
    auto* stronaInfo = new ClickableLabel(QStringLiteral("StronaInfo"), m_statusBox);
    m_stronaInfo = stronaInfo;
    m_stronaInfo->setObjectName(QStringLiteral("StronaInfo"));
    m_stronaInfo->setToolTip(QStringLiteral("Kliknij aby otworzyć stronę"));
    m_stronaInfo->setCursor(Qt::PointingHandCursor);
    m_stronaInfo->setStyleSheet(QStringLiteral("color: navy; font-style: italic; text-decoration: underline;"));
    m_stronaInfo->setTextInteractionFlags(Qt::NoTextInteraction);
    status->addWidget(m_nazwaGminy, 0, 0);
    status->addWidget(m_nazwaObszaru, 0, 1);
    status->addWidget(m_wojewodztwo, 0, 2);
    // How many pages are being checked at this moment; shown during a run.
    m_checksInFlight = new QLabel(m_statusBox);
    m_checksInFlight->setObjectName(QStringLiteral("StronWToku"));
    m_checksInFlight->setToolTip(QStringLiteral("Liczba stron sprawdzanych w tej chwili"));
    m_checksInFlight->hide();
    status->addWidget(m_checksInFlight, 0, 3, Qt::AlignRight);
    status->addWidget(m_stronaInfo, 1, 0, 1, 4);
    status->setColumnStretch(1, 1);
    connect(stronaInfo, &ClickableLabel::clicked, this, Handler(this, m_dialogs, &TForm1::StronaInfoClick));
    layout->addWidget(m_statusBox);

    m_paneSplitter = new QSplitter(Qt::Horizontal, bottom);
    m_paneSplitter->setObjectName(QStringLiteral("Splitter2"));
    auto pane = [this](const QString& title, const char* name, QPlainTextEdit** memo) {
        auto* box = new QGroupBox(title, m_paneSplitter);
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(2, 2, 2, 2);
        *memo = new QPlainTextEdit(box);
        (*memo)->setObjectName(QLatin1String(name));
        (*memo)->setReadOnly(true);
        (*memo)->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        (*memo)->setLineWrapMode(QPlainTextEdit::NoWrap);
        l->addWidget(*memo);
        return box;
    };
    m_paneSplitter->addWidget(pane(QStringLiteral("Lista błędnych stron"), "Memo1", &m_memo1));
    m_paneSplitter->addWidget(pane(QStringLiteral("Lista stron zaktualizowanych"), "Memo2", &m_memo2));
    // A double-click on a line goes to its record.
    for (QPlainTextEdit* memo : {m_memo1, m_memo2}) {
        memo->viewport()->installEventFilter(this);
        memo->setToolTip(QStringLiteral("Kliknij dwukrotnie wiersz, aby przejść do jego rekordu"));
    }
    layout->addWidget(m_paneSplitter, 1);

    auto* logRow = new QHBoxLayout();
    m_comboBox1 = new QComboBox(bottom);
    m_comboBox1->setObjectName(QStringLiteral("ComboBox1"));
    m_comboBox1->setEditable(false);
    m_comboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    logRow->addWidget(m_comboBox1, 1);
    m_speedButton6 = pictureButton(bottom, "SpeedButton6", QStringLiteral("Zapisz raport"), QStyle::SP_DialogSaveButton);
    m_speedButton5 = pictureButton(bottom, "SpeedButton5", QStringLiteral("Wyczyść raport"), QStyle::SP_DialogResetButton);
    for (QToolButton* b : {m_speedButton6, m_speedButton5}) {
        b->setFixedSize(24, 24);
        b->setIconSize(QSize(16, 16));
        logRow->addWidget(b);
    }
    connect(m_speedButton6, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton6Click));
    connect(m_speedButton5, &QToolButton::clicked, this, Handler(this, m_dialogs, &TForm1::SpeedButton5Click));
    layout->addLayout(logRow);

    // Never shown: the reset of every measure.
    m_button1 = new QPushButton(QStringLiteral("Button1"), bottom);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->hide();
    connect(m_button1, &QPushButton::clicked, this, Handler(this, m_dialogs, &TForm1::Button1Click));
    return bottom;
}

QWidget* TForm1::buildFilterRow(QWidget* parent)
{
    auto* rowWidget = new QWidget(parent);
    auto* rows = new QVBoxLayout(rowWidget);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);
    auto* caption = new QLabel(QStringLiteral("&Filtr:"), rowWidget);
    m_filter = new QLineEdit(rowWidget);
    m_filter->setObjectName(QStringLiteral("Filtr"));
    m_filter->setPlaceholderText(QStringLiteral("gmina, obszar, województwo lub werdykt (Ctrl+F)"));
    m_filter->setClearButtonEnabled(true);
    caption->setBuddy(m_filter);
    row->addWidget(caption);
    row->addWidget(m_filter, 1);
    connect(m_filter, &QLineEdit::textChanged, this, Handler(this, m_dialogs, &TForm1::FilterChange));
    m_failingOnly = new QCheckBox(QStringLiteral("strony niedostępne"), rowWidget);
    m_failingOnly->setObjectName(QStringLiteral("FiltrNiedostepne"));
    m_failingOnly->setToolTip(QStringLiteral("Tylko rekordy stron, których ostatnie kontrole wszystkie się nie udały "
                                             "(ich liczbę ustawia zakładka „Powiadomienia” konfiguracji)"));
    row->addWidget(m_failingOnly);
    connect(m_failingOnly, &QCheckBox::toggled, this, [this](bool ticked) {
        RunHandler(m_dialogs, [&] {
            if (ticked)
                refreshFailingPages();
            else
                applyFilter();
        });
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_filter->setFocus();
        m_filter->selectAll();
    });

    // The legend of the row colours, in the words of the kod table (the hint
    // tells the hand marks too), on a line of its own: the verdicts' words
    // need more room than the filter row has on a small screen.
    auto* legendRow = new QHBoxLayout;
    rows->addLayout(legendRow);
    auto* legend = new QLabel(QStringLiteral("Kolory:"), rowWidget);
    legend->setObjectName(QStringLiteral("Legenda"));
    legendRow->addWidget(legend);
    for (const baza::CheckCodeLook& look : baza::CheckCodeTable()) {
        if (!look.colour)
            continue;
        auto* l = new QLabel(look.shortText, rowWidget);
        l->setObjectName(QStringLiteral("Legenda%1").arg(int(look.code)));
        l->setToolTip(look.longText);
        l->setStyleSheet(QStringLiteral("background: rgb(%1,%2,%3); color: black; padding: 1px 6px;")
                             .arg(baza::RedOf(*look.colour))
                             .arg(baza::GreenOf(*look.colour))
                             .arg(baza::BlueOf(*look.colour)));
        legendRow->addWidget(l);
    }
    legendRow->addStretch(1);
    return rowWidget;
}

void TForm1::buildMenus()
{
    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [](QMenu* menu, const QString& text, const char* name) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    connect(add(m_popupMenu1, QStringLiteral("Edytuj"), "Edytuj1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Edytuj1Click));
    connect(add(m_popupMenu1, QStringLiteral("Usuń"), "Usun1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Usun1Click));
    QMenu* priority = m_popupMenu1->addMenu(QStringLiteral("Priorytet"));
    priority->menuAction()->setObjectName(QStringLiteral("Priorytet1"));
    connect(add(priority, QStringLiteral("Wysoki"), "Wysoki1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Wysoki1Click));
    connect(add(priority, QStringLiteral("Średni"), "Sredni1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Sredni1Click));
    connect(add(priority, QStringLiteral("Niski"), "Niski1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Niski1Click));
    priority->addSeparator();
    connect(add(priority, QStringLiteral("Odznacz"), "Odznacz1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Odznacz1Click));
    m_popupMenu1->addSeparator();
    connect(add(m_popupMenu1, QStringLiteral("Otwórz stronę domową"), "dom1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::dom1Click));
    connect(add(m_popupMenu1, QStringLiteral("Otwórz stronę informacyjną"), "info1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::info1Click));
    connect(add(m_popupMenu1, QStringLiteral("Otwórz stronę BIP"), "bip1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::bip1Click));
    m_popupMenu1->addSeparator();
    connect(add(m_popupMenu1, QStringLiteral("Historia strony"), "Historia1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::Historia1Click));

    QMenu* rejestr = menuBar()->addMenu(QStringLiteral("Rejestr"));
    rejestr->menuAction()->setObjectName(QStringLiteral("Rejestr1"));
    connect(add(rejestr, QStringLiteral("Importuj z pliku CSV…"), "Importuj1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::Importuj1Click));
    connect(add(rejestr, QStringLiteral("Eksportuj do pliku CSV…"), "Eksportuj1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::Eksportuj1Click));

    // The commands of the toolbar and of the grid, reachable by keyboard.
    QMenu* program = menuBar()->addMenu(QStringLiteral("&Program"));
    program->menuAction()->setObjectName(QStringLiteral("Program1"));
    QAction* startStop = add(program, QStringLiteral("&Rozpocznij / zatrzymaj kontrolę"), "StartStop1");
    startStop->setShortcut(Qt::Key_F5);
    connect(startStop, &QAction::triggered, this, [this] { m_speedButton1->click(); });
    connect(add(program, QStringLiteral("&Wyślij zaktualizowane na serwer"), "Wyslij1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::SpeedButton4Click));
    connect(add(program, QStringLiteral("Ogło&szenia…"), "Ogloszenia1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::SpeedButton8Click));
    connect(add(program, QStringLiteral("&Konfiguracja…"), "Konfiguracja1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::SpeedButton2Click));
    program->addSeparator();
    QAction* manual = add(program, QStringLiteral("&Instrukcja obsługi"), "Instrukcja1");
    manual->setShortcut(Qt::Key_F1);
    connect(manual, &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::SpeedButton7Click));
    connect(add(program, QStringLiteral("&O programie"), "OProgramie1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::SpeedButton3Click));
    program->addSeparator();
    connect(add(program, QStringLiteral("&Zamknij program"), "ZamknijMenu1"), &QAction::triggered, this,
            [this] { close(); });
    QAction* record = menuBar()->addMenu(m_popupMenu1);
    record->setText(QStringLiteral("Re&kord"));
    record->setObjectName(QStringLiteral("Rekord1"));
    // The menu bar's record commands act on the grid: not during a run.
    connect(m_popupMenu1, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : m_popupMenu1->actions())
            a->setEnabled(m_grid->isEnabled());
    });

    m_popupMenu2 = new QMenu(this);
    m_popupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    connect(add(m_popupMenu2, QStringLiteral("Pokaż"), "Pokaz1"), &QAction::triggered, this, Handler(this, m_dialogs, &TForm1::Pokaz1Click));
    m_popupMenu2->addSeparator();
    connect(add(m_popupMenu2, QStringLiteral("Zamknij program"), "Zamknij1"), &QAction::triggered, this,
            Handler(this, m_dialogs, &TForm1::Zamknij1Click));
}

void TForm1::buildTray()
{
    m_trayIcon1 = new QSystemTrayIcon(AppIcon(), this);
    m_trayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon1->setToolTip(QStringLiteral("Ekowarta"));
    m_trayIcon1->setContextMenu(m_popupMenu2);
    connect(m_trayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            TrayIcon1DblClick();
    });
}
