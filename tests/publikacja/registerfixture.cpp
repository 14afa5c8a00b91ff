#include "registerfixture.h"

#include "baza/fields.h"
#include "raport/runreport.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

void BuildRegister(baza::Baza& baza, const QList<RecordValues>& records)
{
    baza.OpenTable();
    dbf::DbfTable& t = baza.table();
    for (const RecordValues& r : records) {
        t.append();
        t.setText(baza::Gmina, r.gmina);
        t.setText(baza::Natura2000, r.natura2000);
        t.setText(baza::Wojewodztwo, QStringLiteral("mazowieckie"));
        t.setDate(baza::Aktualizacja, datevalue::fromDate(r.aktualizacja));
        t.setInteger(baza::Kod, r.kod);
        t.setText(baza::Info, r.info);
        t.post();
    }
    t.first();
}

QStringList EventTexts(const RunReport& report)
{
    QStringList texts;
    for (const QString& line : report.events()) {
        const qsizetype arrow = line.indexOf(QStringLiteral(" => "));
        texts.prepend(arrow < 0 ? line : line.mid(arrow + 4));
    }
    return texts;
}

QByteArray ListBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += cp1250::fromUnicode(line) + "\r\n";
    return bytes;
}
