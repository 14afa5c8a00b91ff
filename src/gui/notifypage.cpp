#include "notifypage.h"

#include "networkwait.h"

#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "powiadomienia/runnotifier.h"
#include "powiadomienia/runsummary.h"
#include "powiadomienia/smtpsend.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <memory>

namespace {

QLineEdit* field(QWidget* parent, const char* name, const QString& placeholder)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setPlaceholderText(placeholder);
    return e;
}

void bindText(QLineEdit* edit, Settings& settings, QString Settings::*value)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [&settings, value](const QString& text) {
        settings.*value = text;
        settings.notifyChanged();
    });
}

void showText(QLineEdit* edit, const QString& value)
{
    // An unchanged field keeps its cursor while the user types.
    if (edit->text() != value) {
        const QSignalBlocker blocker(edit);
        edit->setText(value);
    }
}

} // namespace

void BindSettingsCheckBox(QCheckBox* box, Settings& settings, bool Settings::*flag)
{
    box->setChecked(settings.*flag);
    QObject::connect(box, &QCheckBox::toggled, box, [&settings, flag](bool ticked) {
        if (settings.*flag == ticked)
            return;
        settings.*flag = ticked;
        settings.notifyChanged();
    });
    QObject::connect(&settings, &Settings::changed, box, [box, &settings, flag] {
        const QSignalBlocker blocker(box);
        box->setChecked(settings.*flag);
    });
}

NotifyPage::NotifyPage(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TabSheetPowiadomienia"));
    m_notify = new QCheckBox(QStringLiteral("wyślij podsumowanie po każdej kontroli"), this);
    m_notify->setObjectName(QStringLiteral("CheckBoxPowiadom"));
    m_smtp = field(this, "EditSmtp", QStringLiteral("smtp://serwer:587"));
    m_smtp->setToolTip(QStringLiteral("smtp://serwer:port (szyfrowanie STARTTLS, gdy serwer je oferuje) "
                                      "lub smtps://serwer:port (połączenie szyfrowane od początku)"));
    m_user = field(this, "EditSmtpUser", {});
    m_password = field(this, "EditSmtpPass", {});
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    m_from = field(this, "EditMailOd", QStringLiteral("adres@przyklad.pl"));
    m_to = field(this, "EditMailDo", QStringLiteral("adresy rozdzielone przecinkami"));
    m_failingChecks = new QSpinBox(this);
    m_failingChecks->setObjectName(QStringLiteral("SpinAlarm"));
    m_failingChecks->setRange(konfig::kMinFailingChecks, konfig::kMaxFailingChecks);
    m_failingChecks->setSuffix(QStringLiteral(" nieudanych kontrolach"));
    m_failingChecks->setToolTip(QStringLiteral("Strona, której tyle ostatnich kontroli z rzędu się nie udało, "
                                               "trafia do listy stron niedostępnych"));
    m_test = new QPushButton(QStringLiteral("Wyślij wiadomość testową"), this);
    m_test->setObjectName(QStringLiteral("ButtonTest"));
    m_test->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Serwer SMTP:"), m_smtp);
    form->addRow(QStringLiteral("Użytkownik:"), m_user);
    form->addRow(QStringLiteral("Hasło:"), m_password);
    form->addRow(QStringLiteral("Nadawca:"), m_from);
    form->addRow(QStringLiteral("Odbiorcy:"), m_to);
    form->addRow(QStringLiteral("Alarm po:"), m_failingChecks);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 4);
    column->addWidget(m_notify);
    column->addLayout(form);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_test);
    column->addLayout(buttonRow);
    column->addStretch(1);

    showSettings();
    BindSettingsCheckBox(m_notify, m_settings, &Settings::notify);
    bindText(m_smtp, m_settings, &Settings::smtpUrl);
    bindText(m_user, m_settings, &Settings::smtpUser);
    bindText(m_password, m_settings, &Settings::smtpPassword);
    bindText(m_from, m_settings, &Settings::mailFrom);
    bindText(m_to, m_settings, &Settings::mailTo);
    connect(m_failingChecks, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_settings.failingChecks == value)
            return;
        m_settings.failingChecks = value;
        m_settings.notifyChanged();
    });
    connect(&m_settings, &Settings::changed, this, &NotifyPage::showSettings);
    connect(m_test, &QPushButton::clicked, this, &NotifyPage::ButtonTestClick);
}

void NotifyPage::showSettings()
{
    showText(m_smtp, m_settings.smtpUrl);
    showText(m_user, m_settings.smtpUser);
    showText(m_password, m_settings.smtpPassword);
    showText(m_from, m_settings.mailFrom);
    showText(m_to, m_settings.mailTo);
    const QSignalBlocker blocker(m_failingChecks);
    m_failingChecks->setValue(m_settings.failingChecks);
}

void NotifyPage::ButtonTestClick()
{
    const powiadomienia::SmtpAccount account = powiadomienia::AccountFromSettings(m_settings);
    const powiadomienia::MailMessage message = powiadomienia::TestMessage(m_settings, Clock::now());
    auto error = std::make_shared<QString>();
    const std::optional<bool> sent = WaitForNetwork(
        window(), QStringLiteral("Wysyłanie wiadomości testowej przez %1").arg(account.url),
        [account, message, error](const std::atomic<bool>& cancelled) {
            const powiadomienia::SendResult result = powiadomienia::SendMail(account, message, &cancelled);
            *error = result.error;
            return result.sent;
        });
    if (!sent)
        return; // the user gave up waiting
    if (*sent)
        m_dialogs.message(powiadomienia::SentLine(powiadomienia::MailKind::Test, message));
    else
        m_dialogs.message(powiadomienia::FailedLine(powiadomienia::MailKind::Test, *error));
}
