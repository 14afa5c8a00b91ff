#include "wymiana/registerexport.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "platform/fileerror.h"
#include "platform/systemerror.h"
#include "wymiana/csvwriter.h"
#include "platform/savefile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace wymiana {
namespace {

const QChar kSeparator = QLatin1Char(';');
const QLatin1String kLineEnd("\r\n");

QString cell(const dbf::DbfTable& table, int row, int field)
{
    switch (table.fieldDef(field).type) {
    case dbf::FieldType::Integer:
    case dbf::FieldType::AutoIncrement:
        // An empty kod differs from 0 for the editor, so it stays empty.
        return table.isNullAt(row, field) ? QString()
                                          : QString::number(table.integerAt(row, field));
    default:
        return table.textAt(row, field); // dates as YYYY-MM-DD, the zero date empty
    }
}

bool samePath(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    const QString ca = fa.exists() ? fa.canonicalFilePath() : fa.absoluteFilePath();
    const QString cb = fb.exists() ? fb.canonicalFilePath() : fb.absoluteFilePath();
    return ca == cb;
}

} // namespace

void WriteRegisterCsv(const dbf::DbfTable& table, const std::function<void(const QByteArray&)>& write)
{
    QStringList header;
    for (int f = 0; f < baza::FieldCount; ++f)
        header << baza::FieldName(f);
    write(QByteArray("\xEF\xBB\xBF") + (CsvLine(header, kSeparator) + kLineEnd).toUtf8());
    // A line at a time: neither the register nor the file is ever whole
    // in memory.
    QStringList fields;
    table.walkRows([&](int row) {
        fields.clear();
        for (int f = 0; f < baza::FieldCount; ++f)
            fields << cell(table, row, f);
        write((CsvLine(fields, kSeparator) + kLineEnd).toUtf8());
    });
}

QByteArray RegisterCsv(const dbf::DbfTable& table)
{
    QByteArray bytes;
    WriteRegisterCsv(table, [&bytes](const QByteArray& piece) { bytes += piece; });
    return bytes;
}

int ExportRegister(const baza::Baza& baza, const QString& path)
{
    if (samePath(path, baza.dbfPath()) || samePath(path, baza.mdxPath()))
        throw FileError::cannotWrite(path, QStringLiteral("to plik samego rejestru"));
    const dbf::DbfTable& table = baza.table();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError::cannotWrite(path, SystemError::FileReason(file));
    bool written = true;
    WriteRegisterCsv(table, [&](const QByteArray& piece) {
        written = written && file.write(piece) == piece.size();
    });
    if (!written || !CommitSaveFile(file))
        throw FileError::cannotWrite(path, SystemError::FileReason(file));
    return table.recordCount();
}

} // namespace wymiana
