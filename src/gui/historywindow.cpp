#include "historywindow.h"
#include "windowplace.h"

#include "baza/checkcode.h"
#include "historia/checkdetails.h"
#include "ogloszenia/noticelist.h"
#include "platform/programerror.h"
#include "platform/shell.h"
#include "text/systemformat.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString dash(const QString& s)
{
    return s.isEmpty() ? QStringLiteral("–") : s;
}

void addLines(QTextEdit* edit, const QStringList& lines, const QString& mark, const QColor& colour)
{
    for (const QString& line : lines) {
        QTextCharFormat format;
        format.setForeground(colour);
        QTextCursor c(edit->document());
        c.movePosition(QTextCursor::End);
        if (!edit->document()->isEmpty())
            c.insertBlock();
        c.insertText(mark + line, format);
    }
}

// A notice the check brought, above its lines: what it is, who signed it,
// the procedure and the comment window, the subject.
void addNotice(QTextEdit* edit, const ogloszenia::Notice& n, const QColor& colour)
{
    QTextCharFormat bold;
    bold.setForeground(colour);
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat plain;
    plain.setForeground(colour);
    QTextCursor c(edit->document());
    c.movePosition(QTextCursor::End);
    if (!edit->document()->isEmpty())
        c.insertBlock();
    QString heading = QStringLiteral("Ogłoszenie: ") + ogloszenia::NoticeHeading(n);
    if (!n.authority.isEmpty())
        heading += QStringLiteral(" – ") + n.authority;
    c.insertText(heading, bold);
    QStringList facts{n.procedure, n.stage};
    const QString window = ogloszenia::CommentWindowText(n);
    facts << (window.isEmpty() ? QStringLiteral("bez terminu uwag") : QStringLiteral("uwagi: ") + window);
    if (n.natura2000)
        facts << QStringLiteral("Natura 2000: ") + (n.area.isEmpty() ? QStringLiteral("tak") : n.area);
    c.insertBlock();
    c.insertText(QStringLiteral("    ") + facts.join(QStringLiteral("; ")), plain);
    if (!n.subject.isEmpty()) {
        c.insertBlock();
        c.insertText(QStringLiteral("    Przedmiot: ") + n.subject, plain);
    }
}

} // namespace

HistoryWindow::HistoryWindow(const QString& dataDirectory, const QString& page, const QString& gmina,
                             QWidget* parent)
    : QDialog(parent), m_page(page),
      m_store(std::make_unique<historia::HistoryStore>(historia::HistoryStore::PathIn(dataDirectory)))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Historia strony – %1").arg(gmina));
    resize(820, 600);
    KeepWindowSize(this, dataDirectory, QStringLiteral("Historia"));

    auto* layout = new QVBoxLayout(this);
    auto* address = new QLabel(QStringLiteral("Strona: %1").arg(page), this);
    address->setObjectName(QStringLiteral("Adres"));
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(address);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Stan"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    m_list = new QTableWidget(0, 6, this);
    m_list->setObjectName(QStringLiteral("ListaKontroli"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Data kontroli"), QStringLiteral("Kod"),
                                       QStringLiteral("Werdykt"), QStringLiteral("Rozmiar"),
                                       QStringLiteral("Wiersze"), QStringLiteral("Data na stronie")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_list, 2);

    m_details = new QTextEdit(this);
    m_details->setObjectName(QStringLiteral("Roznice"));
    m_details->setReadOnly(true);
    layout->addWidget(m_details, 3);

    auto* documentsLabel = new QLabel(QStringLiteral("Dokumenty podlinkowane:"), this);
    layout->addWidget(documentsLabel);
    m_documentList = new QTableWidget(0, 4, this);
    m_documentList->setObjectName(QStringLiteral("Dokumenty"));
    m_documentList->setHorizontalHeaderLabels({QStringLiteral("Rodzaj"), QStringLiteral("Rozmiar"),
                                               QStringLiteral("Odczyt"), QStringLiteral("Adres")});
    m_documentList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_documentList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_documentList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_documentList->verticalHeader()->hide();
    m_documentList->horizontalHeader()->setStretchLastSection(true);
    m_documentList->setMaximumHeight(110);
    documentsLabel->setBuddy(m_documentList);
    layout->addWidget(m_documentList, 1);

    auto* rules = new QHBoxLayout;
    m_ruleText = new QLineEdit(this);
    m_ruleText->setObjectName(QStringLiteral("RegulaTekst"));
    m_ruleText->setPlaceholderText(QStringLiteral("ignoruj wiersze zawierające …"));
    auto* addRule = new QPushButton(QStringLiteral("Dodaj regułę"), this);
    addRule->setObjectName(QStringLiteral("DodajRegule"));
    auto* removeRule = new QPushButton(QStringLiteral("Usuń regułę"), this);
    removeRule->setObjectName(QStringLiteral("UsunRegule"));
    rules->addWidget(new QLabel(QStringLiteral("Ignoruj wiersze zawierające:"), this));
    rules->addWidget(m_ruleText, 1);
    rules->addWidget(addRule);
    rules->addWidget(removeRule);
    layout->addLayout(rules);
    m_rules = new QListWidget(this);
    m_rules->setObjectName(QStringLiteral("Reguly"));
    m_rules->setMaximumHeight(70);
    layout->addWidget(m_rules);

    auto* buttons = new QHBoxLayout;
    m_show = new QPushButton(QStringLiteral("Pokaż zapisaną wersję"), this);
    m_show->setObjectName(QStringLiteral("PokazWersje"));
    auto* close = new QPushButton(QStringLiteral("Zamknij"), this);
    close->setObjectName(QStringLiteral("Zamknij"));
    buttons->addWidget(m_show);
    m_openDocument = new QPushButton(QStringLiteral("Otwórz zapisany dokument"), this);
    m_openDocument->setObjectName(QStringLiteral("OtworzDokument"));
    buttons->addWidget(m_openDocument);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_list, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::showDetails);
    connect(m_show, &QPushButton::clicked, this, &HistoryWindow::PokazWersjeClick);
    connect(m_documentList, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::documentChosen);
    connect(m_openDocument, &QPushButton::clicked, this, &HistoryWindow::OtworzDokumentClick);
    connect(m_documentList, &QTableWidget::cellDoubleClicked, this, &HistoryWindow::OtworzDokumentClick);
    connect(addRule, &QPushButton::clicked, this, &HistoryWindow::DodajRegueClick);
    connect(removeRule, &QPushButton::clicked, this, &HistoryWindow::UsunReguleClick);
    connect(m_ruleText, &QLineEdit::returnPressed, this, &HistoryWindow::DodajRegueClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    try {
        m_store->open(historia::HistoryStore::Mode::ReadWrite);
    } catch (const std::exception& e) {
        m_status->setText(QStringLiteral("Historia stron niedostępna: %1").arg(ErrorText(e)));
    }
    loadChecks();
    loadRules();
    if (!m_checks.isEmpty())
        selectCheck(0);
    else
        showDetails();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::loadChecks()
{
    m_checks.clear();
    if (m_store->isOpen()) {
        try {
            const QList<historia::StoredCheck> all = m_store->Checks(m_page);
            for (auto it = all.crbegin(); it != all.crend(); ++it)
                m_checks << *it;
        } catch (const std::exception& e) {
            m_status->setText(QStringLiteral("Nie można odczytać historii strony: %1").arg(ErrorText(e)));
        }
    }
    m_list->setRowCount(int(m_checks.size()));
    for (int r = 0; r < m_checks.size(); ++r) {
        const historia::StoredCheck& c = m_checks[r];
        const QStringList cells{systemformat::shortDate(c.moment.date()) + u' ' + systemformat::longTime(c.moment.time()), QString::number(c.kod),
                                baza::KodShortText(c.kod),
                                c.hasBody() ? QString::number(c.size) : QString(),
                                c.hasBody() ? QString::number(c.lines) : QString(),
                                c.hasBody() ? systemformat::shortDate(c.foundDate) : c.outcome};
        for (int col = 0; col < cells.size(); ++col)
            m_list->setItem(r, col, new QTableWidgetItem(dash(cells[col])));
    }
    m_list->resizeColumnsToContents();
    if (m_checks.isEmpty() && m_status->text().isEmpty())
        m_status->setText(QStringLiteral("Ta strona nie była jeszcze kontrolowana."));
}

void HistoryWindow::loadRules()
{
    m_rules->clear();
    if (!m_store->isOpen())
        return;
    try {
        m_rules->addItems(m_store->Rules(m_page));
    } catch (const std::exception& e) {
        m_status->setText(ErrorText(e));
    }
}

void HistoryWindow::selectCheck(int row)
{
    m_list->selectRow(row);
    showDetails();
}

bool HistoryWindow::selectCheckWithId(qint64 checkId)
{
    for (int row = 0; row < m_checks.size(); ++row)
        if (m_checks[row].id == checkId) {
            selectCheck(row);
            m_list->scrollToItem(m_list->item(row, 0));
            return true;
        }
    return false;
}

int HistoryWindow::selectedCheck() const
{
    return m_list->currentRow();
}

void HistoryWindow::showDetails()
{
    m_details->clear();
    const int row = m_list->currentRow();
    const bool chosen = row >= 0 && row < m_checks.size();
    m_show->setEnabled(chosen && m_checks[row].hasBody());
    loadDocuments(chosen ? m_checks[row].id : 0);
    if (!chosen)
        return;
    try {
        // The notices the check brought stand above its lines.
        const QList<historia::StoredNotice> notices = m_store->NoticesOfCheck(m_checks[row].id);
        for (const historia::StoredNotice& n : notices)
            addNotice(m_details, n.notice, QColor(0x00, 0x00, 0x80));
        if (!notices.isEmpty())
            addLines(m_details, {QString()}, QString(), palette().color(QPalette::Text));
        const historia::CheckDetails d = historia::DescribeCheck(*m_store, m_checks[row]);
        // The new notice first: what was added, then what went.
        addLines(m_details, d.added, QStringLiteral("+ "), QColor(0x00, 0x80, 0x00));
        addLines(m_details, d.removed, QStringLiteral("- "), QColor(0xC0, 0x00, 0x00));
        // Lines that only counted on are no change: greyed, after the changes.
        addLines(m_details, d.counted, QStringLiteral("licznik: "), palette().color(QPalette::Disabled, QPalette::Text));
        if (!d.note.isEmpty())
            addLines(m_details, {d.note}, QString(), palette().color(QPalette::Text));
    } catch (const std::exception& e) {
        addLines(m_details, {ErrorText(e)}, QString(), palette().color(QPalette::Text));
    }
}

void HistoryWindow::loadDocuments(qint64 checkId)
{
    m_documents.clear();
    if (checkId && m_store->isOpen()) {
        try {
            m_documents = m_store->DocumentsOfCheck(checkId);
        } catch (const std::exception& e) {
            m_status->setText(QStringLiteral("Nie można odczytać dokumentów kontroli: %1").arg(ErrorText(e)));
        }
    }
    m_documentList->setRowCount(int(m_documents.size()));
    for (int r = 0; r < m_documents.size(); ++r) {
        const historia::StoredDocument& d = m_documents[r];
        QString reading = historia::OutcomeWord(d.outcome);
        if (!d.reason.isEmpty())
            reading += QStringLiteral(": ") + d.reason;
        const QStringList cells{d.type, d.fetched() ? QString::number(d.size) : QString(), reading, d.address};
        for (int col = 0; col < cells.size(); ++col)
            m_documentList->setItem(r, col, new QTableWidgetItem(dash(cells[col])));
    }
    m_documentList->resizeColumnsToContents();
    if (!m_documents.isEmpty())
        m_documentList->selectRow(0);
    documentChosen();
}

void HistoryWindow::documentChosen()
{
    const int row = m_documentList->currentRow();
    m_openDocument->setEnabled(row >= 0 && row < m_documents.size() && m_documents[row].fetched());
}

void HistoryWindow::selectDocument(int row)
{
    m_documentList->selectRow(row);
    documentChosen();
}

int HistoryWindow::documentCount() const
{
    return int(m_documents.size());
}

bool HistoryWindow::writeTemporary(const QString& name, const QByteArray& bytes, QString* path)
{
    if (!m_versions)
        m_versions = std::make_unique<QTemporaryDir>();
    *path = m_versions->filePath(name);
    QFile f(*path);
    return m_versions->isValid() && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

void HistoryWindow::OtworzDokumentClick()
{
    const int row = m_documentList->currentRow();
    if (row < 0 || row >= m_documents.size() || !m_documents[row].fetched())
        return;
    const historia::StoredDocument& d = m_documents[row];
    try {
        // Named by its number and kind, so that the system picks the
        // program for PDFs, DOCX … by the file's ending.
        const QString ending = d.type.isEmpty() ? QStringLiteral("bin") : d.type.toLower();
        QString path;
        const QByteArray bytes = m_store->DocumentBody(d.id);
        if (!writeTemporary(QStringLiteral("dokument-%1.%2").arg(d.id).arg(ending), bytes, &path)) {
            m_status->setText(QStringLiteral("Nie można zapisać dokumentu do pliku tymczasowego."));
            return;
        }
        m_status->clear();
        Shell::openThen(QUrl::fromLocalFile(path).toString(), [status = QPointer<QLabel>(m_status), path](Shell::XdgOpen outcome) {
            if (status && outcome != Shell::XdgOpen::Opened)
                status->setText(Shell::CannotOpenFileText(
                    QStringLiteral("zapisanego dokumentu"), path, outcome,
                    QStringLiteral("zainstaluj program do takich plików albo otwórz ten plik innym programem, póki "
                                   "to okno jest otwarte.")));
        });
    } catch (const std::exception& e) {
        m_status->setText(ErrorText(e));
    }
}

void HistoryWindow::PokazWersjeClick()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_checks.size() || !m_checks[row].hasBody())
        return;
    const historia::StoredCheck& c = m_checks[row];
    try {
        if (!m_versions)
            m_versions = std::make_unique<QTemporaryDir>();
        // The file lives as long as the window, so that the browser can
        // still read it after it was handed over.
        const QString path = m_versions->filePath(QStringLiteral("wersja-%1-%2.html")
                                                      .arg(c.moment.toString(QStringLiteral("yyyyMMdd-HHmmss")),
                                                           c.sha256.left(12)));
        QFile f(path);
        const QByteArray body = m_store->Body(c.sha256);
        if (!m_versions->isValid() || !f.open(QIODevice::WriteOnly) || f.write(body) != body.size()) {
            m_status->setText(QStringLiteral("Nie można zapisać wersji strony do pliku tymczasowego."));
            return;
        }
        f.close();
        m_status->clear();
        // Told later: the window may be closed by then.
        Shell::openThen(QUrl::fromLocalFile(path).toString(), [status = QPointer<QLabel>(m_status), path](Shell::XdgOpen outcome) {
            if (status && outcome != Shell::XdgOpen::Opened)
                status->setText(Shell::CannotOpenFileText(
                    QStringLiteral("zapisanej wersji"), path, outcome,
                    QStringLiteral("zainstaluj przeglądarkę internetową albo otwórz ten plik innym programem, póki "
                                   "to okno jest otwarte.")));
        });
    } catch (const std::exception& e) {
        m_status->setText(ErrorText(e));
    }
}

void HistoryWindow::DodajRegueClick()
{
    const QString text = m_ruleText->text().trimmed();
    if (text.isEmpty() || !m_store->isOpen())
        return;
    try {
        m_store->AddRule(m_page, text);
        m_ruleText->clear();
    } catch (const std::exception& e) {
        m_status->setText(ErrorText(e));
    }
    loadRules();
    showDetails();
}

void HistoryWindow::UsunReguleClick()
{
    const QListWidgetItem* item = m_rules->currentItem();
    if (!item || !m_store->isOpen())
        return;
    try {
        m_store->RemoveRule(m_page, item->text());
    } catch (const std::exception& e) {
        m_status->setText(ErrorText(e));
    }
    loadRules();
    showDetails();
}
