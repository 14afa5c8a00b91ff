#include "registeraccess.h"

#include "baza/fields.h"

#include <QFile>

void RequireRegisterFile(const baza::Baza& baza)
{
    if (!QFile::exists(baza.dbfPath()))
        throw std::runtime_error(QStringLiteral("brak pliku rejestru %1").arg(baza.dbfPath()).toStdString());
}

void OpenRegister(baza::Baza& baza, Access access)
{
    RequireRegisterFile(baza);
    dbf::DbfTable& t = baza.table();
    t.setFileName(baza.dbfPath());
    t.setReadOnly(access == Access::Read);
    t.setExclusive(access == Access::Write);
    t.open();
}

int ParseRecordNumber(const dbf::DbfTable& table, const QString& text)
{
    // lp:N names the record by the window's LP: accepted when exactly one
    // live record has it.
    if (text.startsWith(QLatin1String("lp:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int lp = text.mid(3).toInt(&ok);
        if (!ok || lp < 1)
            throw UsageError{QStringLiteral("niepoprawny numer LP \"%1\"").arg(text.mid(3))};
        QList<int> found;
        table.walkRows([&](int row) {
            if (table.integerAt(row, baza::LP) == lp)
                found << table.physicalAt(row);
        });
        if (found.isEmpty())
            throw UsageError{QStringLiteral("w rejestrze nie ma rekordu o LP %1").arg(lp)};
        if (found.size() > 1) {
            QStringList numbers;
            for (int recNo : found)
                numbers << QString::number(recNo);
            throw UsageError{QStringLiteral("LP %1 mają rekordy %2; podaj numer rekordu (RECNO)")
                                 .arg(lp)
                                 .arg(numbers.join(QStringLiteral(", ")))};
        }
        return found.first();
    }
    bool ok = false;
    const int recNo = text.toInt(&ok);
    if (!ok || recNo < 1)
        throw UsageError{QStringLiteral("niepoprawny numer rekordu \"%1\" (RECNO albo lp:N)").arg(text)};
    if (!table.isLiveRecord(recNo))
        throw UsageError{QStringLiteral("w rejestrze nie ma rekordu nr %1").arg(recNo)};
    return recNo;
}
