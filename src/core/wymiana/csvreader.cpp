#include "wymiana/csvreader.h"

#include "text/cp1250.h"

#include <QStringDecoder>

namespace wymiana {

CsvText DecodeCsvBytes(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return {QString(),
                QStringLiteral("plik jest zapisany w kodowaniu UTF-16; zapisz go jako CSV w UTF-8 "
                               "lub w Windows-1250")};
    QByteArrayView body(bytes);
    const bool bom = body.startsWith("\xEF\xBB\xBF");
    if (bom)
        body = body.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (bom || !utf8.hasError())
        return {text, QString()};
    // Not UTF-8: a spreadsheet's "CSV (rozdzielany przecinkami)" in the
    // system's code page.
    return {cp1250::toUnicode(body), QString()};
}

QChar DetectSeparator(QStringView text)
{
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

CsvParse ParseCsv(QStringView text, QChar separator)
{
    CsvParse result;
    const QChar quote = QLatin1Char('"');
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;

    // One line break (CR LF, LF or CR) at i, if there is one.
    auto takeLineBreak = [&]() {
        if (i < n && text[i] == QLatin1Char('\r')) {
            ++i;
            if (i < n && text[i] == QLatin1Char('\n'))
                ++i;
            ++line;
            return true;
        }
        if (i < n && text[i] == QLatin1Char('\n')) {
            ++i;
            ++line;
            return true;
        }
        return false;
    };

    while (i < n) {
        CsvRecord record;
        record.line = line;
        QString field;
        bool recordEnded = false;
        while (!recordEnded) {
            field.clear();
            if (i < n && text[i] == quote) {
                // Quoted: up to the quote that is not doubled.
                const int openedOn = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text[i];
                    if (c == quote) {
                        if (i + 1 < n && text[i + 1] == quote) {
                            field += quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                        // Kept as written inside the field, counted as a line.
                        const qsizetype from = i;
                        takeLineBreak();
                        field += text.sliced(from, i - from);
                        continue;
                    }
                    field += c;
                    ++i;
                }
                if (!closed) {
                    result.unterminatedQuoteLine = openedOn;
                    return result;
                }
            }
            // Unquoted text, or what a spreadsheet would keep after a
            // closing quote: taken as it stands up to the separator.
            while (i < n && text[i] != separator && text[i] != QLatin1Char('\r') &&
                   text[i] != QLatin1Char('\n'))
                field += text[i++];
            record.fields << field;
            if (i < n && text[i] == separator) {
                ++i;
                continue;
            }
            takeLineBreak();
            recordEnded = true;
        }
        const bool emptyLine = record.fields.size() == 1 && record.fields.first().isEmpty();
        if (!emptyLine)
            result.records << record;
    }
    return result;
}

} // namespace wymiana
