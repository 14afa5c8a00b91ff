#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Reading a CSV file the way spreadsheets write it: UTF-8 (with or without
// a byte order mark) or Windows-1250, fields separated by commas or
// semicolons, quoted fields with doubled quotes and with separators and
// line breaks inside the quotes.
namespace wymiana {

struct CsvText
{
    QString text;
    QString error; // Polish; set when the bytes cannot be read as text
};

// UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped),
// otherwise Windows-1250, the code page of Polish spreadsheets.
CsvText DecodeCsvBytes(const QByteArray& bytes);

// The separator of the first record: a semicolon when it holds more
// semicolons than commas outside quotes, otherwise a comma.
QChar DetectSeparator(QStringView text);

struct CsvRecord
{
    int line = 0; // the file line on which the record begins, from 1
    QStringList fields;
};

struct CsvParse
{
    QList<CsvRecord> records;
    // Line on which a quoted field begins that never ends; 0 when none.
    // The records before it are complete; nothing after it is read.
    int unterminatedQuoteLine = 0;
};

// Lines end with CR LF, LF or CR; an empty line yields no record.
CsvParse ParseCsv(QStringView text, QChar separator);

} // namespace wymiana
