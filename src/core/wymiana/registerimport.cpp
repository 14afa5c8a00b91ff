#include "wymiana/registerimport.h"

#include "baza/fields.h"
#include "text/textfile.h"
#include "baza/recordvalidation.h"
#include "baza/voivodeships.h"
#include "platform/fileerror.h"
#include "text/trimmedtext.h"
#include "dbf/dbftable.h"
#include "wymiana/csvreader.h"

#include <QFile>

#include <array>

namespace wymiana {
namespace {

// The columns an import reads, the first three required.
constexpr std::array<int, 6> kColumns = {baza::Gmina, baza::Natura2000, baza::Wojewodztwo,
                                         baza::Dom,   baza::Info,       baza::Bip};
constexpr int kRequiredColumns = 3;

struct ColumnMap
{
    std::array<int, 6> index{-1, -1, -1, -1, -1, -1}; // by kColumns position
};

// Finds the columns in the header row; problems go to the plan.
bool mapHeader(const CsvRecord& header, ColumnMap& map, ImportPlan& plan)
{
    QStringList reasons;
    for (size_t c = 0; c < kColumns.size(); ++c) {
        const QString name = baza::FieldName(kColumns[c]);
        for (int i = 0; i < header.fields.size(); ++i) {
            if (TrimmedText(header.fields[i]).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (map.index[c] >= 0) {
                reasons
                    << QStringLiteral("kolumna %1 występuje w nagłówku więcej niż raz").arg(name);
                break;
            }
            map.index[c] = i;
        }
        if (int(c) < kRequiredColumns && map.index[c] < 0)
            reasons << QStringLiteral("w nagłówku brak kolumny %1").arg(name);
    }
    for (const QString& reason : reasons)
        plan.problems.append({header.line, reason});
    return reasons.isEmpty();
}

bool isBlankRow(const CsvRecord& row)
{
    for (const QString& field : row.fields)
        if (!TrimmedText(field).isEmpty())
            return false;
    return true;
}

void planRow(const CsvRecord& row, const ColumnMap& map, int headerWidth, ImportPlan& plan)
{
    // Values beyond the header belong to no column: most likely a separator
    // inside a value that was not quoted, which shifted the row.
    for (int i = headerWidth; i < row.fields.size(); ++i) {
        if (!TrimmedText(row.fields[i]).isEmpty()) {
            plan.problems.append(
                {row.line, QStringLiteral("wiersz ma %1 pól, a nagłówek %2 (separator w tekście "
                                          "bez cudzysłowu?)")
                               .arg(row.fields.size())
                               .arg(headerWidth)});
            return;
        }
    }
    auto value = [&](size_t column) {
        const int i = map.index[column];
        return i >= 0 && i < row.fields.size() ? row.fields[i] : QString();
    };
    baza::EditorRecord record;
    record.gmina = value(0);
    record.natura2000 = value(1);
    const QString voivodeship = value(2);
    record.voivodeship = baza::VoivodeshipPosition(voivodeship);
    record.dom = value(3);
    record.info = value(4);
    record.bip = value(5);

    const QStringList reasons =
        baza::RecordValidation::AllProblems(record, voivodeship, [](int field) {
            return QStringLiteral("kolumna ") + baza::FieldName(field);
        });
    if (reasons.isEmpty())
        plan.records << record;
    else
        plan.problems.append({row.line, reasons.join(QStringLiteral("; "))});
}

} // namespace

ImportPlan PlanImport(const QByteArray& fileBytes)
{
    ImportPlan plan;
    const CsvText decoded = DecodeCsvBytes(fileBytes);
    if (!decoded.error.isEmpty()) {
        plan.problems.append({0, decoded.error});
        return plan;
    }
    const CsvParse parsed = ParseCsv(decoded.text, DetectSeparator(decoded.text));
    if (parsed.records.isEmpty() && parsed.unterminatedQuoteLine == 0) {
        plan.problems.append({0, QStringLiteral("plik jest pusty (brak wiersza nagłówka)")});
        return plan;
    }
    if (!parsed.records.isEmpty()) {
        ColumnMap map;
        const CsvRecord& header = parsed.records.first();
        if (!mapHeader(header, map, plan))
            return plan;
        for (qsizetype r = 1; r < parsed.records.size(); ++r)
            if (!isBlankRow(parsed.records[r]))
                planRow(parsed.records[r], map, int(header.fields.size()), plan);
    }
    if (parsed.unterminatedQuoteLine > 0)
        plan.problems.append(
            {parsed.unterminatedQuoteLine,
             QStringLiteral("cudzysłów otwarty w tym wierszu nie jest zamknięty do końca pliku")});
    return plan;
}

ImportPlan PlanImportFile(const QString& path)
{
    return PlanImport(textfile::ReadBytes(path));
}

void ApplyImport(dbf::DbfTable& table, const ImportPlan& plan)
{
    if (!plan.ok() || plan.records.isEmpty())
        return;
    // All rows or none, also under a kill or a power loss: the rows are
    // written with the old records into a new file that replaces the table
    // in one rename.
    table.beginBatch();
    try {
        for (const baza::EditorRecord& record : plan.records)
            baza::AppendRecord(table, record);
        table.commitBatch();
    } catch (...) {
        table.rollbackBatch();
        throw;
    }
}

QString ProblemText(const ImportProblem& problem)
{
    if (problem.line <= 0)
        return problem.reason;
    return QStringLiteral("wiersz %1: %2").arg(problem.line).arg(problem.reason);
}

QString RefusalText(const QList<ImportProblem>& problems, int maxListed)
{
    QStringList lines{
        QStringLiteral("Plik nie został zaimportowany, rejestr pozostał bez zmian. Błędy:")};
    for (qsizetype i = 0; i < problems.size() && i < maxListed; ++i)
        lines << ProblemText(problems[i]);
    if (problems.size() > maxListed)
        lines << QStringLiteral("… i %1 dalszych").arg(problems.size() - maxListed);
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace wymiana
