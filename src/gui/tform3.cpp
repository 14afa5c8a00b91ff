#include "tform3.h"

#include "baza/baza.h"
#include "baza/recordvalidation.h"
#include "networkwait.h"
#include "internet/checkconnection.h"
#include "internet/pageexists.h"
#include "platform/dialogs.h"
#include "platform/handlererrors.h"
#include "text/trimmedtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

TForm3::TForm3(baza::Baza& baza, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_baza(baza), m_dialogs(dialogs)
{
    // FormCreate
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Edytor rekordów bazy danych"));
    buildControls();
    arrangeTabOrder();
    connectHandlers();
    ShowViewMode();
}

void TForm3::connectHandlers()
{
    const std::pair<int, void (TForm3::*)()> clicks[] = {
        {1, &TForm3::BitBtn1Click},   {2, &TForm3::BitBtn2Click}, {3, &TForm3::BitBtn3Click},
        {4, &TForm3::BitBtn4Click},   {5, &TForm3::BitBtn5Click}, {6, &TForm3::BitBtn6Click},
        {7, &TForm3::BitBtn7Click},   {8, &TForm3::BitBtn8Click}, {9, &TForm3::BitBtn9Click},
        {10, &TForm3::BitBtn10Click},
    };
    for (const auto& [number, handler] : clicks)
        connect(m_bitBtn[number], &QPushButton::clicked, this, Handler(this, m_dialogs, handler));
    for (int i = 1; i <= 5; ++i)
        m_edit[i]->installEventFilter(this);
    m_comboBox1->installEventFilter(this);
}

// --- showing ---

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Every showing starts from the stored record in view mode; values typed
    // and not written before the window was closed are gone.
    if (!event->spontaneous())
        RunHandler(m_dialogs, [this] { FormActivate(); });
}

void TForm3::FormActivate()
{
    LoadEditor();
    ShowViewMode();
    if (std::exchange(m_startInNewMode, false))
        BitBtn7Click();
}

int TForm3::execNew()
{
    m_startInNewMode = true;
    const int result = exec();
    m_startInNewMode = false;
    return result;
}

void TForm3::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // Centred on the main window the first time only; later where it was.
    setAttribute(Qt::WA_Moved, true);
}

void TForm3::LoadEditor()
{
    const baza::EditorRecord r = baza::ReadCurrentRecord(m_baza.table());
    const QString texts[] = {QString(), r.gmina, r.natura2000, r.dom, r.info, r.bip};
    for (int i = 1; i <= 5; ++i) {
        m_edit[i]->setText(texts[i]);
        m_edit[i]->home(false); // long addresses show their beginning
    }
    m_comboBox1->setCurrentIndex(r.voivodeship);
    m_dateTimePicker1->setDate(datevalue::toDate(r.aktualizacja));
    m_dateTimePicker2->setDate(datevalue::toDate(r.dataKontroli));
}

// --- modes ---

void TForm3::setCaptionsRed(bool red)
{
    const QColor colour =
        red ? QColor(255, 0, 0) : QApplication::palette(this).color(QPalette::WindowText);
    for (int i = 3; i <= 7; ++i) {
        QPalette p = m_label[i]->palette();
        p.setColor(QPalette::WindowText, colour);
        m_label[i]->setPalette(p);
    }
}

void TForm3::ShowViewMode()
{
    ShowMode(Mode::View);
}

// Every rule of the editor's modes in one place: what each mode offers.
// View browses and deletes; Edit ("Zmień") and New ("Dodaj") take typed
// values, with "Anuluj" in the place of the button that began them.
void TForm3::ShowMode(Mode mode)
{
    const bool input = mode != Mode::View;
    m_mode = mode;
    m_label[9]->setVisible(input);
    setCaptionsRed(input);
    m_groupBox2->setEnabled(!input);
    for (int i = 1; i <= 5; ++i)
        m_edit[i]->setReadOnly(!input);
    m_comboBox1->setEnabled(input);
    m_dateTimePicker1->setEnabled(mode == Mode::Edit);
    m_dateTimePicker2->setEnabled(false);
    m_bitBtn[5]->setVisible(mode != Mode::Edit);
    m_bitBtn[5]->setEnabled(mode == Mode::View);
    m_bitBtn[6]->setEnabled(mode == Mode::Edit);
    m_bitBtn[7]->setVisible(mode != Mode::New);
    m_bitBtn[7]->setEnabled(mode == Mode::View);
    m_bitBtn[8]->setEnabled(mode == Mode::New);
    m_bitBtn[9]->setEnabled(!input);
    if (input)
        m_bitBtn[10]->move(m_bitBtn[mode == Mode::Edit ? 5 : 7]->pos());
    m_bitBtn[10]->setVisible(input);
}

// --- navigator ---

void TForm3::BitBtn1Click()
{
    m_baza.table().first();
    LoadEditor();
    ShowViewMode();
}

void TForm3::BitBtn2Click()
{
    m_baza.table().prior();
    LoadEditor();
    ShowViewMode();
}

void TForm3::BitBtn3Click()
{
    m_baza.table().next();
    LoadEditor();
    ShowViewMode();
}

void TForm3::BitBtn4Click()
{
    m_baza.table().last();
    LoadEditor();
    ShowViewMode();
}

// --- edit, new, delete, cancel ---

void TForm3::BitBtn5Click()
{
    ShowMode(Mode::Edit);
    m_edit[1]->setFocus();
}

void TForm3::BitBtn6Click()
{
    if (!ValidateEditor())
        return;
    baza::WriteCurrentRecord(m_baza.table(), typedRecord());
    ShowViewMode();
    m_bitBtn[3]->setFocus();
}

void TForm3::BitBtn7Click()
{
    for (int i = 1; i <= 5; ++i)
        m_edit[i]->clear();
    m_comboBox1->setCurrentIndex(-1);
    m_dateTimePicker1->setDate(datevalue::epoch());
    m_dateTimePicker2->setDate(datevalue::epoch());
    ShowMode(Mode::New);
    m_edit[1]->setFocus();
}

void TForm3::BitBtn8Click()
{
    if (!ValidateEditor())
        return;
    // The new record stays current and stays in the controls.
    baza::AppendRecord(m_baza.table(), typedRecord());
    ShowViewMode();
    m_bitBtn[7]->setFocus();
}

void TForm3::BitBtn9Click()
{
    // At once, without a question; an empty table refuses in the table layer.
    m_baza.table().deleteRecord();
    LoadEditor();
    ShowViewMode();
}

void TForm3::BitBtn10Click()
{
    LoadEditor();
    ShowViewMode();
    m_bitBtn[3]->setFocus();
}

// --- validation ---

baza::EditorRecord TForm3::typedRecord() const
{
    baza::EditorRecord r;
    r.gmina = m_edit[1]->text();
    r.natura2000 = m_edit[2]->text();
    r.voivodeship = m_comboBox1->currentIndex();
    r.aktualizacja = datevalue::fromDate(m_dateTimePicker1->date());
    r.dataKontroli = datevalue::fromDate(m_dateTimePicker2->date());
    r.dom = m_edit[3]->text();
    r.info = m_edit[4]->text();
    r.bip = m_edit[5]->text();
    return r;
}

bool TForm3::ValidateEditor()
{
    const QString missing = baza::RecordValidation::FirstMissingField(typedRecord());
    if (!missing.isEmpty()) {
        m_dialogs.message(missing);
        return false;
    }
    if (!m_checkBox1->isChecked())
        return true;
    const std::pair<QLineEdit*, QString> addresses[] = {
        {m_edit[3], QStringLiteral("Nie można znaleźć strony domowej gminy w Internecie !")},
        {m_edit[4], QStringLiteral("Nie można znaleźć strony informacyjnej w Internecie !")},
        {m_edit[5], QStringLiteral("Nie można znaleźć strony BIP w Internecie !")},
    };
    for (const auto& [edit, message] : addresses)
        if (!TrimmedText(edit->text()).isEmpty() && !CheckPageAddress(edit->text(), message))
            return false;
    return true;
}

bool TForm3::CheckPageAddress(const QString& address, const QString& message)
{
    if (!CheckConnection()) {
        m_dialogs.message(QStringLiteral("Brak połączenia z Internetem !"));
        return false;
    }
    // The windows stay painted while the page answers, and the user may
    // give up waiting: the record then stays unwritten, in its input mode.
    const std::optional<bool> exists =
        WaitForNetwork(this, QStringLiteral("Sprawdzam, czy strona istnieje w Internecie:\n%1").arg(TrimmedText(address)),
                       [address](const std::atomic<bool>& cancelled) { return PageExists(address, &cancelled); });
    if (!exists)
        return false;
    if (!*exists) {
        m_dialogs.message(message);
        return false;
    }
    return true;
}

// --- keys ---

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_comboBox1 ? ComboBox1KeyPress(key) : Edit1KeyPress(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm3::Edit1KeyPress(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    focusNextChild();
    return true; // swallowed: no character, no button pressed
}

bool TForm3::ComboBox1KeyPress(QKeyEvent* event)
{
    return Edit1KeyPress(event);
}

void TForm3::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // As on Windows: Enter presses the focused button and nothing else.
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled())
            b->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
