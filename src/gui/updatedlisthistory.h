#pragma once

#include <QString>

#include <functional>

class QPlainTextEdit;
namespace baza {
class Baza;
}
namespace dbf {
class DbfTable;
}

// The updated list's lines ("LP = 7 - Gmina") lead to the page history: a
// double-click opens it, the tool tip shows the first line that the page's
// last change added. The lines themselves stay as they are.
struct UpdatedLineRecord
{
    QString page; // the record's info, trimmed; empty when no record has that LP
    QString gmina;
};
UpdatedLineRecord RecordOfUpdatedLine(const dbf::DbfTable& table, const QString& line);

void InstallUpdatedListHistory(QPlainTextEdit* list, baza::Baza& baza, std::function<void(const QString& line)> open);
