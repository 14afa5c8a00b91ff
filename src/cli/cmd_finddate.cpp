// find-date: the date finder over a local file, bytes as they are.
#include "command.h"

#include "SzukajDaty/szukajdaty.h"
#include "kontrola/pagelines.h"
#include "platform/clock.h"
#include "text/datevalue.h"

#include <QDate>

namespace {

int runFindDate(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    TakeTodayOption(args);
    RequireNoMoreArguments(args, 1);

    double date = 0;
    const bool found = FindNewestDate(ReadPageLines(args.first()), 1, date);
    c.out << "found=" << (found ? 1 : 0) << "\n"
          << "date=" << datevalue::toDate(date).toString(Qt::ISODate) << "\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("find-date"),
    QStringLiteral("find-date PLIK [--today RRRR-MM-DD]"),
    QStringLiteral("Szuka w pliku strony najnowszej minionej daty (bieżący rok, potem poprzedni)\n"
                   "i wypisuje found=0/1 oraz date=. --today ustala dzisiejszą datę."),
    runFindDate,
});

} // namespace
