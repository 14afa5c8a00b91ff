#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace dbf {
class DbfTable;
}

// Alerts: pages of the register whose newest checks all failed, from the
// page history. One per page, however many records share it.
namespace powiadomienia {

struct FailingPageAlert
{
    QString address;      // trimmed, as the history keeps it
    QStringList names;    // "Gmina (obszar Natura 2000: X)" of every record with the page
    QDateTime lastGood;   // the newest downloaded check; null when none ever came
};

struct FailingPagesResult
{
    QList<FailingPageAlert> pages; // in the order of the register's first record of each
    QString problem;               // why the history could not be read; empty otherwise
};

// Pages of the open table whose last k checks in historia.sqlite (in the
// data directory) all failed. A register without a history has none.
FailingPagesResult FailingPages(const QString& dataDirectory, const dbf::DbfTable& table, int k);

// "Gmina (obszar Natura 2000: X)", or the municipality alone without an area.
QString RecordName(const QString& gmina, const QString& obszar);

// "ostatnia udana kontrola: dd.MM.yyyy" or "jeszcze nigdy nie udało się jej pobrać".
QString LastGoodText(const QDateTime& lastGood);

// One line per page: "address — names; last good".
QString AlertLine(const FailingPageAlert& alert);

} // namespace powiadomienia
