#include "tform5.h"

#include "clickablelabel.h"
#include "internet/systeminfo.h"
#include "platform/shell.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor kPaleGreen(192, 220, 192);
const QString kAuthor = QStringLiteral("Zespół Ekowarta");

QLabel* textLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

void setFontStyle(QWidget* w, bool bold, bool italic, int pointSize = 0)
{
    QFont f = w->font();
    f.setBold(bold);
    f.setItalic(italic);
    if (pointSize > 0)
        f.setPointSize(pointSize);
    w->setFont(f);
}

void paint(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    // FormCreate; the system lines follow at the first showing (showEvent),
    // so that asking the browser for its version does not slow the start.
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Informacja o programie"));
    setFixedSize(465, 474);
    paint(this, kPaleGreen);
    buildControls();
    paint(m_panel1, kPaleGreen);
    fillMemo1();

    // Only the background closes the window: a click on a label or in the
    // panel stays where it is, as it does on the controls of a form.
    for (QWidget* child : findChildren<QWidget*>())
        child->setAttribute(Qt::WA_NoMousePropagation);

    connect(m_speedButton1, &QToolButton::clicked, this, &TForm5::SpeedButton1Click);
    connect(m_label3, &ClickableLabel::clicked, this, &TForm5::Label3Click);
}

QString TForm5::ContactAddress()
{
    return QStringLiteral("kontakt@ekowarta.pl");
}

void TForm5::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 0);
    layout->setSpacing(6);

    m_label10 = textLabel(this, "Label10", QStringLiteral("Ekowarta"));
    setFontStyle(m_label10, true, true, 28);
    m_label10->setStyleSheet(QStringLiteral("color: green;"));
    m_label10->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_label10);

    m_label1 = textLabel(
        this, "Label1",
        QStringLiteral("Program montoruje strony internetowe zawierające informacje o dokumentach "
                       "dotyczących środowiska."));
    setFontStyle(m_label1, true, true);
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setWordWrap(true);
    m_label1->setContentsMargins(16, 0, 16, 0);
    layout->addWidget(m_label1);

    // Memo1 sits 5 pixels from the left edge, the window's width less 10.
    m_memo1 = new QTextEdit(this);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setReadOnly(true);
    m_memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo1->setFixedSize(width() - 10, 96);
    auto* memoRow = new QHBoxLayout;
    memoRow->setContentsMargins(5, 0, 5, 0);
    memoRow->addWidget(m_memo1);
    layout->addLayout(memoRow);

    m_label12 = textLabel(this, "Label12", QStringLiteral("Windows: "));
    m_label12->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_label12);
    m_label8 = textLabel(this, "Label8", QStringLiteral("Internet Explorer: "));
    m_label8->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_label8);
    layout->addStretch(1);

    m_panel1 = new QFrame(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFrameShape(QFrame::Panel);
    m_panel1->setFrameShadow(QFrame::Sunken);
    auto* panelGrid = new QGridLayout(m_panel1);
    panelGrid->setContentsMargins(10, 8, 10, 8);
    auto* autorCaption = textLabel(m_panel1, "Label2", QStringLiteral("Autor:"));
    auto* autorValue = textLabel(m_panel1, "Label5", kAuthor);
    setFontStyle(autorValue, true, false);
    auto* contactCaption = textLabel(m_panel1, "Label6", QStringLiteral("Kontakt:"));
    m_label3 = new ClickableLabel(ContactAddress(), m_panel1);
    m_label3->setObjectName(QStringLiteral("Label3"));
    QFont linkFont = m_label3->font();
    linkFont.setItalic(true);
    linkFont.setUnderline(true);
    m_label3->setFont(linkFont);
    m_label3->setStyleSheet(QStringLiteral("color: blue;"));
    m_label3->setCursor(Qt::PointingHandCursor);
    panelGrid->addWidget(autorCaption, 0, 0);
    panelGrid->addWidget(autorValue, 0, 1);
    panelGrid->addWidget(contactCaption, 1, 0);
    panelGrid->addWidget(m_label3, 1, 1);
    auto* panelRow = new QHBoxLayout;
    panelRow->setContentsMargins(0, 0, 12, 0);
    panelRow->addStretch(1);
    panelRow->addWidget(m_panel1);
    layout->addLayout(panelRow);

    m_label4 = textLabel(this, "Label4", QStringLiteral("październik 2008"));
    setFontStyle(m_label4, true, false);
    m_label4->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_label4);

    m_speedButton1 = new QToolButton(this);
    m_speedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    m_speedButton1->setToolTip(QStringLiteral("Zamknij okno"));
    m_speedButton1->setAutoRaise(true); // flat
    m_speedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    m_speedButton1->setIconSize(QSize(24, 24));
    m_speedButton1->setFixedHeight(36);
    m_speedButton1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(m_speedButton1);
}

void TForm5::fillMemo1()
{
    m_memo1->setPlainText(
        QStringLiteral("Zalecany system operacyjny: Windows 2000/XP/2003\n\n"
                       "Do poprawnego działania wymagany jest Internet Explorer w wersji 6 lub "
                       "wyżej."));
    QTextCursor all(m_memo1->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
}

void TForm5::showSystemLines()
{
    m_label8->setText(SystemInfo::BrowserLine());
    m_label12->setText(SystemInfo::ProductName());
    m_systemLinesShown = true;
}

void TForm5::showEvent(QShowEvent* event)
{
    if (!m_systemLinesShown)
        showSystemLines();
    if (QWidget* owner = parentWidget())
        move(owner->frameGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TForm5::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        FormClick();
    QDialog::mouseReleaseEvent(event);
}

void TForm5::FormClick()
{
    close();
}

void TForm5::SpeedButton1Click()
{
    close();
}

void TForm5::Label3Click()
{
    Shell::open(QStringLiteral("mailto:") + ContactAddress());
}
