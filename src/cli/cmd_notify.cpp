// notify --test: the test message of the "Powiadomienia" tab, from the
// settings in config.ini.
#include "command.h"

#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/clock.h"
#include "powiadomienia/runnotifier.h"
#include "powiadomienia/runsummary.h"
#include "powiadomienia/smtpsend.h"

namespace {

int runNotify(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    const bool test = TakeFlag(args, QStringLiteral("--test"));
    RequireNoMoreArguments(args, 0);
    if (!test)
        throw UsageError{QStringLiteral("podaj --test, aby wysłać wiadomość testową")};

    Settings settings;
    LoadCommandSettings(c, settings, QStringLiteral("notify"));
    const powiadomienia::MailMessage message = powiadomienia::TestMessage(settings, Clock::now());
    const powiadomienia::SendResult result =
        powiadomienia::SendMail(powiadomienia::AccountFromSettings(settings), message);
    if (!result.sent) {
        c.err << "ekowarta-cli notify: " << powiadomienia::FailedLine(powiadomienia::MailKind::Test, result.error)
              << "\n";
        return 1;
    }
    c.out << powiadomienia::SentLine(powiadomienia::MailKind::Test, message) << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("notify"),
    QStringLiteral("notify --test"),
    QStringLiteral("Wysyła wiadomość testową przez serwer poczty z konfiguracji (config.ini: smtp, smtpuser,\n"
                   "smtppass, mailod, maildo), także gdy podsumowania po kontroli są wyłączone.\n"
                   "Kod wyjścia: 0 wysłano, 1 nie udało się wysłać."),
    runNotify,
});

} // namespace
