#include "noticeswindow.h"

#include "historywindow.h"

#include "historia/historyerror.h"
#include "historia/historystore.h"
#include "platform/clock.h"
#include "platform/programerror.h"
#include "text/systemformat.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Wykryto, Gmina, Obszar, Rodzaj, Procedura, Etap, Znak, Termin, Zostalo, ColumnCount };

QString dash(const QString& s)
{
    return s.isEmpty() ? QStringLiteral("–") : s;
}

} // namespace

NoticesWindow::NoticesWindow(const QString& dataDirectory, const dbf::DbfTable& table, QWidget* parent)
    : QDialog(parent), m_directory(dataDirectory), m_today(Clock::now().date()),
      m_records(ogloszenia::RecordsOfPages(table))
{
    setObjectName(QStringLiteral("NoticesWindow"));
    setWindowTitle(QStringLiteral("Ogłoszenia"));
    resize(1000, 560);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_open = new QCheckBox(QStringLiteral("termin uwag otwarty"), this);
    m_open->setObjectName(QStringLiteral("TerminOtwarty"));
    m_open->setToolTip(QStringLiteral("Tylko ogłoszenia, w których można jeszcze składać uwagi, "
                                      "od najbliższego terminu"));
    top->addWidget(m_open);
    top->addStretch(1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Stan"));
    top->addWidget(m_status);
    layout->addLayout(top);

    m_list = new QTableWidget(0, ColumnCount, this);
    m_list->setObjectName(QStringLiteral("ListaOgloszen"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Wykryto"), QStringLiteral("Gmina"), QStringLiteral("Obszar"),
                                       QStringLiteral("Rodzaj"), QStringLiteral("Procedura"), QStringLiteral("Etap"),
                                       QStringLiteral("Znak sprawy"), QStringLiteral("Termin uwag"),
                                       QStringLiteral("Zostało")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setToolTip(QStringLiteral("Kliknij dwukrotnie ogłoszenie, aby zobaczyć historię strony przy kontroli, "
                                      "która je znalazła"));
    layout->addWidget(m_list, 1);

    auto* buttons = new QHBoxLayout;
    auto* history = new QPushButton(QStringLiteral("Historia strony"), this);
    history->setObjectName(QStringLiteral("HistoriaStrony"));
    auto* close = new QPushButton(QStringLiteral("Zamknij"), this);
    close->setObjectName(QStringLiteral("Zamknij"));
    buttons->addWidget(history);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_open, &QCheckBox::toggled, this, &NoticesWindow::TerminOtwartyClick);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ListaDblClick(row); });
    connect(history, &QPushButton::clicked, this, [this] { ListaDblClick(m_list->currentRow()); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    const QString path = historia::HistoryStore::PathIn(dataDirectory);
    if (QFile::exists(path)) {
        m_store = std::make_unique<historia::HistoryStore>(path);
        try {
            m_store->open(historia::HistoryStore::Mode::ReadOnly);
        } catch (const std::exception& e) {
            m_store.reset();
            m_problem = QStringLiteral("Historia stron niedostępna: %1").arg(ErrorText(e));
        }
    }
    load();
}

NoticesWindow::~NoticesWindow() = default;

void NoticesWindow::TerminOtwartyClick(bool open)
{
    if (m_open->isChecked() != open) {
        m_open->setChecked(open); // comes back here through toggled
        return;
    }
    load();
}

void NoticesWindow::load()
{
    const bool open = m_open->isChecked();
    m_notices.clear();
    QString problem = m_problem;
    if (m_store) {
        try {
            m_notices = ogloszenia::ListNotices(*m_store, m_records, open ? m_today : QDate());
        } catch (const std::exception& e) {
            problem = QStringLiteral("Nie można odczytać ogłoszeń: %1").arg(ErrorText(e));
        }
    }
    m_list->setColumnHidden(Zostalo, !open);
    m_list->setRowCount(int(m_notices.size()));
    for (int r = 0; r < m_notices.size(); ++r) {
        const ogloszenia::ListedNotice& l = m_notices[r];
        const ogloszenia::Notice& n = l.stored.notice;
        const QStringList cells{systemformat::dateTime(l.stored.seen),
                                l.municipalities(),
                                l.areas(),
                                n.kind,
                                n.procedure,
                                n.stage,
                                n.reference,
                                ogloszenia::CommentWindowText(n),
                                ogloszenia::DaysLeftText(n, m_today)};
        QStringList tip{ogloszenia::NoticeHeading(n)};
        if (!n.authority.isEmpty())
            tip << n.authority;
        if (!n.subject.isEmpty())
            tip << QStringLiteral("Przedmiot: ") + n.subject;
        if (n.natura2000)
            tip << QStringLiteral("Natura 2000: ") + (n.area.isEmpty() ? QStringLiteral("tak") : n.area) +
                       (l.ownArea() ? QString() : QStringLiteral(" (inny obszar niż w rejestrze)"));
        tip << QStringLiteral("Strona: ") + l.stored.address;
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(dash(cells[col]));
            item->setToolTip(tip.join(u'\n'));
            m_list->setItem(r, col, item);
        }
    }
    m_list->resizeColumnsToContents();
    // Long names and subjects must not push the deadline out of sight.
    for (const int col : {Gmina, Obszar})
        m_list->setColumnWidth(col, qMin(m_list->columnWidth(col), 220));
    if (!problem.isEmpty())
        m_status->setText(problem);
    else
        m_status->setText(m_notices.isEmpty()
                              ? (open ? QStringLiteral("Żadne ogłoszenie nie ma otwartego terminu uwag.")
                                      : QStringLiteral("Kontrole nie znalazły jeszcze żadnego ogłoszenia."))
                              : (open ? QStringLiteral("Otwarte terminy uwag: %1").arg(m_notices.size())
                                      : QStringLiteral("Ogłoszenia: %1").arg(m_notices.size())));
    if (!m_notices.isEmpty())
        m_list->selectRow(0);
}

void NoticesWindow::ListaDblClick(int row)
{
    if (row < 0 || row >= m_notices.size())
        return;
    const ogloszenia::ListedNotice& l = m_notices[row];
    HistoryWindow window(m_directory, l.stored.page, l.municipalities(), this);
    window.selectCheckWithId(l.stored.checkId);
    window.exec();
}
