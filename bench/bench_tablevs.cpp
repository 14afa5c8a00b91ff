// The register's table operations at 10,000 records, printed the same way
// as bench/tdbf/tdbfbench.pas prints TDbf's, so that run-tdbf-side-by-side.sh
// can put them side by side: import of 10,000 and 20,000 rows (linear?),
// mark (open, write one record, close), list (open, read every field of
// every record), the run start's pack. MARKS=N and LISTS=N repeat those two
// more often (to profile them).
#include "baza/baza.h"
#include "baza/editorrecord.h"
#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "wymiana/registerimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

wymiana::ImportPlan planOf(int rows)
{
    wymiana::ImportPlan plan;
    for (int i = 0; i < rows; ++i) {
        baza::EditorRecord r;
        r.gmina = QStringLiteral("Gmina %1").arg(i);
        r.natura2000 = QStringLiteral("Dolina Środkowej Wisły PLB%1").arg(i);
        r.voivodeship = 6; // mazowieckie
        r.dom = QStringLiteral("http://www.gmina%1.pl").arg(i);
        r.info = QStringLiteral("http://www.gmina%1.pl/ochrona-srodowiska/informacje.html").arg(i);
        r.bip = QStringLiteral("http://bip.gmina%1.pl").arg(i);
        plan.records << r;
    }
    return plan;
}

double import(const QString& dir, int rows)
{
    const wymiana::ImportPlan plan = planOf(rows);
    baza::Baza b(dir);
    QFile::remove(b.dbfPath());
    baza::CreateTable(b.dbfPath());
    QElapsedTimer clock;
    clock.start();
    dbf::DbfTable& t = b.table();
    t.setFileName(b.dbfPath());
    t.setExclusive(true);
    t.open();
    wymiana::ApplyImport(t, plan);
    t.close();
    return double(clock.nsecsElapsed()) / 1e6;
}

void report(const char* what, double ms)
{
    std::printf("%-12s %10.3f\n", what, ms);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + QStringLiteral("/ekowarta-bench");
    QDir().mkpath(dir);

    report("import10000", import(dir, 10000));
    report("import20000", import(dir, 20000));
    import(dir, 10000); // the register of the other operations

    baza::Baza b(dir);
    QElapsedTimer clock;
    const int kMarks = qEnvironmentVariableIntValue("MARKS") > 0 ? qEnvironmentVariableIntValue("MARKS") : 200;
    clock.start();
    for (int i = 1; i <= kMarks; ++i) {
        dbf::DbfTable t;
        t.setFileName(b.dbfPath());
        t.setExclusive(true);
        t.open();
        t.setRecNo(1 + (i * 37) % 10000);
        t.edit();
        t.setInteger(baza::Kod, i % 4);
        t.post();
        t.close();
    }
    report("mark", double(clock.nsecsElapsed()) / 1e6 / kMarks);

    const int kLists = qEnvironmentVariableIntValue("LISTS") > 0 ? qEnvironmentVariableIntValue("LISTS") : 10;
    qint64 sum = 0;
    clock.start();
    for (int i = 0; i < kLists; ++i) {
        dbf::DbfTable t;
        t.setFileName(b.dbfPath());
        t.setReadOnly(true);
        t.open();
        for (int row = 0; row < t.recordCount(); ++row)
            for (int f = 0; f < t.fieldCount(); ++f)
                sum += t.textAt(row, f).size();
        t.close();
    }
    report("list", double(clock.nsecsElapsed()) / 1e6 / kLists);

    constexpr int kPacks = 10;
    clock.start();
    for (int i = 0; i < kPacks; ++i)
        b.PackTable();
    report("pack", double(clock.nsecsElapsed()) / 1e6 / kPacks);
    return sum < 0 ? 1 : 0;
}
