#include "SzukajDaty/szukajdaty.h"

#include "text/datevalue.h"

#include <QDate>

#include <optional>

namespace {

// Splits at the first "-": the part before it, and the rest. Without a "-"
// the part before is empty and the rest is the whole text.
std::pair<QByteArrayView, QByteArrayView> splitAtDash(QByteArrayView text)
{
    const qsizetype dash = text.indexOf('-');
    if (dash < 0)
        return {QByteArrayView(), text};
    return {text.first(dash), text.sliced(dash + 1)};
}

// A whole number written with an optional sign, as a day may be read.
std::optional<int> wholeNumber(QByteArrayView text)
{
    qsizetype at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size() || text.size() - at > 9)
        return std::nullopt;
    int value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9')
            return std::nullopt;
        value = value * 10 + (text[at] - '0');
    }
    return negative ? -value : value;
}

std::optional<int> digitsValue(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The day part: a number as it reads ("07" is 7), else the one character
// that a short date leaves at that place in the fixed window.
QByteArray dayText(QByteArrayView text, qsizetype keptIndex)
{
    if (const std::optional<int> number = wholeNumber(text))
        return QByteArray::number(*number);
    return keptIndex < text.size() ? text.sliced(keptIndex, 1).toByteArray() : QByteArray();
}

} // namespace

double ParseDateCandidate(QByteArrayView candidate)
{
    QByteArray text = candidate.toByteArray();
    text.replace('.', '-').replace('/', '-');

    const auto [a, rest] = splitAtDash(text);
    const auto [b, c] = splitAtDash(rest);

    QByteArrayView yearText;
    QByteArrayView monthText = b;
    QByteArray day;
    if (a.size() == 4) {
        // Year first: a window of ten characters may take in a character or
        // two after a short date ("2026.3.5</"), which are cut away.
        yearText = a;
        day = dayText(c.size() == 3 ? c.first(2) : c, 0);
    } else {
        // Year last: the window begins before a short date ("ia5.3.2026").
        yearText = c;
        day = dayText(a.size() == 3 ? a.sliced(1, 2) : a, 1);
    }

    const std::optional<int> year = digitsValue(yearText);
    const std::optional<int> month = digitsValue(monthText);
    const std::optional<int> dayOfMonth = digitsValue(day);
    if (!year || !month || !dayOfMonth || *year < 1 || *year > 9999)
        return 0;
    const QDate date(*year, *month, *dayOfMonth);
    return date.isValid() ? datevalue::fromDate(date) : 0;
}
