#include "registeraccess.h"

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
    bool ok = false;
    const int recNo = text.toInt(&ok);
    if (!ok || recNo < 1)
        throw UsageError{QStringLiteral("niepoprawny numer rekordu \"%1\"").arg(text)};
    if (!table.isLiveRecord(recNo))
        throw UsageError{QStringLiteral("w rejestrze nie ma rekordu nr %1").arg(recNo)};
    return recNo;
}
