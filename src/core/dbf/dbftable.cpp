#include "dbf/dbftable.h"

#include "dbf/collation.h"
#include "dbf/dbferror.h"
#include "dbf/filelock.h"
#include "dbf/replacefile.h"
#include "dbf/systemreason.h"
#include "platform/clock.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace dbf {
namespace {

constexpr int kFileHeaderSize = 68;
constexpr int kDescriptorSize = 48;
constexpr char kDescriptorEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLive = ' ';
constexpr char kDeleted = '*';
constexpr int kAutoIncrementOffset = 42; // in a descriptor: next value, little-endian

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

bool allZero(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

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

void stampDate(char* header)
{
    const QDate today = Clock::now().date();
    header[1] = char(std::clamp(today.year() - 1900, 0, 255));
    header[2] = char(today.month());
    header[3] = char(today.day());
}

QString dateText(const char* p)
{
    const QByteArray digits(p, 8);
    const QDate d = QDate::fromString(QString::fromLatin1(digits), QStringLiteral("yyyyMMdd"));
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// An append writes the record (and the end mark) before the header that
// counts it. A kill in between leaves one whole record beyond the count whose
// autoincrement value is the one the header still offers as next: that is
// our own unfinished append, not a miscounted table (there, every counted
// record took its value and raised the header's). Such a tail is ignored
// and overwritten by the next append.
template <typename FieldList>
bool isTornAppend(const char* d, const FieldList& fields, qint64 needed, qint64 extra, int recordLength,
                  int headerLength)
{
    if (extra != recordLength && !(extra == recordLength + 1 && d[needed + recordLength] == kEndOfFile))
        return false;
    const char flag = d[needed];
    if (flag != kLive && flag != kDeleted)
        return false;
    bool checked = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].def.type != FieldType::AutoIncrement)
            continue;
        const qint64 descriptor = kFileHeaderSize + qint64(i) * kDescriptorSize;
        if (descriptor + kDescriptorSize > headerLength)
            return false;
        const quint32 next = readU32(d + descriptor + kAutoIncrementOffset);
        if (quint32(decodeInteger(d + needed + fields[i].offset)) != next)
            return false;
        checked = true;
    }
    return checked;
}

} // namespace

DbfTable::DbfTable(QObject* parent) : QObject(parent) {}

DbfTable::~DbfTable()
{
    try {
        close();
    } catch (...) {
        // A destructor has no one to tell; the data were posted already.
    }
}

void DbfTable::create(const QString& path, const FieldDefs& fields)
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
    stampDate(header.data());
    writeU32(header.data() + 4, 0);
    writeU16(header.data() + 8, quint16(headerLength));
    writeU16(header.data() + 10, quint16(recordLength));
    std::memcpy(header.data() + 32, "DBWINWE0", 8);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw DbfError::cannotCreate(path, SystemReason(errno));
    const QByteArray content = header + descriptors + kDescriptorEnd + kEndOfFile;
    if (file.write(content) != content.size() || !file.flush()) {
        const int reason = errno;
        file.close();
        QFile::remove(path);
        throw DbfError::cannotCreate(path, SystemReason(reason));
    }
#ifdef Q_OS_UNIX
    ::fsync(file.handle());
#endif
}

void DbfTable::setFileName(const QString& path)
{
    if (isOpen())
        throw DbfError(QStringLiteral("Tej operacji nie można wykonać na otwartej tabeli"));
    m_path = path;
}

void DbfTable::setExclusive(bool exclusive)
{
    if (isOpen())
        throw DbfError(QStringLiteral("Tej operacji nie można wykonać na otwartej tabeli"));
    m_exclusive = exclusive;
}

void DbfTable::setReadOnly(bool readOnly)
{
    if (isOpen())
        throw DbfError(QStringLiteral("Tej operacji nie można wykonać na otwartej tabeli"));
    m_readOnly = readOnly;
}

void DbfTable::fail(const QString& what) const
{
    throw DbfError::damaged(m_path, what);
}

void DbfTable::open()
{
    if (isOpen())
        return;
    if (m_path.isEmpty())
        throw DbfError(QStringLiteral("Nie podano nazwy pliku bazy"));
    if (!QFileInfo::exists(m_path))
        throw DbfError::missing(m_path);
    const auto mode = (m_readOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite) | QIODevice::Unbuffered;
    // A file renamed over the path between our open and our lock (another
    // program's pack or import) is met on the next round; the old one must
    // not be read or written.
    for (int attempt = 0;; ++attempt) {
        auto file = std::make_unique<QFile>(m_path);
        if (!file->open(mode))
            throw DbfError::cannotOpen(m_path, errno);
        m_file = std::move(file);
        try {
            lockFile();
        } catch (...) {
            m_file.reset();
            throw;
        }
        if (SameFile(int(m_file->handle()), QFile::encodeName(m_path).constData()) || attempt >= 4)
            break;
        m_file.reset();
    }
    // Holding the file, we know that no replacement of it is under way:
    // what a killed one left beside it goes.
    if (!m_readOnly)
        FileReplacement::removeLeftovers(m_path);
    try {
        readFile();
    } catch (...) {
        m_file.reset();
        m_records.clear();
        m_fields.clear();
        throw;
    }
    m_state = State::Browse;
    m_modified = false;
    m_orderExpression.clear();
    m_orderField = -1;
    rebuildOrder(-1);
    m_bof = true;
    m_eof = m_order.empty();
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

void DbfTable::lockFile()
{
    lockFileOrThrow(*m_file, m_exclusive);
}

void DbfTable::lockFileOrThrow(QFile& file, bool exclusive)
{
    if (!LockWholeFile(file.handle(), exclusive, !m_readOnly)) {
        throw DbfError::inUse(m_path);
    }
}

void DbfTable::readFile()
{
    const QByteArray all = m_file->readAll();
    if (all.size() < kFileHeaderSize)
        fail(QStringLiteral("to nie jest tabela dBase (plik ma tylko %1 B)").arg(all.size()));
    const char* d = all.constData();
    const quint8 version = quint8(d[0]);
    if (version != 0x04 && version != 0x8C)
        fail(QStringLiteral("to nie jest tabela dBase poziomu 7 (bajt wersji 0x%1)")
                 .arg(version, 2, 16, QLatin1Char('0')));
    const quint32 count = readU32(d + 4);
    const int headerLength = readU16(d + 8);
    const int recordLength = readU16(d + 10);
    if (headerLength < kFileHeaderSize + kDescriptorSize + 1 || headerLength > all.size())
        fail(QStringLiteral("długość nagłówka %1 jest błędna").arg(headerLength));

    std::vector<Field> fields;
    int offset = kFileHeaderSize;
    int sum = 0;
    while (true) {
        if (offset >= headerLength)
            fail(QStringLiteral("opisy pól nie mają znacznika końca"));
        if (d[offset] == kDescriptorEnd)
            break;
        if (offset + kDescriptorSize > headerLength)
            fail(QStringLiteral("opis pola jest urwany"));
        const char* p = d + offset;
        const QByteArray name(p, qstrnlen(p, 32));
        for (char c : name)
            if (quint8(c) < 33 || quint8(c) > 126)
                fail(QStringLiteral("nazwa pola zawiera niedozwolone znaki"));
        const char type = p[32];
        const int width = quint8(p[33]);
        if (name.isEmpty() || !isKnownType(type) || !isFixedWidthOk(FieldType(type), width))
            fail(QStringLiteral("opis pola nr %1 jest błędny").arg(fields.size() + 1));
        Field f;
        f.def.name = QString::fromLatin1(name);
        f.def.type = FieldType(type);
        f.def.width = width;
        f.def.decimals = quint8(p[34]);
        f.offset = 1 + sum;
        sum += width;
        fields.push_back(f);
        offset += kDescriptorSize;
    }
    if (fields.empty())
        fail(QStringLiteral("nie opisuje żadnego pola"));
    if (1 + sum != recordLength)
        fail(QStringLiteral("długość rekordu %1 nie zgadza się z polami").arg(recordLength));
    const qint64 needed = qint64(headerLength) + qint64(count) * recordLength;
    if (needed > all.size())
        fail(QStringLiteral("plik jest obcięty (nagłówek podaje rekordów: %1, plik zawiera: %2)")
                 .arg(count)
                 .arg((all.size() - headerLength) / recordLength));

    // What follows the last counted record may only be the end-of-file mark.
    // More records than the header counts, or anything else there, means the
    // count or the file is wrong; taking the file as it reads would let the
    // next pack throw those bytes away for good.
    qint64 extra = all.size() - needed;
    if (isTornAppend(d, fields, needed, extra, recordLength, headerLength))
        extra = 0; // the append never finished: the file ends where the header says
    if (extra >= recordLength)
        fail(QStringLiteral("nagłówek podaje rekordów: %1, a plik zawiera: %2")
                 .arg(count)
                 .arg(qint64(count) + extra / recordLength));
    for (qint64 i = needed; i < needed + extra; ++i)
        if (d[i] != kEndOfFile)
            fail(QStringLiteral("za ostatnim rekordem są zbędne bajty (%1)").arg(extra));

    QByteArray records = all.mid(headerLength, qsizetype(count) * recordLength);
    for (quint32 i = 0; i < count; ++i) {
        const char flag = records[qsizetype(i) * recordLength];
        if (flag != kLive && flag != kDeleted)
            fail(QStringLiteral("rekord %1 ma błędny znacznik usunięcia").arg(i + 1));
    }

    m_header = all.left(headerLength);
    m_headerLength = headerLength;
    m_recordLength = recordLength;
    m_fields = std::move(fields);
    m_records = std::move(records);
    m_physicalCount = int(count);
}

void DbfTable::close()
{
    if (!isOpen())
        return;
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    if (m_batch)
        rollbackBatch();
    std::exception_ptr failure;
    try {
        if (m_modified && !m_readOnly) {
            touchHeaderDate();
            sync();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    m_file.reset(); // closing the descriptor releases the lock
    m_state = State::Inactive;
    m_records.clear();
    m_header.clear();
    m_fields.clear();
    m_order.clear();
    m_rowOf.clear();
    m_physicalCount = 0;
    m_row = -1;
    m_bof = m_eof = true;
    m_orderExpression.clear();
    m_orderField = -1;
    Q_EMIT layoutReset();
    if (failure)
        std::rethrow_exception(failure);
}

void DbfTable::sync()
{
    if (!m_file)
        return;
#ifdef Q_OS_UNIX
    ::fdatasync(m_file->handle());
#endif
}

// --- guards ---

void DbfTable::requireOpen() const
{
    if (!isOpen())
        throw DbfError(QStringLiteral("Tej operacji nie można wykonać na zamkniętej tabeli"));
}

void DbfTable::requireBrowse(const char* operation) const
{
    requireOpen();
    if (m_state != State::Browse)
        throw DbfError(QStringLiteral("Nie można %1 w trakcie edycji rekordu").arg(QString::fromUtf8(operation)));
}

void DbfTable::requireEditing() const
{
    requireOpen();
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbfError(QStringLiteral("Tabela nie jest w trybie edycji ani dopisywania rekordu"));
}

void DbfTable::requireWritable() const
{
    if (m_readOnly)
        throw DbfError(QStringLiteral("Tabela jest otwarta tylko do odczytu"));
}

void DbfTable::checkBrowseMode()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

// --- navigation ---

bool DbfTable::isEmpty() const
{
    return m_order.empty();
}

int DbfTable::recordCount() const
{
    return int(m_order.size());
}

int DbfTable::physicalRecordCount() const
{
    return m_physicalCount;
}

int DbfTable::recNo() const
{
    return m_row >= 0 ? m_order[size_t(m_row)] + 1 : 0;
}

int DbfTable::physicalAt(int row) const
{
    return (row >= 0 && row < int(m_order.size())) ? m_order[size_t(row)] + 1 : 0;
}

int DbfTable::rowOfRecNo(int physical) const
{
    if (physical < 1 || physical > m_physicalCount)
        return -1;
    return m_rowOf[size_t(physical - 1)];
}

void DbfTable::setCursor(int row)
{
    if (row == m_row)
        return;
    m_row = row;
    Q_EMIT currentRowChanged(row);
}

void DbfTable::first()
{
    checkBrowseMode();
    setCursor(m_order.empty() ? -1 : 0);
    m_bof = true;
    m_eof = m_order.empty();
}

void DbfTable::last()
{
    checkBrowseMode();
    setCursor(int(m_order.size()) - 1);
    m_eof = true;
    m_bof = m_order.empty();
}

void DbfTable::next()
{
    checkBrowseMode();
    if (m_order.empty() || m_row >= int(m_order.size()) - 1) {
        m_eof = true;
        m_bof = m_order.empty();
        return;
    }
    setCursor(m_row + 1);
    m_bof = m_eof = false;
}

void DbfTable::prior()
{
    checkBrowseMode();
    if (m_order.empty() || m_row <= 0) {
        m_bof = true;
        m_eof = m_order.empty();
        return;
    }
    setCursor(m_row - 1);
    m_bof = m_eof = false;
}

void DbfTable::setRow(int row)
{
    checkBrowseMode();
    if (row < 0 || row >= int(m_order.size()))
        return;
    setCursor(row);
    m_bof = m_eof = false;
}

void DbfTable::setRecNo(int physical)
{
    checkBrowseMode();
    if (physical < 1 || physical > m_physicalCount)
        return;
    int index = physical - 1;
    // A deleted record cannot be current: take the next live one, else the
    // previous one.
    int target = -1;
    for (int i = index; i < m_physicalCount && target < 0; ++i)
        target = m_rowOf[size_t(i)];
    for (int i = index - 1; i >= 0 && target < 0; --i)
        target = m_rowOf[size_t(i)];
    if (target < 0)
        return;
    setCursor(target);
    m_bof = m_eof = false;
}

// --- fields ---

const FieldDef& DbfTable::fieldDef(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        throw DbfError(QStringLiteral("Numer pola poza zakresem"));
    return m_fields[size_t(index)].def;
}

int DbfTable::fieldIndex(QStringView name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].def.name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int DbfTable::fieldIndexOrThrow(QStringView name) const
{
    requireOpen();
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbfError(QStringLiteral("Brak pola %1 w tabeli").arg(name));
    return i;
}

const char* DbfTable::recordPtr(int physicalIndex) const
{
    return m_records.constData() + qsizetype(physicalIndex) * m_recordLength;
}

const char* DbfTable::currentPtr() const
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer.constData();
    if (m_row < 0)
        throw DbfError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    return recordPtr(m_order[size_t(m_row)]);
}

const char* DbfTable::fieldPtrAt(int row, int field) const
{
    requireOpen();
    if (row < 0 || row >= int(m_order.size()))
        throw DbfError(QStringLiteral("Wiersz %1 poza zakresem").arg(row));
    return recordPtr(m_order[size_t(row)]) + m_fields[size_t(field)].offset;
}

QString DbfTable::fieldText(const Field& f, const char* p)
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

qint32 DbfTable::fieldInteger(const Field& f, const char* p)
{
    switch (f.def.type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return decodeInteger(p);
    case FieldType::Date:
        return qint32(fieldDate(f, p));
    default:
        return fieldText(f, p).trimmed().toInt();
    }
}

double DbfTable::fieldDate(const Field& f, const char* p)
{
    if (f.def.type != FieldType::Date)
        throw DbfError(QStringLiteral("Pole %1 nie jest polem daty").arg(f.def.name));
    const QDate d = QDate::fromString(QString::fromLatin1(QByteArrayView(p, 8)), QStringLiteral("yyyyMMdd"));
    return d.isValid() ? datevalue::fromDate(d) : datevalue::kZeroDate;
}

bool DbfTable::fieldIsNull(const Field& f, const char* p)
{
    switch (f.def.type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return allZero(p, 4);
    default:
        for (int i = 0; i < f.def.width; ++i)
            if (p[i] != ' ' && p[i] != '\0')
                return false;
        return true;
    }
}

QString DbfTable::text(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return fieldText(f, currentPtr() + f.offset);
}

qint32 DbfTable::integer(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return fieldInteger(f, currentPtr() + f.offset);
}

double DbfTable::date(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return fieldDate(f, currentPtr() + f.offset);
}

bool DbfTable::isNull(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return fieldIsNull(f, currentPtr() + f.offset);
}

QString DbfTable::textAt(int row, int field) const
{
    return fieldText(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

qint32 DbfTable::integerAt(int row, int field) const
{
    return fieldInteger(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

double DbfTable::dateAt(int row, int field) const
{
    return fieldDate(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

bool DbfTable::isNullAt(int row, int field) const
{
    return fieldIsNull(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

QByteArrayView DbfTable::rawAt(int row, int field) const
{
    return QByteArrayView(fieldPtrAt(row, field), m_fields.at(size_t(field)).def.width);
}

char* DbfTable::bufferField(int field)
{
    requireEditing();
    if (field < 0 || field >= int(m_fields.size()))
        throw DbfError(QStringLiteral("Numer pola poza zakresem"));
    return m_buffer.data() + m_fields[size_t(field)].offset;
}

void DbfTable::setText(int field, const QString& value)
{
    char* p = bufferField(field);
    const Field& f = m_fields[size_t(field)];
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
        setDate(field, datevalue::fromDate(d));
        return;
    }
    default: {
        const QByteArray bytes = cp1250::fromUnicode(value).left(f.def.width);
        std::memset(p, ' ', size_t(f.def.width));
        std::memcpy(p, bytes.constData(), size_t(bytes.size()));
    }
    }
}

void DbfTable::setInteger(int field, qint32 value)
{
    char* p = bufferField(field);
    const Field& f = m_fields[size_t(field)];
    if (f.def.type == FieldType::Integer || f.def.type == FieldType::AutoIncrement)
        encodeInteger(p, value);
    else if (f.def.type == FieldType::Date)
        setDate(field, value);
    else
        setText(field, QString::number(value));
}

void DbfTable::setDate(int field, double value)
{
    char* p = bufferField(field);
    const Field& f = m_fields[size_t(field)];
    if (f.def.type != FieldType::Date)
        throw DbfError(QStringLiteral("Pole %1 nie jest polem daty").arg(f.def.name));
    // The zero date is the empty date: the field is left blank.
    const QDate d = datevalue::toDate(value);
    if (datevalue::dayOf(value) == datevalue::kZeroDate || !d.isValid() || d.year() < 1 || d.year() > 9999) {
        std::memset(p, ' ', 8);
        return;
    }
    const QByteArray digits = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    std::memcpy(p, digits.constData(), 8);
}

void DbfTable::setNull(int field)
{
    char* p = bufferField(field);
    const Field& f = m_fields[size_t(field)];
    if (f.def.type == FieldType::Integer || f.def.type == FieldType::AutoIncrement)
        std::memset(p, 0, 4);
    else
        std::memset(p, ' ', size_t(f.def.width));
}

quint32 DbfTable::nextAutoIncrement(int field) const
{
    requireOpen();
    return readU32(m_header.constData() + kFileHeaderSize + field * kDescriptorSize + kAutoIncrementOffset);
}

// --- editing ---

void DbfTable::edit()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    requireWritable();
    if (m_order.empty()) {
        append(); // editing an empty table adds a record
        return;
    }
    requireNoBatch();
    m_buffer = QByteArray(recordPtr(m_order[size_t(m_row)]), m_recordLength);
    m_state = State::Edit;
}

void DbfTable::append()
{
    checkBrowseMode();
    requireWritable();
    QByteArray blank(m_recordLength, ' ');
    for (const Field& f : m_fields)
        if (f.def.type == FieldType::Integer || f.def.type == FieldType::AutoIncrement)
            std::memset(blank.data() + f.offset, 0, 4);
    m_buffer = blank;
    m_state = State::Insert;
}

void DbfTable::cancel()
{
    requireOpen();
    m_buffer.clear();
    m_state = State::Browse;
}

void DbfTable::writeAt(qint64 offset, const char* data, qint64 size)
{
    if (!m_file->seek(offset) || m_file->write(data, size) != size)
        throw DbfError::cannotWrite(m_path, errno);
}

void DbfTable::touchHeaderDate()
{
    stampDate(m_header.data());
    writeAt(1, m_header.constData() + 1, 3);
}

void DbfTable::writeHeaderCounts()
{
    stampDate(m_header.data());
    writeU32(m_header.data() + 4, quint32(m_physicalCount));
    writeAt(0, m_header.constData(), m_headerLength);
}

void DbfTable::post()
{
    requireOpen();
    if (m_state == State::Edit) {
        const int physical = m_order[size_t(m_row)];
        const QByteArray oldKey = m_orderField >= 0 ? sortKey(physical) : QByteArray();
        writeAt(m_headerLength + qint64(physical) * m_recordLength, m_buffer.constData(), m_recordLength);
        std::memcpy(m_records.data() + qsizetype(physical) * m_recordLength, m_buffer.constData(),
                    size_t(m_recordLength));
        m_buffer.clear();
        m_state = State::Browse;
        m_modified = true;
        if (m_orderField >= 0 && sortKey(physical) != oldKey) {
            rebuildOrder(physical);
            Q_EMIT layoutReset();
            Q_EMIT currentRowChanged(m_row);
        } else {
            Q_EMIT rowChanged(m_row);
        }
        return;
    }
    if (m_state != State::Insert)
        return;

    // New record: autoincrement values come from the descriptors, which are
    // raised and written back with the record count.
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].def.type != FieldType::AutoIncrement)
            continue;
        char* desc = m_header.data() + kFileHeaderSize + int(i) * kDescriptorSize + kAutoIncrementOffset;
        const quint32 value = readU32(desc);
        encodeInteger(m_buffer.data() + m_fields[i].offset, qint32(value));
        writeU32(desc, value + 1);
    }
    const int physical = m_physicalCount;
    if (!m_batch) {
        // Record and end mark first, header last: a crash in between leaves
        // a longer file whose header still describes it correctly.
        QByteArray tail = m_buffer;
        tail.append(kEndOfFile);
        writeAt(m_headerLength + qint64(physical) * m_recordLength, tail.constData(), tail.size());
    }
    m_records.append(m_buffer);
    ++m_physicalCount;
    m_rowOf.push_back(-1);
    if (!m_batch)
        writeHeaderCounts();
    m_buffer.clear();
    m_state = State::Browse;
    m_modified = true;
    if (m_orderField < 0) {
        // Physical order: the new record is the last row; no rebuild, so
        // that a long run of appends stays linear.
        m_order.push_back(physical);
        m_rowOf[size_t(physical)] = int(m_order.size()) - 1;
        m_row = int(m_order.size()) - 1;
    } else {
        rebuildOrder(physical);
    }
    m_bof = m_eof = false;
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

void DbfTable::deleteRecord()
{
    requireOpen();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    if (m_order.empty())
        throw DbfError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    requireWritable();
    requireNoBatch();
    const int physical = m_order[size_t(m_row)];
    const char flag = kDeleted;
    writeAt(m_headerLength + qint64(physical) * m_recordLength, &flag, 1);
    m_records[qsizetype(physical) * m_recordLength] = kDeleted;
    m_modified = true;
    const int row = m_row;
    m_order.erase(m_order.begin() + row);
    m_rowOf[size_t(physical)] = -1;
    for (size_t r = size_t(row); r < m_order.size(); ++r)
        m_rowOf[size_t(m_order[r])] = int(r);
    m_row = m_order.empty() ? -1 : std::min(row, int(m_order.size()) - 1);
    m_bof = m_eof = m_order.empty();
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

void DbfTable::pack()
{
    requireBrowse("spakować tabeli");
    requireWritable();
    requireNoBatch();
    if (!m_exclusive)
        throw DbfError(QStringLiteral("Tabelę %1 można spakować tylko otwartą na wyłączność").arg(m_path));

    QByteArray live;
    live.reserve(qsizetype(m_order.size()) * m_recordLength);
    int count = 0;
    for (int i = 0; i < m_physicalCount; ++i) {
        const char* r = recordPtr(i);
        if (r[0] == kDeleted)
            continue;
        live.append(r, m_recordLength);
        ++count;
    }
    QByteArray header = m_header;
    stampDate(header.data());
    writeU32(header.data() + 4, quint32(count));

    // The packed table is written beside the old one and takes its place in
    // one rename: a crash leaves the old table or the new one, never a mix.
    // It is locked before it gets the name, so nobody slips in between.
    FileReplacement out(m_path);
    lockFileOrThrow(out.file(), true);
    out.write(header);
    out.write(live);
    out.write(&kEndOfFile, 1);
    out.commit();
    adoptReplacement(out.takeFile());
    m_header = header;
    m_records = live;
    m_physicalCount = count;
    m_rowOf.assign(size_t(count), -1);
    m_modified = false;
    rebuildOrder(-1);
    m_bof = true;
    m_eof = m_order.empty();
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

void DbfTable::requireNoBatch() const
{
    if (m_batch)
        throw DbfError(QStringLiteral("W trakcie zapisu wielu rekordów naraz można je tylko dopisywać"));
}

void DbfTable::adoptReplacement(std::unique_ptr<QFile> file)
{
    // The new file is ours already (locked exclusively before the rename);
    // a shared table lets other readers in again.
    m_file = std::move(file);
    if (!m_exclusive)
        LockWholeFile(m_file->handle(), false, !m_readOnly);
}

void DbfTable::beginBatch()
{
    requireBrowse("zapisać wielu rekordów naraz");
    requireWritable();
    requireNoBatch();
    if (!m_exclusive) {
        // The file is about to be replaced: nobody may hold it meanwhile.
        if (!LockWholeFile(m_file->handle(), true, true)) {
            LockWholeFile(m_file->handle(), false, true); // back to what we held
            lockFileOrThrow(*m_file, true);
        }
    }
    m_batchHeader = m_header;
    m_batchCount = m_physicalCount;
    m_batch = true;
}

void DbfTable::commitBatch()
{
    requireOpen();
    if (!m_batch)
        return;
    if (m_state == State::Insert || m_state == State::Edit)
        post();
    QByteArray header = m_header;
    stampDate(header.data());
    writeU32(header.data() + 4, quint32(m_physicalCount));
    {
        FileReplacement out(m_path);
        lockFileOrThrow(out.file(), true);
        out.write(header);
        out.write(m_records.constData(), qint64(m_physicalCount) * m_recordLength);
        out.write(&kEndOfFile, 1);
        out.commit();
        adoptReplacement(out.takeFile());
    }
    m_header = header;
    m_batch = false;
    m_batchHeader.clear();
    m_modified = false;
}

void DbfTable::rollbackBatch()
{
    if (!m_batch)
        return;
    if (m_state == State::Insert || m_state == State::Edit)
        cancel();
    m_header = m_batchHeader;
    m_physicalCount = m_batchCount;
    m_records.truncate(qsizetype(m_batchCount) * m_recordLength);
    m_batch = false;
    m_batchHeader.clear();
    if (!m_exclusive)
        LockWholeFile(m_file->handle(), false, !m_readOnly);
    const int keep = m_row >= 0 && m_row < int(m_order.size()) ? m_order[size_t(m_row)] : -1;
    rebuildOrder(keep < m_physicalCount ? keep : -1);
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

// --- order ---

QByteArray DbfTable::sortKey(int physicalIndex) const
{
    const Field& f = m_fields[size_t(m_orderField)];
    const char* p = recordPtr(physicalIndex) + f.offset;
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

void DbfTable::rebuildOrder(int keepPhysical)
{
    m_order.clear();
    m_order.reserve(size_t(m_physicalCount));
    for (int i = 0; i < m_physicalCount; ++i)
        if (recordPtr(i)[0] != kDeleted)
            m_order.push_back(i);
    if (m_orderField >= 0) {
        std::vector<QByteArray> keys(static_cast<size_t>(m_physicalCount));
        for (int i : m_order)
            keys[size_t(i)] = sortKey(i);
        const bool descending = m_orderDescending;
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            const int c = descending ? keys[size_t(b)].compare(keys[size_t(a)])
                                     : keys[size_t(a)].compare(keys[size_t(b)]);
            return c < 0;
        });
    }
    m_rowOf.assign(size_t(m_physicalCount), -1);
    for (size_t r = 0; r < m_order.size(); ++r)
        m_rowOf[size_t(m_order[r])] = int(r);
    if (keepPhysical >= 0 && keepPhysical < m_physicalCount && m_rowOf[size_t(keepPhysical)] >= 0)
        m_row = m_rowOf[size_t(keepPhysical)];
    else
        m_row = m_order.empty() ? -1 : 0;
}

void DbfTable::setOrder(const QString& keyExpression, bool descending)
{
    checkBrowseMode();
    const QString e = keyExpression.trimmed().toUpper();
    int field = -1;
    bool dtos = false;
    if (e.startsWith(QLatin1String("DTOS(")) && e.endsWith(QLatin1Char(')'))) {
        field = fieldIndex(e.mid(5, e.size() - 6).trimmed());
        dtos = true;
        if (field >= 0 && m_fields[size_t(field)].def.type != FieldType::Date)
            throw DbfError(QStringLiteral("Błędne wyrażenie sortowania \"%1\": DTOS wymaga pola daty").arg(keyExpression));
    } else {
        field = fieldIndex(e);
    }
    if (field < 0)
        throw DbfError(QStringLiteral("Błędne wyrażenie sortowania \"%1\": brak takiego pola").arg(keyExpression));
    const int keep = m_row >= 0 ? m_order[size_t(m_row)] : -1;
    m_orderExpression = e;
    m_orderDescending = descending;
    m_orderField = field;
    m_orderByDtos = dtos;
    rebuildOrder(keep);
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

void DbfTable::clearOrder()
{
    if (!isOpen()) {
        m_orderExpression.clear();
        m_orderField = -1;
        return;
    }
    checkBrowseMode();
    if (m_orderField < 0)
        return;
    const int keep = m_row >= 0 ? m_order[size_t(m_row)] : -1;
    m_orderExpression.clear();
    m_orderField = -1;
    m_orderByDtos = false;
    rebuildOrder(keep);
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

} // namespace dbf
