// The record editor's controls: names, captions, hints, limits, places and
// the tab order. Its behaviour is in tform3.cpp.
#include "tform3.h"

#include "baza/fields.h"
#include "baza/recordvalidation.h"
#include "baza/voivodeships.h"
#include "text/datevalue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <initializer_list>

namespace {

// Client area of the window (fixed, dialog border).
constexpr int kWidth = 728;
constexpr int kHeight = 318;

// Left column: a caption and its control per row; the captions take the
// width their texts need in the font of the platform.
constexpr int kCaptionX = 8;
constexpr int kFieldWidth = 170;
constexpr int kDateWidth = 110;
constexpr int kRowHeight = 24;
constexpr int kFirstRowY = 68;
constexpr int kRowStep = 26;

// Right panel: the two frames, then Anuluj / Usuń.
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 28;
constexpr int kPanelWidth = 2 * kButtonWidth + 3 * 6;
constexpr int kPanelX = kWidth - 8 - kPanelWidth;

// The three page addresses along the bottom, at full width.
constexpr int kAddressY = 210;

int captionWidth(const QWidget* window, std::initializer_list<const char*> texts)
{
    int width = 0;
    for (const char* t : texts)
        width = std::max(width, window->fontMetrics().horizontalAdvance(QString::fromUtf8(t)));
    return width + 8;
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(place);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, int field, const QRect& place)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    // The widths of the register's fields: nothing typed is ever cut.
    e->setMaxLength(baza::RecordValidation::FieldWidth(field));
    e->setGeometry(place);
    // A value longer than the field shows whole in its tool tip (a long
    // area name or address is read, not only its beginning).
    QObject::connect(e, &QLineEdit::textChanged, e, [e](const QString& text) {
        const int room = e->width() - 8; // the frame and the text margins
        e->setToolTip(e->fontMetrics().horizontalAdvance(text) > room ? text : QString());
    });
    return e;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint,
                    QStyle::StandardPixmap picture, const QRect& place)
{
    auto* b = new QPushButton(parent->style()->standardIcon(picture), text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setGeometry(place);
    // Enter on a focused button presses it (see keyPressEvent); no button
    // is pressed by an Enter typed elsewhere.
    b->setAutoDefault(false);
    return b;
}

QDateEdit* datePicker(QWidget* parent, const char* name, const QRect& place)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(QLatin1String(name));
    // The zero date stands for "no date" and must be shown as it is.
    d->setMinimumDate(datevalue::epoch());
    // ... but shown empty: 30.12.1899 means nothing to a user. The value
    // stays the zero date, so it is stored as it was read.
    d->setSpecialValueText(QStringLiteral(" "));
    d->setDisplayFormat(QStringLiteral("d.MM.yyyy")); // 9.12.2026, the grid's form
    d->setCalendarPopup(true);
    d->setDate(datevalue::epoch());
    d->setEnabled(false);
    d->setGeometry(place);
    return d;
}

QRect row(int index, int x, int width)
{
    return QRect(x, kFirstRowY + index * kRowStep, width, kRowHeight);
}

const char* const kNameCaption = "nazwa gminy:";
const char* const kAreaCaption = "nazwa obszaru Natura 2000:";
const char* const kVoivodeshipCaption = "województwo:";
const char* const kUpdateCaption = "data ostatniej aktualizacji strony:";
const char* const kCheckCaption = "data ostatniej automatycznej kontroli:";

} // namespace

void TForm3::buildControls()
{
    setFixedSize(kWidth, kHeight);
    const int captionW = captionWidth(
        this, {kNameCaption, kAreaCaption, kVoivodeshipCaption, kUpdateCaption, kCheckCaption});
    const int fieldX = kCaptionX + captionW;

    // Navigator, top left.
    m_groupBox2 = new QGroupBox(QStringLiteral(" Nawigator "), this);
    m_groupBox2->setObjectName(QStringLiteral("GroupBox2"));
    m_groupBox2->setGeometry(8, 4, std::max(fieldX + kFieldWidth - 8, 4 * 96 + 14), 58);
    const int navY = 22;
    m_bitBtn[1] = button(m_groupBox2, "BitBtn1", QStringLiteral("Pierwszy"), QString(),
                         QStyle::SP_MediaSkipBackward, QRect(6, navY, 94, kButtonHeight));
    m_bitBtn[2] = button(m_groupBox2, "BitBtn2", QStringLiteral("Poprzedni"), QString(),
                         QStyle::SP_ArrowLeft, QRect(102, navY, 94, kButtonHeight));
    m_bitBtn[3] = button(m_groupBox2, "BitBtn3", QStringLiteral("Następny"), QString(),
                         QStyle::SP_ArrowRight, QRect(198, navY, 94, kButtonHeight));
    m_bitBtn[4] = button(m_groupBox2, "BitBtn4", QStringLiteral("Ostatni"), QString(),
                         QStyle::SP_MediaSkipForward, QRect(294, navY, 94, kButtonHeight));
    // "Następny" and "Ostatni" carry their picture right of the caption.
    m_bitBtn[3]->setLayoutDirection(Qt::RightToLeft);
    m_bitBtn[4]->setLayoutDirection(Qt::RightToLeft);

    // Name, area, voivodeship and the two dates.
    m_label[3] =
        caption(this, "Label3", QString::fromUtf8(kNameCaption), row(0, kCaptionX, captionW));
    m_edit[1] = edit(this, "Edit1", baza::Gmina, row(0, fieldX, kFieldWidth));
    m_label[4] =
        caption(this, "Label4", QString::fromUtf8(kAreaCaption), row(1, kCaptionX, captionW));
    m_edit[2] = edit(this, "Edit2", baza::Natura2000, row(1, fieldX, kFieldWidth));
    m_label[5] = caption(this, "Label5", QString::fromUtf8(kVoivodeshipCaption),
                         row(2, kCaptionX, captionW));
    m_comboBox1 = new QComboBox(this);
    m_comboBox1->setObjectName(QStringLiteral("ComboBox1"));
    m_comboBox1->setEditable(false); // a choice from the list, no typing
    m_comboBox1->addItems(baza::Voivodeships());
    m_comboBox1->setMaxVisibleItems(baza::Voivodeships().size());
    m_comboBox1->setCurrentIndex(-1);
    m_comboBox1->setGeometry(row(2, fieldX, kFieldWidth));
    m_label[1] =
        caption(this, "Label1", QString::fromUtf8(kUpdateCaption), row(3, kCaptionX, captionW));
    m_dateTimePicker1 = datePicker(this, "DateTimePicker1", row(3, fieldX, kDateWidth));
    m_label[2] =
        caption(this, "Label2", QString::fromUtf8(kCheckCaption), row(4, kCaptionX, captionW));
    m_dateTimePicker2 = datePicker(this, "DateTimePicker2", row(4, fieldX, kDateWidth));

    // Between the fields and the panel.
    m_label[9] = new QLabel(QStringLiteral("Pola z czerwonym podpisem należy wypełnić !"), this);
    m_label[9]->setObjectName(QStringLiteral("Label9"));
    m_label[9]->setWordWrap(true);
    m_label[9]->setAlignment(Qt::AlignCenter);
    QFont bigBold = m_label[9]->font();
    bigBold.setBold(true);
    bigBold.setPointSizeF(bigBold.pointSizeF() + 2);
    m_label[9]->setFont(bigBold);
    QPalette red = m_label[9]->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_label[9]->setPalette(red);
    const int label9X = fieldX + kFieldWidth + 6;
    m_label[9]->setGeometry(label9X, kFirstRowY, kPanelX - 6 - label9X, 3 * kRowStep + kRowHeight);

    // The right panel. The frames only frame: the buttons are the window's
    // own, so that "Anuluj" can take the place of either of them.
    m_groupBox1 = new QGroupBox(QStringLiteral(" Edycja rekordu "), this);
    m_groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_groupBox1->setGeometry(kPanelX, 4, kPanelWidth, 58);
    m_groupBox3 = new QGroupBox(QStringLiteral(" Nowy rekord "), this);
    m_groupBox3->setObjectName(QStringLiteral("GroupBox3"));
    m_groupBox3->setGeometry(kPanelX, 66, kPanelWidth, 58);
    const int leftButtonX = kPanelX + 6;
    const int rightButtonX = kPanelX + kPanelWidth - 6 - kButtonWidth;
    m_bitBtn[5] = button(
        this, "BitBtn5", QStringLiteral("Edytuj"), QStringLiteral("Edytuj bierzący rekord"),
        QStyle::SP_FileDialogDetailedView, QRect(leftButtonX, 26, kButtonWidth, kButtonHeight));
    m_bitBtn[6] =
        button(this, "BitBtn6", QStringLiteral("Zmień"), QStringLiteral("Zmień dane w bazie"),
               QStyle::SP_DialogSaveButton, QRect(rightButtonX, 26, kButtonWidth, kButtonHeight));
    m_bitBtn[7] =
        button(this, "BitBtn7", QStringLiteral("Nowy"), QStringLiteral("Utwórz nowy rekord"),
               QStyle::SP_FileIcon, QRect(leftButtonX, 88, kButtonWidth, kButtonHeight));
    m_bitBtn[8] =
        button(this, "BitBtn8", QStringLiteral("Dodaj"), QStringLiteral("Dodaj do bazy"),
               QStyle::SP_DialogApplyButton, QRect(rightButtonX, 88, kButtonWidth, kButtonHeight));
    m_checkBox1 = new QCheckBox(QStringLiteral("sprawdź poprawność stron internetowych"), this);
    m_checkBox1->setObjectName(QStringLiteral("CheckBox1"));
    m_checkBox1->setChecked(false);
    // Under Label9 and the panel, where its caption has room on one line.
    m_checkBox1->setGeometry(label9X, row(4, 0, 0).y(), kWidth - 8 - label9X, kRowHeight);
    m_bitBtn[9] =
        button(this, "BitBtn9", QStringLiteral("Usuń"), QStringLiteral("Usuń rekord z bazy"),
               QStyle::SP_TrashIcon, QRect(rightButtonX, 132, kButtonWidth, kButtonHeight));
    m_bitBtn[10] =
        button(this, "BitBtn10", QStringLiteral("Anuluj"), QString(), QStyle::SP_DialogCancelButton,
               QRect(leftButtonX, 132, kButtonWidth, kButtonHeight));
    m_bitBtn[10]->hide();

    // The page addresses.
    const int addressCaptionW =
        captionWidth(this, {"strona domowa:", "strona informacyjna:", "strona BIP:"});
    const int addressFieldX = kCaptionX + addressCaptionW;
    const int addressFieldWidth = kWidth - 8 - addressFieldX;
    const struct
    {
        int label;
        const char* labelName;
        const char* text;
        int edit;
        const char* editName;
        int field;
    } addresses[] = {
        {6, "Label6", "strona domowa:", 3, "Edit3", baza::Dom},
        {7, "Label7", "strona informacyjna:", 4, "Edit4", baza::Info},
        {8, "Label8", "strona BIP:", 5, "Edit5", baza::Bip},
    };
    int y = kAddressY;
    for (const auto& a : addresses) {
        m_label[a.label] = caption(this, a.labelName, QString::fromUtf8(a.text),
                                   QRect(kCaptionX, y, addressCaptionW, kRowHeight));
        m_edit[a.edit] =
            edit(this, a.editName, a.field, QRect(addressFieldX, y, addressFieldWidth, kRowHeight));
        y += kRowStep + 6;
    }
}

void TForm3::arrangeTabOrder()
{
    // The navigator first, "Następny" leading; then the fields, the panel
    // and the two dates.
    const QList<QWidget*> order = {
        m_bitBtn[3], m_bitBtn[4], m_bitBtn[1],       m_bitBtn[2],       m_edit[1],
        m_edit[2],   m_comboBox1, m_edit[3],         m_edit[4],         m_edit[5],
        m_bitBtn[5], m_bitBtn[6], m_bitBtn[7],       m_bitBtn[8],       m_bitBtn[10],
        m_bitBtn[9], m_checkBox1, m_dateTimePicker1, m_dateTimePicker2,
    };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}
