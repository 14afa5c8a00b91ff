#pragma once

#include "baza/baza.h"

#include <QDate>
#include <QString>
#include <QStringList>

class RunReport;

// A register in a temporary data directory, built through the real table
// layer, for the publication tests.
struct RecordValues
{
    QString gmina;
    QString natura2000;
    QString info;
    QDate aktualizacja; // invalid: the zero date
    int kod = 0;
};

// Creates baza.dbf in directory, opens it (shared) and adds the records.
void BuildRegister(baza::Baza& baza, const QList<RecordValues>& records);

// The texts of the event log, oldest first, without their time stamps.
QStringList EventTexts(const RunReport& report);

// Windows-1250 bytes, every line with CR LF.
QByteArray ListBytes(const QStringList& lines);
