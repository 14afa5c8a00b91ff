#pragma once

#include <QString>
#include <QStringList>

namespace wymiana {

// One CSV record without its line end. A field is quoted when it holds the
// separator, a quote, a line break or blanks at either end, which a
// spreadsheet would otherwise lose; quotes inside are doubled.
QString CsvLine(const QStringList& fields, QChar separator);

} // namespace wymiana
