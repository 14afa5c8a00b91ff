#pragma once

#include "baza/editorrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace dbf {
class DbfTable;
}

// Bringing records in from a CSV file: a header row naming Gmina,
// Natura2000, Wojewodztwo and optionally dom, info, bip (any order, case
// ignored, other columns ignored), then one record a row. Every row is
// checked as the record editor checks a typed record; one failing row
// keeps the whole file out.
namespace wymiana {

struct ImportProblem
{
    int line = 0; // file line, from 1; 0 for the file as a whole
    QString reason;
};

struct ImportPlan
{
    QList<baza::EditorRecord> records;
    QList<ImportProblem> problems;
    bool ok() const { return problems.isEmpty(); }
};

// Reads and checks the file's content; touches no table.
ImportPlan PlanImport(const QByteArray& fileBytes);
// The same for a file; an unreadable file throws FileError.
ImportPlan PlanImportFile(const QString& path);

// Appends the planned records as "Dodaj" does (kod 0, zero dates, the
// voivodeship by its list name); the last one stays current. Only for a
// plan without problems. The table is replaced as a whole (see
// DbfTable::beginBatch): all rows arrive or none.
void ApplyImport(dbf::DbfTable& table, const ImportPlan& plan);

// "wiersz 4: Brak nazwy gminy !", or the reason alone for the whole file.
QString ProblemText(const ImportProblem& problem);

// The message for a refused import: what happened, then the problems, at
// most maxListed of them and a count of the rest (a message box must fit
// on the screen).
QString RefusalText(const QList<ImportProblem>& problems, int maxListed);

} // namespace wymiana
