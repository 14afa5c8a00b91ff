// The configuration window's controls: names, captions, places. Its
// behaviour is in tform4.cpp.
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "internet/useragent.h"
#include "konfig/timelimits.h"
#include "tform4.h"

#include "notifypage.h"
#include "schedulepage.h"
#include "titlewidth.h"
#include "updown.h"

#include <QCheckBox>

#include <algorithm>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Client area of the window (fixed, dialog border).
constexpr int kWidth = 300;
constexpr int kHeight = 244;

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    // Never squeezed below its caption.
    c->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return c;
}

QLineEdit* edit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

// A caption with its field at the right end of the row; the caption is the
// field's buddy and may wrap.
QHBoxLayout* labelledRow(QWidget* parent, const char* name, const QString& text, QWidget* field)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setBuddy(field);
    auto* row = new QHBoxLayout;
    row->addWidget(label, 1);
    row->addWidget(field);
    return row;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text,
                    QStyle::StandardPixmap picture)
{
    auto* b = new QPushButton(parent->style()->standardIcon(picture), text, parent);
    b->setObjectName(QLatin1String(name));
    // An Enter typed into a field neither saves nor closes.
    b->setAutoDefault(false);
    return b;
}

} // namespace

void TForm4::buildControls()
{
    setWindowTitle(QStringLiteral("Konfiguracja programu"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    m_pageControl1 = new QTabWidget(this);
    m_pageControl1->setObjectName(QStringLiteral("PageControl1"));
    m_pageControl1->addTab(buildOptionsPage(), QStringLiteral("Opcje"));
    m_pageControl1->addTab(buildServerPage(), QStringLiteral("Serwer"));
    m_pageControl1->addTab(buildChecksPage(), QStringLiteral("Kontrola"));
    // The notification controls scroll inside the fixed window rather than
    // making it taller.
    auto* notifyScroll = new QScrollArea;
    notifyScroll->setObjectName(QStringLiteral("TabSheet4"));
    notifyScroll->setFrameShape(QFrame::NoFrame);
    notifyScroll->setWidgetResizable(true);
    notifyScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    notifyScroll->setWidget(new NotifyPage(m_settings, m_dialogs));
    m_pageControl1->addTab(notifyScroll, QStringLiteral("Powiadomienia"));
    m_schedulePage = new SchedulePage(m_settings, QFileInfo(m_iniPath).absolutePath());
    m_pageControl1->addTab(m_schedulePage, QStringLiteral("Harmonogram"));

    // The tabs fill everything above the button bar.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    column->addWidget(m_pageControl1, 1);
    column->addWidget(buildButtonBar());

    // A fixed dialog; wider or taller only where the platform's font would
    // otherwise cut a caption.
    const QSize needed = column->minimumSize();
    setFixedSize(std::max({kWidth, needed.width(), TitleWidth(this, windowTitle())}), qMax(kHeight, needed.height()));
}

QWidget* TForm4::buildOptionsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));

    m_checkBox2 =
        checkBox(page, "CheckBox2", QStringLiteral("minimalizuj do zasobnika systemowego"));

    m_label1 = new QLabel(QStringLiteral("Maksymalny czas kontroli jednej strony"), page);
    m_label1->setObjectName(QStringLiteral("Label1"));
    // On one line, whole: the window grows to it rather than wrapping and
    // cutting the caption's bottom.
    m_comboBox2 = new QComboBox(page);
    m_comboBox2->setObjectName(QStringLiteral("ComboBox2"));
    m_comboBox2->setEditable(false);
    m_comboBox2->addItems(konfig::TimeLimitLabels());
    // The layout starts with no limit chosen, until config.ini is read.
    m_comboBox2->setCurrentIndex(-1);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_label1, 1);
    timeRow->addWidget(m_comboBox2);

    m_groupBox1 = new QGroupBox(QStringLiteral(" Aktualizacja strony: "), page);
    m_groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_checkBox3 = checkBox(m_groupBox1, "CheckBox3", QStringLiteral("usuń starsze wpisy gmin"));
    m_checkBox4 = checkBox(m_groupBox1, "CheckBox4", QStringLiteral("ogranicz liczbę wpisów do"));
    m_edit1 = edit(m_groupBox1, "Edit1");
    // Only the spin buttons change the count.
    m_edit1->setReadOnly(true);
    m_edit1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for the four digits of the largest count.
    m_edit1->setFixedWidth(m_edit1->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    m_upDown1 = new UpDown(m_groupBox1);
    m_upDown1->setObjectName(QStringLiteral("UpDown1"));
    m_upDown1->setRange(konfig::kMinEntryCount, konfig::kMaxEntryCount);
    m_upDown1->setIncrement(1);
    m_upDown1->setPosition(konfig::kMinEntryCount);
    m_upDown1->setBuddy(m_edit1);
    m_upDown1->setFixedHeight(m_edit1->sizeHint().height());
    m_edit1->setText(QString::number(m_upDown1->position()));
    m_edit1->setEnabled(false);
    m_upDown1->setEnabled(false);
    m_label2 = new QLabel(QStringLiteral("wierszy"), m_groupBox1);
    m_label2->setObjectName(QStringLiteral("Label2"));

    // The count stands under its check box's caption: on one row with it
    // the window would have to grow well beyond its width.
    const int captionIndent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                              style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    auto* countRow = new QHBoxLayout;
    countRow->setSpacing(2);
    countRow->addSpacing(captionIndent);
    countRow->addWidget(m_edit1);
    countRow->addWidget(m_upDown1);
    countRow->addSpacing(4);
    countRow->addWidget(m_label2);
    countRow->addStretch(1);
    auto* group = new QVBoxLayout(m_groupBox1);
    group->setContentsMargins(6, 2, 6, 4);
    group->addWidget(m_checkBox3);
    group->addWidget(m_checkBox4);
    group->addLayout(countRow);

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 4);
    column->addWidget(m_checkBox2);
    column->addLayout(timeRow);
    column->addWidget(m_groupBox1);
    column->addStretch(1);
    return page;
}

QWidget* TForm4::buildServerPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    auto* form = new QFormLayout(page);
    form->setContentsMargins(8, 8, 8, 8);
    const char* const names[] = {nullptr, "serwer1", "serwer2", "serwer3", "serwer4"};
    const QString captions[] = {{},
                                QStringLiteral("Nazwa hosta:"),
                                QStringLiteral("Zdalny katalog:"),
                                QStringLiteral("Użytkownik:"),
                                QStringLiteral("Hasło:")};
    for (int i = 1; i <= 4; ++i) {
        m_serwer[i] = edit(page, names[i]);
        auto* caption = new QLabel(captions[i], page);
        caption->setObjectName(QStringLiteral("Label%1").arg(2 + i));
        caption->setBuddy(m_serwer[i]);
        form->addRow(caption, m_serwer[i]);
    }
    // The content filter decides which pages reach the published list; it
    // sits here because the options tab has no room left in the fixed
    // window.
    m_checkBoxTresc = checkBox(page, "CheckBoxTresc", QStringLiteral("pomijaj zmiany bez nowej treści"));
    m_checkBoxTresc->setToolTip(QStringLiteral("Strona, której tekst poza licznikami i znacznikami czasu się nie "
                                               "zmienił, dostaje kod 0 zamiast 1 lub 2"));
    form->addRow(m_checkBoxTresc);
    // The feed goes to the same server directory as the list.
    auto* atom = checkBox(page, "CheckBoxAtom", QStringLiteral("publikuj także kanał Atom"));
    atom->setToolTip(QStringLiteral("Publikacja wysyła także wykaz.xml: kanał Atom z opublikowanymi zmianami"));
    BindSettingsCheckBox(atom, m_settings, &Settings::atom);
    form->addRow(atom);
    auto* ical = checkBox(page, "CheckBoxIcal", QStringLiteral("publikuj także terminy (iCalendar)"));
    ical->setToolTip(QStringLiteral("Publikacja wysyła także terminy.ics: kalendarz terminów składania uwag, "
                                    "który program kalendarza może subskrybować"));
    BindSettingsCheckBox(ical, m_settings, &Settings::ical);
    form->addRow(ical);
    // Seven rows in the fixed window: closer together, not taller.
    form->setContentsMargins(8, 4, 8, 2);
    form->setVerticalSpacing(2);
    // The password shows an asterisk for every character typed.
    m_serwer[4]->setEchoMode(QLineEdit::Password);
    m_serwer[4]->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    return page;
}

QWidget* TForm4::buildChecksPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 4);

    m_spinWatki = new QSpinBox(page);
    m_spinWatki->setObjectName(QStringLiteral("SpinWatki"));
    m_spinWatki->setRange(konfig::kMinJobs, konfig::kMaxJobs);
    m_spinWatki->setValue(1);
    m_spinWatki->setToolTip(QStringLiteral("1: strony sprawdzane po kolei, jedna po drugiej"));

    m_spinPrzerwa = new QDoubleSpinBox(page);
    m_spinPrzerwa->setObjectName(QStringLiteral("SpinPrzerwa"));
    m_spinPrzerwa->setDecimals(1);
    m_spinPrzerwa->setSingleStep(0.5);
    m_spinPrzerwa->setRange(0, konfig::kMaxHostDelayMs / 1000.0);
    m_spinPrzerwa->setSuffix(QStringLiteral(" s"));
    m_spinPrzerwa->setValue(1);
    m_spinPrzerwa->setToolTip(QStringLiteral("Przy kilku stronach naraz: do jednego serwera nigdy więcej niż jedno "
                                             "połączenie, a między zapytaniami co najmniej ta przerwa"));

    auto* agentLabel = new QLabel(QStringLiteral("Przedstawiaj się serwerom jako (User-Agent):"), page);
    agentLabel->setObjectName(QStringLiteral("LabelAgent"));
    m_editAgent = edit(page, "EditAgent");
    // Empty: the program's name and version.
    m_editAgent->setPlaceholderText(QString::fromLatin1(DefaultUserAgent()));
    agentLabel->setBuddy(m_editAgent);

    column->addLayout(labelledRow(page, "LabelWatki", QStringLiteral("Liczba jednocześnie sprawdzanych stron"), m_spinWatki));
    column->addLayout(labelledRow(page, "LabelPrzerwa", QStringLiteral("Przerwa między zapytaniami do jednego serwera"),
                                  m_spinPrzerwa));
    column->addWidget(agentLabel);
    column->addWidget(m_editAgent);
    column->addWidget(buildDocumentsRows(page));
    column->addStretch(1);
    return page;
}

// "czytaj dokumenty podlinkowane na stronie" and its limit, bound to the
// settings like the other boxes. The formats beyond the defaults (DOC,
// RTF) are config.ini's: the fixed window has no room for a row more.
QWidget* TForm4::buildDocumentsRows(QWidget* page)
{
    auto* box = new QWidget(page);
    box->setObjectName(QStringLiteral("Dokumenty"));
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* read = checkBox(box, "CheckBoxDokumenty", QStringLiteral("czytaj dokumenty podlinkowane na stronie"));
    read->setToolTip(QStringLiteral("Kontrola czyta też pliki PDF, DOCX i ODT oraz podstrony, do których prowadzą "
                                    "nowe wiersze strony, i odczytuje z nich ogłoszenia"));
    BindSettingsCheckBox(read, m_settings, &Settings::documents);
    auto* most = new QSpinBox(box);
    most->setObjectName(QStringLiteral("SpinDokumentow"));
    most->setRange(konfig::kMinDocumentsPerPage, konfig::kMaxDocumentsPerPage);
    auto* mostRow = labelledRow(box, "LabelDokumentow", QStringLiteral("najwyżej N dokumentów ze strony"), most);
    rows->addWidget(read);
    rows->addLayout(mostRow);

    auto show = [this, most] {
        const QSignalBlocker bm(most);
        most->setValue(m_settings.documentsPerPage);
        most->setEnabled(m_settings.documents);
    };
    show();
    connect(&m_settings, &Settings::changed, box, show);
    connect(most, &QSpinBox::valueChanged, box, [this](int n) {
        if (m_settings.documentsPerPage == n)
            return;
        m_settings.documentsPerPage = n;
        m_settings.notifyChanged();
    });
    return box;
}

QWidget* TForm4::buildButtonBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    m_bitBtn1 = button(bar, "BitBtn1", QStringLiteral("Zapisz"), QStyle::SP_DialogSaveButton);
    m_bitBtn2 = button(bar, "BitBtn2", QStringLiteral("Zamknij"), QStyle::SP_DialogCloseButton);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(m_bitBtn1);
    row->addWidget(m_bitBtn2);
    return bar;
}
