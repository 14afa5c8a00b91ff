#include "tform4.h"

#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/dialogs.h"
#include "platform/fileerror.h"
#include "platform/handlererrors.h"
#include "text/trimmedtext.h"
#include "schedulepage.h"
#include "updown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSignalBlocker>

TForm4::TForm4(Settings& settings, Dialogs& dialogs, const QString& iniPath, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_iniPath(iniPath)
{
    setObjectName(QStringLiteral("TForm4"));
    buildControls();
    ShowSettings();
    connectHandlers();
}

void TForm4::connectHandlers()
{
    connect(&m_settings, &Settings::changed, this, Handler(this, m_dialogs, &TForm4::ShowSettings));

    connect(m_checkBox2, &QCheckBox::toggled, this, [this](bool ticked) {
        m_settings.tray = ticked;
        settingsEdited();
    });
    connect(m_comboBox2, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_settings.timeLimitIndex = index;
        settingsEdited();
    });
    connect(m_checkBox3, &QCheckBox::toggled, this, [this](bool ticked) {
        m_settings.removeOlderEntries = ticked;
        settingsEdited();
    });
    connect(m_checkBox4, &QCheckBox::toggled, this, [this](bool ticked) {
        CheckBox4Click();
        m_settings.limitEntries = ticked;
        settingsEdited();
    });
    connect(m_checkBoxTresc, &QCheckBox::toggled, this, [this](bool ticked) {
        m_settings.skipWithoutNewContent = ticked;
        settingsEdited();
    });
    connect(m_spinWatki, &QSpinBox::valueChanged, this, [this](int jobs) {
        m_settings.jobs = jobs;
        settingsEdited();
    });
    connect(m_spinPrzerwa, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        m_settings.hostDelayMs = int(seconds * 1000 + 0.5);
        settingsEdited();
    });
    connect(m_editAgent, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_settings.userAgent = text;
        settingsEdited();
    });
    connect(m_upDown1, &UpDown::positionChanged, this, [this](int position) {
        m_edit1->setText(QString::number(position));
        m_settings.entryCountPosition = position;
        m_settings.entryCountText = m_edit1->text();
        settingsEdited();
    });

    QString Settings::*const serverFields[] = {nullptr, &Settings::host, &Settings::directory,
                                               &Settings::user, &Settings::password};
    for (int i = 1; i <= 4; ++i) {
        QString Settings::*field = serverFields[i];
        connect(m_serwer[i], &QLineEdit::textChanged, this, [this, field](const QString& text) {
            m_settings.*field = text;
            settingsEdited();
        });
    }
    m_serwer[2]->installEventFilter(this);

    connect(m_bitBtn1, &QPushButton::clicked, this, Handler(this, m_dialogs, &TForm4::BitBtn1Click));
    connect(m_bitBtn2, &QPushButton::clicked, this, Handler(this, m_dialogs, &TForm4::BitBtn2Click));
}

void TForm4::settingsEdited()
{
    // This window hears it too; ShowSettings then finds nothing to change.
    m_settings.notifyChanged();
}

void TForm4::ShowSettings()
{
    const QSignalBlocker b2(m_checkBox2), c2(m_comboBox2), b3(m_checkBox3), b4(m_checkBox4),
        u1(m_upDown1);
    m_checkBox2->setChecked(m_settings.tray);
    m_comboBox2->setCurrentIndex(m_settings.timeLimitIndex >= 0 &&
                                         m_settings.timeLimitIndex < m_comboBox2->count()
                                     ? m_settings.timeLimitIndex
                                     : -1);
    m_checkBox3->setChecked(m_settings.removeOlderEntries);
    m_checkBox4->setChecked(m_settings.limitEntries);
    {
        const QSignalBlocker bt(m_checkBoxTresc);
        m_checkBoxTresc->setChecked(m_settings.skipWithoutNewContent);
    }
    CheckBox4Click();
    m_upDown1->setPosition(m_settings.entryCountPosition);
    if (m_edit1->text() != m_settings.entryCountText)
        m_edit1->setText(m_settings.entryCountText);

    {
        const QSignalBlocker bw(m_spinWatki), bp(m_spinPrzerwa);
        m_spinWatki->setValue(m_settings.jobs);
        // Shown to the tenth of a second; the stored milliseconds change
        // only when the field does.
        m_spinPrzerwa->setValue(m_settings.hostDelayMs / 1000.0);
        if (m_editAgent->text() != m_settings.userAgent) {
            const QSignalBlocker ba(m_editAgent);
            m_editAgent->setText(m_settings.userAgent);
        }
    }

    const QString values[] = {
        {}, m_settings.host, m_settings.directory, m_settings.user, m_settings.password};
    for (int i = 1; i <= 4; ++i) {
        // Unchanged fields keep their cursor and selection while typing.
        if (m_serwer[i]->text() != values[i]) {
            const QSignalBlocker blocker(m_serwer[i]);
            m_serwer[i]->setText(values[i]);
        }
    }
}

void TForm4::CheckBox4Click()
{
    const bool ticked = m_checkBox4->isChecked();
    m_edit1->setEnabled(ticked);
    m_upDown1->setEnabled(ticked);
}

void TForm4::serwer2Exit()
{
    QLineEdit* field = m_serwer[2];
    const QString trimmed = TrimmedText(field->text());
    if (trimmed.isEmpty())
        field->setText(QStringLiteral("/"));
    else if (!trimmed.startsWith(QLatin1Char('/')))
        field->setText(QLatin1Char('/') + field->text());
}

void TForm4::BitBtn1Click()
{
    try {
        konfig::SaveSettings(m_settings, m_iniPath);
        // The timer that runs the check without the window follows what
        // was saved.
        m_schedulePage->ApplySchedule();
    } catch (const FileError& e) {
        m_dialogs.message(e.text());
    }
}

void TForm4::BitBtn2Click()
{
    close();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_serwer[2] && event->type() == QEvent::FocusOut) {
        // Leaving the field for another control of this window; switching
        // to another program or opening the field's menu is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            serwer2Exit();
    }
    return QDialog::eventFilter(watched, event);
}
