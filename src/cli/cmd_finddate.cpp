// find-date: the date finder over a local file, read as a page check reads
// a downloaded page (with no Content-Type to go by).
#include "command.h"

#include "kontrola/pagemeasure.h"
#include "platform/clock.h"
#include "text/datevalue.h"
#include "text/textfile.h"

#include <QDate>

namespace {

int runFindDate(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    TakeTodayOption(args);
    RequireNoMoreArguments(args, 1);

    double date = 0;
    const bool found = FindPageDate(textfile::ReadBytes(args.first()), QString(), date);
    c.out << "found=" << (found ? 1 : 0) << "\n"
          << "date=" << (found ? datevalue::toDate(date).toString(Qt::ISODate) : QString()) << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("find-date"),
    QStringLiteral("find-date PLIK [--today RRRR-MM-DD]"),
    QStringLiteral("Szuka w pliku strony najnowszej minionej daty (bieżący rok, potem poprzedni)\n"
                   "i wypisuje found=0/1 oraz date= (puste, gdy nie znalazł). --today ustala dzisiejszą datę."),
    runFindDate,
});

} // namespace
