// list: the visible records in physical order, tab-separated UTF-8.
#include "command.h"
#include "registeraccess.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "text/datevalue.h"


namespace {

QString escaped(QString value)
{
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return value;
}

int runList(CliContext& c, const QStringList& args)
{
    RequireNoMoreArguments(args, 0);
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Read);
    const dbf::DbfTable& t = b.table();
    c.out << "recno\tLP\tGmina\tNatura2000\tWojewodztwo\tAktualizacja\tDataKontroli\tsize\trow\ttag\tkod\tdom\tinfo"
             "\tbip\tuwagi\tz\n";
    for (int row = 0; row < t.recordCount(); ++row) {
        QStringList columns{QString::number(t.physicalAt(row))};
        for (int f = 0; f < baza::FieldCount; ++f) {
            // Integers as they read (an empty one is 0); dates ISO, the
            // zero date empty; texts as read.
            const auto type = t.fieldDef(f).type;
            if (type == dbf::FieldType::Integer || type == dbf::FieldType::AutoIncrement)
                columns << QString::number(t.integerAt(row, f));
            else
                columns << escaped(t.textAt(row, f));
        }
        c.out << columns.join(QLatin1Char('\t')) << "\n";
    }
    b.table().close();
    return 0;
}

CommandRegistration reg({
    QStringLiteral("list"),
    QStringLiteral("list"),
    QStringLiteral("Wypisuje rekordy rejestru w kolejności fizycznej, rozdzielone tabulatorami (UTF-8)."),
    runList,
});

} // namespace
