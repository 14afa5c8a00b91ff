// add: one record typed on the command line, checked as the editor checks.
#include "command.h"
#include "registeraccess.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "baza/recordvalidation.h"
#include "baza/voivodeships.h"

#include <QFile>

namespace {

QString optionOf(int field)
{
    switch (field) {
    case baza::Gmina:
        return QStringLiteral("--gmina");
    case baza::Natura2000:
        return QStringLiteral("--natura2000");
    case baza::Wojewodztwo:
        return QStringLiteral("--wojewodztwo");
    case baza::Dom:
        return QStringLiteral("--dom");
    case baza::Info:
        return QStringLiteral("--info");
    case baza::Bip:
        return QStringLiteral("--bip");
    default:
        return baza::FieldName(field);
    }
}

QString requiredOption(QStringList& args, int field)
{
    QString value;
    if (!TakeOption(args, optionOf(field), &value))
        throw UsageError{QStringLiteral("brak opcji %1").arg(optionOf(field))};
    return value;
}

QString optionalOption(QStringList& args, int field)
{
    QString value;
    TakeOption(args, optionOf(field), &value);
    return value;
}

int runAdd(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    baza::EditorRecord record;
    record.gmina = requiredOption(args, baza::Gmina);
    record.natura2000 = requiredOption(args, baza::Natura2000);
    const QString voivodeship = requiredOption(args, baza::Wojewodztwo);
    record.voivodeship = baza::VoivodeshipPosition(voivodeship);
    record.dom = optionalOption(args, baza::Dom);
    record.info = optionalOption(args, baza::Info);
    record.bip = optionalOption(args, baza::Bip);
    RequireNoMoreArguments(args, 0);

    const QStringList problems = baza::RecordValidation::AllProblems(record, voivodeship, optionOf);
    if (!problems.isEmpty()) {
        for (const QString& problem : problems)
            c.err << "ekowarta-cli add: " << problem << "\n";
        return 1;
    }
    baza::Baza b(c.dataDir);
    if (!QFile::exists(b.dbfPath()))
        baza::CreateTable(b.dbfPath());
    OpenRegister(b, Access::Write);
    baza::AppendRecord(b.table(), record);
    const int recNo = b.table().recNo();
    const int lp = b.table().integer(baza::LP);
    b.table().close();
    c.out << "Dodano rekord nr " << recNo << " (LP = " << lp << ")\n";
    return 0;
}

CommandRegistration reg({
    QStringLiteral("add"),
    QStringLiteral("add --gmina NAZWA --natura2000 OBSZAR --wojewodztwo WOJ [--dom ADRES] [--info "
                   "ADRES] [--bip ADRES]"),
    QStringLiteral(
        "Dopisuje do rejestru jeden rekord, jak przycisk \"Dodaj\" edytora (kod 0, puste daty).\n"
        "Dane sprawdzane jak w edytorze; błąd danych: kod wyjścia 1 i komunikat."),
    runAdd,
});

} // namespace
