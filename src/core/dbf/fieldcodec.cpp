#include "dbf/fieldcodec.h"

#include "dbf/collation.h"
#include "dbf/dbferror.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QDate>

#include <cstring>

namespace dbf::codec {
namespace {

bool allZero(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

bool isBlank(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] != ' ' && p[i] != 0)
            return false;
    return true;
}

bool isIntegral(const format::Field& f)
{
    return f.def.type == FieldType::Integer || f.def.type == FieldType::AutoIncrement;
}

// The stored yyyyMMdd; eight digits are read directly (the common case,
// met for every date cell of a listing), anything else as Qt reads it.
QDate storedDate(const char* p)
{
    if (isBlank(p, 8))
        return QDate();
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return QDate::fromString(QString::fromLatin1(QByteArrayView(p, 8)), QStringLiteral("yyyyMMdd"));
        digits[i] = p[i] - '0';
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    return QDate(year, digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
}

QString dateText(const char* p)
{
    const QDate d = storedDate(p);
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

[[noreturn]] void notADateField(const format::Field& f)
{
    throw DbfError(QStringLiteral("Pole %1 nie jest polem daty").arg(f.def.name));
}

} // namespace

// Long integers are big-endian with the sign bit inverted, so that their
// bytes sort as the numbers do; four zero bytes are an empty field.
void encodeInteger(char* p, qint32 value)
{
    const quint32 u = quint32(value) ^ 0x80000000u;
    p[0] = char(u >> 24);
    p[1] = char((u >> 16) & 0xFF);
    p[2] = char((u >> 8) & 0xFF);
    p[3] = char(u & 0xFF);
}

qint32 decodeInteger(const char* p)
{
    const quint32 u = (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) |
                      (quint32(quint8(p[2])) << 8) | quint32(quint8(p[3]));
    if (u == 0)
        return 0;
    return qint32(u ^ 0x80000000u);
}

QString text(const format::Field& f, const char* p)
{
    switch (f.def.type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return allZero(p, 4) ? QString() : QString::number(decodeInteger(p));
    case FieldType::Date:
        return dateText(p);
    default: {
        int n = f.def.width;
        while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
            --n;
        QString s = cp1250::toUnicode(QByteArrayView(p, n));
        if (f.def.type != FieldType::Character)
            s = s.trimmed();
        return s;
    }
    }
}

qint32 integer(const format::Field& f, const char* p)
{
    switch (f.def.type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return decodeInteger(p);
    case FieldType::Date:
        return qint32(date(f, p));
    default:
        return text(f, p).trimmed().toInt();
    }
}

double date(const format::Field& f, const char* p)
{
    if (f.def.type != FieldType::Date)
        notADateField(f);
    const QDate d = storedDate(p);
    return d.isValid() ? datevalue::fromDate(d) : datevalue::kZeroDate;
}

bool isNull(const format::Field& f, const char* p)
{
    if (isIntegral(f))
        return allZero(p, 4);
    return isBlank(p, f.def.width);
}

void setText(const format::Field& f, char* p, const QString& value)
{
    switch (f.def.type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement: {
        const QString t = value.trimmed();
        if (t.isEmpty()) {
            std::memset(p, 0, 4);
            return;
        }
        bool ok = false;
        const int v = t.toInt(&ok);
        if (!ok)
            throw DbfError(QStringLiteral("\"%1\" nie jest poprawną liczbą całkowitą").arg(value));
        encodeInteger(p, v);
        return;
    }
    case FieldType::Date: {
        const QString t = value.trimmed();
        if (t.isEmpty()) {
            std::memset(p, ' ', 8);
            return;
        }
        QDate d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid())
            d = QDate::fromString(t, QStringLiteral("yyyyMMdd"));
        if (!d.isValid())
            throw DbfError(QStringLiteral("\"%1\" nie jest poprawną datą").arg(value));
        setDate(f, p, datevalue::fromDate(d));
        return;
    }
    default: {
        const QByteArray bytes = cp1250::fromUnicode(value).left(f.def.width);
        std::memset(p, ' ', size_t(f.def.width));
        std::memcpy(p, bytes.constData(), size_t(bytes.size()));
    }
    }
}

void setInteger(const format::Field& f, char* p, qint32 value)
{
    if (isIntegral(f))
        encodeInteger(p, value);
    else if (f.def.type == FieldType::Date)
        setDate(f, p, value);
    else
        setText(f, p, QString::number(value));
}

void setDate(const format::Field& f, char* p, double value)
{
    if (f.def.type != FieldType::Date)
        notADateField(f);
    // The zero date is the empty date: the field is left blank.
    const QDate d = datevalue::toDate(value);
    if (datevalue::dayOf(value) == datevalue::kZeroDate || !d.isValid() || d.year() < 1 || d.year() > 9999) {
        std::memset(p, ' ', 8);
        return;
    }
    const QByteArray digits = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    std::memcpy(p, digits.constData(), 8);
}

void setNull(const format::Field& f, char* p)
{
    if (isIntegral(f))
        std::memset(p, 0, 4);
    else
        std::memset(p, ' ', size_t(f.def.width));
}

QByteArray blankRecord(const std::vector<format::Field>& fields, int recordLength)
{
    QByteArray blank(recordLength, ' ');
    for (const format::Field& f : fields)
        if (isIntegral(f))
            std::memset(blank.data() + f.offset, 0, 4);
    return blank;
}

QByteArray sortKey(const format::Field& f, const char* p)
{
    switch (f.def.type) {
    case FieldType::Character:
        return characterSortKey(QByteArrayView(p, f.def.width));
    case FieldType::Integer:
    case FieldType::AutoIncrement: {
        QByteArray key(4, '\0');
        encodeInteger(key.data(), decodeInteger(p)); // empty sorts as 0
        return key;
    }
    default: {
        QByteArray key(p, f.def.width);
        key.replace('\0', ' '); // a blank date sorts before every date
        return key;
    }
    }
}

} // namespace dbf::codec
