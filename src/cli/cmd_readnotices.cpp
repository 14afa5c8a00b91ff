// read-notices: the notices in a saved page, one JSON object per line, as a
// check would read them from a record's first check of the page.
#include "command.h"

#include "ogloszenia/noticereader.h"
#include "platform/clock.h"
#include "text/textfile.h"

#include <QFileInfo>
#include <QJsonDocument>

namespace {

int runReadNotices(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    TakeTodayOption(args);
    RequireNoMoreArguments(args, 1);
    const QString file = args.first();
    if (!QFileInfo(file).isFile())
        throw UsageError{QStringLiteral("nie ma pliku %1").arg(file)};

    ogloszenia::ReadOptions options;
    options.today = Clock::now().date();
    // A saved page has no Content-Type: the charset comes from its <meta> or its bytes.
    for (const ogloszenia::Notice& n : ogloszenia::ReadNoticesInPage(textfile::ReadBytes(file), QString(), options))
        c.out << QString::fromUtf8(QJsonDocument(ogloszenia::ToJson(n)).toJson(QJsonDocument::Compact)) << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("read-notices"),
    QStringLiteral("read-notices PLIK [--today RRRR-MM-DD]"),
    QStringLiteral("Czyta ogłoszenia z zapisanej strony (obwieszczenia, zawiadomienia, informacje, decyzje,\n"
                   "postanowienia, ogłoszenia) i wypisuje każde jako jeden wiersz JSON (UTF-8): rodzaj, organ,\n"
                   "znak, data, procedura, etap, uwagi_od, uwagi_do, natura2000, obszar, przedmiot.\n"
                   "--today ustala dzisiejszą datę (późniejsza data nie jest datą pisma)."),
    runReadNotices,
});

} // namespace
