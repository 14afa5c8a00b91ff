#include "publikacja/updatelist.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "konfig/settings.h"
#include "konfig/wholenumber.h"
#include "publikacja/entry.h"
#include "text/textfile.h"
#include "text/trimmedtext.h"

#include <QFile>

namespace publikacja {
namespace {

// Visits as many records as the table counts, from the first on in the
// table's current order, then puts the cursor back on the first.
template <typename Visit>
void forEachRecord(dbf::DbfTable& table, Visit visit)
{
    table.first();
    const int count = table.recordCount();
    for (int i = 0; i < count; ++i) {
        visit();
        table.next();
    }
    table.first();
}

bool isMarked(const dbf::DbfTable& table)
{
    return baza::IsMarked(table.integer(u"kod"));
}

bool occursIn(const QString& line, const QString& text)
{
    return !text.isEmpty() && (line.contains(text) || line.contains(HtmlEscaped(text)));
}

} // namespace

AppendResult AppendEntries(const QString& path, dbf::DbfTable& table)
{
    QStringList lines = QFile::exists(path) ? textfile::ReadLines(path) : QStringList();
    AppendResult result;
    forEachRecord(table, [&] {
        if (!isMarked(table))
            return;
        lines << MakeEntry(table.text(u"Gmina"), table.text(u"Natura2000"), table.text(u"info"),
                           EntryDate(table.date(u"Aktualizacja"), table.date(u"DataKontroli")));
        ++result.count;
    });
    textfile::WriteLines(path, lines);
    result.done = true;
    return result;
}

void RemoveOlderEntries(const QString& path, dbf::DbfTable& table, const Settings& settings)
{
    if (!settings.removeOlderEntries || !QFile::exists(path))
        return;
    QStringList municipalities;
    QStringList areas;
    forEachRecord(table, [&] {
        if (!isMarked(table))
            return;
        municipalities << TrimmedText(table.text(u"Gmina"));
        areas << TrimmedText(table.text(u"Natura2000"));
    });
    for (qsizetype i = 0; i < municipalities.size(); ++i)
        RemoveEntriesOf(path, municipalities[i], areas[i]);
}

void RemoveEntriesOf(const QString& path, const QString& municipality, const QString& area)
{
    QStringList lines = textfile::ReadLines(path);
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (occursIn(lines[i], municipality) && occursIn(lines[i], area))
            lines.removeAt(i);
    textfile::WriteLines(path, lines);
}

void ShortenList(const QString& path, const Settings& settings)
{
    if (!settings.limitEntries)
        return;
    const std::optional<int> limit = konfig::WholeNumber(settings.entryCountText);
    // The spin buttons never give less than 1; a limit of 0 would empty the
    // public list, so it is taken as no limit.
    if (!limit || *limit < 1 || !QFile::exists(path))
        return;
    QStringList kept;
    for (const QString& line : textfile::ReadLines(path)) {
        if (kept.size() >= *limit)
            break;
        const QString trimmed = TrimmedText(line);
        if (!trimmed.isEmpty())
            kept << trimmed;
    }
    textfile::WriteLines(path, kept);
}

} // namespace publikacja
