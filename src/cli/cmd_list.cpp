// list: the visible records in physical order, tab-separated UTF-8.
#include "command.h"
#include "registeraccess.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "powiadomienia/failingpages.h"
#include "text/datevalue.h"


namespace {

QString escaped(QString value)
{
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return value;
}

// The alerts: one line per page whose newest checks all failed.
int listFailing(CliContext& c, baza::Baza& b, const QString& countText)
{
    Settings settings;
    LoadCommandSettings(c, settings, QStringLiteral("list"));
    int k = settings.failingChecks;
    if (!countText.isEmpty()) {
        bool ok = false;
        k = countText.toInt(&ok);
        if (!ok || k < konfig::kMinFailingChecks || k > konfig::kMaxFailingChecks)
            throw UsageError{QStringLiteral("--checks przyjmuje liczbę od %1 do %2, a nie \"%3\"")
                                 .arg(konfig::kMinFailingChecks)
                                 .arg(konfig::kMaxFailingChecks)
                                 .arg(countText)};
    }
    const powiadomienia::FailingPagesResult failing = powiadomienia::FailingPages(c.dataDir, b.table(), k);
    b.table().close();
    if (!failing.problem.isEmpty()) {
        c.err << "ekowarta-cli list: historii stron nie udało się odczytać: " << failing.problem << "\n";
        return 1;
    }
    for (const powiadomienia::FailingPageAlert& alert : failing.pages)
        c.out << powiadomienia::AlertLine(alert) << "\n";
    // Said on stderr: the list itself (stdout) stays empty for scripts.
    if (failing.pages.isEmpty())
        c.err << "Brak stron niedostępnych (żadna strona nie zawiodła w " << k << " ostatnich kontrolach z rzędu).\n";
    return 0;
}

int runList(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    const bool failing = TakeFlag(args, QStringLiteral("--failing"));
    QString checks;
    const bool checksGiven = TakeOption(args, QStringLiteral("--checks"), &checks);
    RequireNoMoreArguments(args, 0);
    if (checksGiven && !failing)
        throw UsageError{QStringLiteral("--checks działa tylko z --failing")};
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Read);
    if (failing)
        return listFailing(c, b, checks);
    const dbf::DbfTable& t = b.table();
    c.out << "recno\tLP\tGmina\tNatura2000\tWojewodztwo\tAktualizacja\tDataKontroli\tsize\trow\ttag\tkod\tdom\tinfo"
             "\tbip\tuwagi\tz\n";
    // Row by row: the register is never held whole (see walkRows).
    t.walkRows([&](int row) {
        QString line = QString::number(t.physicalAt(row));
        for (int f = 0; f < baza::FieldCount; ++f) {
            // Integers as they read (an empty one is 0); dates ISO, the
            // zero date empty; texts as read.
            line += QLatin1Char('\t');
            const auto type = t.fieldDef(f).type;
            if (type == dbf::FieldType::Integer || type == dbf::FieldType::AutoIncrement)
                line += QString::number(t.integerAt(row, f));
            else
                line += escaped(t.textAt(row, f));
        }
        c.out << line << "\n";
    });
    b.table().close();
    return 0;
}

CommandRegistration reg({
    QStringLiteral("list"),
    QStringLiteral("list [--failing [--checks N]]"),
    QStringLiteral("Wypisuje rekordy rejestru w kolejności fizycznej, rozdzielone tabulatorami (UTF-8).\n"
                   "--failing   zamiast rekordów strony niedostępne: po jednym wierszu na stronę, której\n"
                   "            ostatnie kontrole (domyślnie 3, config.ini alarm) wszystkie się nie udały,\n"
                   "            z gminami i datą ostatniej udanej kontroli\n"
                   "--checks N  ile ostatnich kontroli musi się nie udać (1-20)"),
    runList,
});

} // namespace
