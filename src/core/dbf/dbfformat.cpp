#include "dbf/dbfformat.h"

#include "dbf/dbferror.h"
#include "dbf/fieldcodec.h"
#include "platform/clock.h"

#include <algorithm>
#include <cstring>

namespace dbf::format {
namespace {

bool isFixedWidthOk(FieldType type, int width)
{
    switch (type) {
    case FieldType::Date:
    case FieldType::Timestamp:
    case FieldType::Double:
        return width == 8;
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return width == 4;
    case FieldType::Logical:
        return width == 1;
    default:
        return width >= 1;
    }
}

bool isKnownType(char t)
{
    return QByteArrayView("+CDINFLM@OBG").contains(t);
}

[[noreturn]] void damaged(const QString& path, const QString& reason)
{
    throw DbfError::damaged(path, reason);
}

// An append writes the record (and the end mark) before the header that
// counts it. A kill in between leaves one whole record beyond the count whose
// autoincrement value is the one the header still offers as next: that is
// our own unfinished append, not a miscounted table (there, every counted
// record took its value and raised the header's). Such a tail is ignored
// and overwritten by the next append.
bool isTornAppend(const char* d, const Layout& layout, qint64 needed, qint64 extra)
{
    const int recordLength = layout.recordLength;
    if (extra != recordLength && !(extra == recordLength + 1 && d[needed + recordLength] == kEndOfFile))
        return false;
    const char flag = d[needed];
    if (flag != kLive && flag != kDeleted)
        return false;
    bool checked = false;
    for (size_t i = 0; i < layout.fields.size(); ++i) {
        if (layout.fields[i].def.type != FieldType::AutoIncrement)
            continue;
        const quint32 next = NextAutoIncrement(d, int(i));
        if (quint32(codec::decodeInteger(d + needed + layout.fields[i].offset)) != next)
            return false;
        checked = true;
    }
    return checked;
}

} // namespace

quint16 readU16(const char* p)
{
    return quint16(quint8(p[0]) | (quint8(p[1]) << 8));
}

quint32 readU32(const char* p)
{
    return quint32(quint8(p[0])) | (quint32(quint8(p[1])) << 8) | (quint32(quint8(p[2])) << 16) |
           (quint32(quint8(p[3])) << 24);
}

void writeU16(char* p, quint16 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

void writeU32(char* p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

Layout ParseHeader(QByteArrayView file, const QString& path)
{
    if (file.size() < kFileHeaderSize)
        damaged(path, QStringLiteral("to nie jest tabela dBase (plik ma tylko %1 B)").arg(file.size()));
    const char* d = file.data();
    Layout layout;
    layout.version = quint8(d[0]);
    if (layout.version != 0x04 && layout.version != 0x8C)
        damaged(path, QStringLiteral("to nie jest tabela dBase poziomu 7 (bajt wersji 0x%1)")
                          .arg(layout.version, 2, 16, QLatin1Char('0')));
    layout.count = readU32(d + 4);
    layout.headerLength = readU16(d + 8);
    layout.recordLength = readU16(d + 10);
    if (layout.headerLength < kFileHeaderSize + kDescriptorSize + 1 || layout.headerLength > file.size())
        damaged(path, QStringLiteral("długość nagłówka %1 jest błędna").arg(layout.headerLength));

    int offset = kFileHeaderSize;
    int sum = 0;
    while (true) {
        if (offset >= layout.headerLength)
            damaged(path, QStringLiteral("opisy pól nie mają znacznika końca"));
        if (d[offset] == kDescriptorEnd)
            break;
        if (offset + kDescriptorSize > layout.headerLength)
            damaged(path, QStringLiteral("opis pola jest urwany"));
        const char* p = d + offset;
        const QByteArray name(p, qstrnlen(p, 32));
        for (char c : name)
            if (quint8(c) < 33 || quint8(c) > 126)
                damaged(path, QStringLiteral("nazwa pola zawiera niedozwolone znaki"));
        const char type = p[32];
        const int width = quint8(p[33]);
        if (name.isEmpty() || !isKnownType(type) || !isFixedWidthOk(FieldType(type), width))
            damaged(path, QStringLiteral("opis pola nr %1 jest błędny").arg(layout.fields.size() + 1));
        Field f;
        f.def.name = QString::fromLatin1(name);
        f.def.type = FieldType(type);
        f.def.width = width;
        f.def.decimals = quint8(p[34]);
        f.offset = 1 + sum;
        sum += width;
        layout.fields.push_back(f);
        offset += kDescriptorSize;
    }
    if (layout.fields.empty())
        damaged(path, QStringLiteral("nie opisuje żadnego pola"));
    if (1 + sum != layout.recordLength)
        damaged(path, QStringLiteral("długość rekordu %1 nie zgadza się z polami").arg(layout.recordLength));
    return layout;
}

quint32 CheckRecordArea(QByteArrayView file, const Layout& layout, const QString& path)
{
    const char* d = file.data();
    const qint64 size = file.size();
    const qint64 needed = qint64(layout.headerLength) + qint64(layout.count) * layout.recordLength;
    if (needed > size)
        damaged(path, QStringLiteral("plik jest obcięty (nagłówek podaje rekordów: %1, plik zawiera: %2)")
                          .arg(layout.count)
                          .arg((size - layout.headerLength) / layout.recordLength));
    // What follows the last counted record may only be the end-of-file
    // mark. More records than the header counts, or anything else there,
    // means the count or the file is wrong; taking the file as it reads
    // would let the next pack throw those bytes away for good.
    qint64 extra = size - needed;
    if (isTornAppend(d, layout, needed, extra))
        extra = 0; // the append never finished: the file ends where the header says
    if (extra >= layout.recordLength)
        damaged(path, QStringLiteral("nagłówek podaje rekordów: %1, a plik zawiera: %2")
                          .arg(layout.count)
                          .arg(qint64(layout.count) + extra / layout.recordLength));
    for (qint64 i = needed; i < needed + extra; ++i)
        if (d[i] != kEndOfFile)
            damaged(path, QStringLiteral("za ostatnim rekordem są zbędne bajty (%1)").arg(extra));
    return layout.count;
}

bool IsLiveFlag(char flag, qint64 index, const QString& path)
{
    if (flag == kLive)
        return true;
    if (flag != kDeleted)
        damaged(path, QStringLiteral("rekord %1 ma błędny znacznik usunięcia").arg(index + 1));
    return false;
}

quint32 CheckRecords(QByteArrayView file, const Layout& layout, const QString& path, std::vector<int>* live)
{
    const quint32 count = CheckRecordArea(file, layout, path);
    const char* records = file.data() + layout.headerLength;
    if (live) {
        live->clear();
        live->reserve(count);
    }
    for (quint32 i = 0; i < count; ++i)
        if (IsLiveFlag(records[qsizetype(i) * layout.recordLength], i, path) && live)
            live->push_back(int(i));
    return count;
}

QByteArray BuildHeader(const FieldDefs& fields, const QString& path)
{
    if (fields.isEmpty())
        throw DbfError::cannotCreate(path, QStringLiteral("nie podano pól"));
    int recordLength = 1;
    QByteArray descriptors;
    for (const FieldDef& f : fields) {
        const QByteArray name = f.name.toUpper().toLatin1();
        if (name.isEmpty() || name.size() > 31)
            throw DbfError(QStringLiteral("Błędna nazwa pola \"%1\"").arg(f.name));
        const char type = char(f.type);
        if (!isKnownType(type) || !isFixedWidthOk(f.type, f.width) || f.width > 255)
            throw DbfError(QStringLiteral("Błędna szerokość %1 pola %2").arg(f.width).arg(f.name));
        QByteArray d(kDescriptorSize, '\0');
        std::memcpy(d.data(), name.constData(), size_t(name.size()));
        d[32] = type;
        d[33] = char(f.width);
        d[34] = char(f.decimals);
        if (f.type == FieldType::AutoIncrement)
            writeU32(d.data() + kAutoIncrementOffset, 1);
        descriptors += d;
        recordLength += f.width;
    }
    const int headerLength = kFileHeaderSize + int(descriptors.size()) + 1;
    if (recordLength > 0xFFFF)
        throw DbfError::cannotCreate(path, QStringLiteral("rekord jest za długi"));

    QByteArray header(kFileHeaderSize, '\0');
    header[0] = 0x04; // level 7, no memo file
    StampDate(header.data());
    writeU32(header.data() + 4, 0);
    writeU16(header.data() + 8, quint16(headerLength));
    writeU16(header.data() + 10, quint16(recordLength));
    std::memcpy(header.data() + 32, "DBWINWE0", 8);
    return header + descriptors + kDescriptorEnd;
}

void StampDate(char* header)
{
    const QDate today = Clock::now().date();
    header[1] = char(std::clamp(today.year() - 1900, 0, 255));
    header[2] = char(today.month());
    header[3] = char(today.day());
}

void SetRecordCount(char* header, quint32 count)
{
    writeU32(header + 4, count);
}

quint32 NextAutoIncrement(const char* header, int field)
{
    return readU32(header + kFileHeaderSize + field * kDescriptorSize + kAutoIncrementOffset);
}

void SetNextAutoIncrement(char* header, int field, quint32 value)
{
    writeU32(header + kFileHeaderSize + field * kDescriptorSize + kAutoIncrementOffset, value);
}

} // namespace dbf::format
