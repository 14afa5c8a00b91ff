#include "wymiana/csvwriter.h"

namespace wymiana {
namespace {

bool needsQuotes(const QString& field, QChar separator)
{
    if (field.isEmpty())
        return false;
    if (field.front() == QLatin1Char(' ') || field.back() == QLatin1Char(' '))
        return true;
    for (QChar c : field)
        if (c == separator || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

QString CsvLine(const QStringList& fields, QChar separator)
{
    QStringList written;
    written.reserve(fields.size());
    for (const QString& field : fields) {
        if (!needsQuotes(field, separator)) {
            written << field;
            continue;
        }
        QString quoted = field;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        written << QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return written.join(separator);
}

} // namespace wymiana
