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

void removeEntriesOf(QStringList& lines, const QString& municipality, const QString& area)
{
    if (municipality.isEmpty() || area.isEmpty())
        return;
    const QString municipalityEscaped = HtmlEscaped(municipality);
    const QString areaEscaped = HtmlEscaped(area);
    const auto occurs = [](const QString& line, const QString& text, const QString& escaped) {
        return line.contains(text) || line.contains(escaped);
    };
    lines.removeIf([&](const QString& line) {
        return occurs(line, municipality, municipalityEscaped) && occurs(line, area, areaEscaped);
    });
}

} // namespace

QList<MarkedRecord> MarkedRecords(dbf::DbfTable& table)
{
    // The fields are found by name once, and the rows are read where they
    // lie: a walk of the cursor would move the grid's current row for every
    // record, and this runs on the window's thread.
    const int kod = table.fieldIndexOrThrow(u"kod");
    const int gmina = table.fieldIndexOrThrow(u"Gmina");
    const int natura2000 = table.fieldIndexOrThrow(u"Natura2000");
    const int info = table.fieldIndexOrThrow(u"info");
    const int aktualizacja = table.fieldIndexOrThrow(u"Aktualizacja");
    const int dataKontroli = table.fieldIndexOrThrow(u"DataKontroli");
    table.first(); // a pending edit is posted first, as any move would
    QList<MarkedRecord> marked;
    table.walkRows([&](int row) {
        const qint32 k = table.integerAt(row, kod);
        if (!baza::IsMarked(k))
            return;
        marked << MarkedRecord{k,
                               table.textAt(row, gmina),
                               table.textAt(row, natura2000),
                               table.textAt(row, info),
                               table.dateAt(row, aktualizacja),
                               table.dateAt(row, dataKontroli)};
    });
    table.first();
    return marked;
}

AppendResult AppendEntries(const QString& path, dbf::DbfTable& table)
{
    return AppendEntries(path, MarkedRecords(table));
}

AppendResult AppendEntries(const QString& path, const QList<MarkedRecord>& marked)
{
    QStringList lines = QFile::exists(path) ? textfile::ReadLines(path) : QStringList();
    AppendResult result;
    for (const MarkedRecord& r : marked) {
        lines << MakeEntry(r.gmina, r.natura2000, r.info, EntryDate(r.aktualizacja, r.dataKontroli));
        ++result.count;
    }
    textfile::WriteLines(path, lines);
    result.done = true;
    return result;
}

void RemoveOlderEntries(const QString& path, dbf::DbfTable& table, const Settings& settings)
{
    if (!settings.removeOlderEntries || !QFile::exists(path))
        return;
    RemoveOlderEntries(path, MarkedRecords(table), settings);
}

void RemoveOlderEntries(const QString& path, const QList<MarkedRecord>& marked, const Settings& settings)
{
    if (!settings.removeOlderEntries || marked.isEmpty() || !QFile::exists(path))
        return;
    // The list is read and written once, however many records are marked.
    QStringList lines = textfile::ReadLines(path);
    for (const MarkedRecord& r : marked)
        removeEntriesOf(lines, TrimmedText(r.gmina), TrimmedText(r.natura2000));
    textfile::WriteLines(path, lines);
}

void RemoveEntriesOf(const QString& path, const QString& municipality, const QString& area)
{
    QStringList lines = textfile::ReadLines(path);
    removeEntriesOf(lines, municipality, area);
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
