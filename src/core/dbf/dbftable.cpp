#include "dbf/dbftable.h"

#include "dbf/dbferror.h"
#include "dbf/dbfformat.h"
#include "dbf/fieldcodec.h"
#include "dbf/filelock.h"
#include "dbf/replacefile.h"
#include "platform/systemerror.h"
#include "platform/clock.h"
#include "text/cp1250.h"
#include "text/datevalue.h"

#include <QMetaMethod>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace dbf {

using namespace format;

namespace {

// The system's error behind a failed QFile call: its text says it even
// when later calls (Qt's own stat of the path) have changed errno.
int errorNumberOf(const QFileDevice& file)
{
    const int number = SystemError::ErrorNumberOf(file.errorString());
    return number != 0 ? number : errno;
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
    const QByteArray header = BuildHeader(fields, path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw DbfError::cannotCreate(path, SystemError::FileReason(file));
    const QByteArray content = header + kEndOfFile;
    if (file.write(content) != content.size() || !file.flush()) {
        const QString reason = SystemError::FileReason(file);
        file.close();
        QFile::remove(path);
        throw DbfError::cannotCreate(path, reason);
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
    // ExistingOnly: a missing table is an error (errno ENOENT), never an
    // empty file made in its place.
    const auto mode = (m_readOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite) | QIODevice::Unbuffered |
                      QIODevice::ExistingOnly;
    // A file renamed over the path between our open and our lock (another
    // program's pack or import) is met on the next round; the old one must
    // not be read or written.
    for (int attempt = 0;; ++attempt) {
        auto file = std::make_unique<QFile>(m_path);
        if (!file->open(mode))
            throw DbfError::cannotOpen(m_path, errorNumberOf(*file));
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
    m_orderExpression.clear();
    m_orderField = -1;
    m_orderBuilt = false;
    m_order.clear();
    m_rowOf.clear();
    m_row = -1;
    try {
        readFile();
        m_current = liveFrom(0, 1);
        // Whoever listens will ask for rows at once; a damaged flag is
        // better refused here than in the middle of their handler.
        if (isObserved())
            ensureOrder();
    } catch (...) {
        m_file.reset();
        m_base = nullptr;
        m_baseCount = 0;
        m_physicalCount = 0;
        m_fileCopy.clear();
        m_records.clear();
        m_fields.clear();
        m_order.clear();
        m_rowOf.clear();
        m_orderBuilt = false;
        m_current = -1;
        throw;
    }
    m_state = State::Browse;
    m_modified = false;
    m_bof = true;
    m_eof = m_current < 0;
    Q_EMIT layoutReset();
    emitCurrentRowChanged();
}

bool DbfTable::isObserved() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&DbfTable::layoutReset)) ||
           isSignalConnected(QMetaMethod::fromSignal(&DbfTable::rowChanged)) ||
           isSignalConnected(QMetaMethod::fromSignal(&DbfTable::currentRowChanged));
}

void DbfTable::emitCurrentRowChanged()
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DbfTable::currentRowChanged)))
        return;
    ensureOrder();
    Q_EMIT currentRowChanged(m_row);
}

void DbfTable::emitRowChanged()
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DbfTable::rowChanged)))
        return;
    ensureOrder();
    Q_EMIT rowChanged(m_row);
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
    const QByteArrayView all = mapFile();
    const Layout layout = ParseHeader(all, m_path);
    // The records' flags are read when the order is made (ensureOrder).
    const quint32 count = CheckRecordArea(all, layout, m_path);
    m_header = QByteArray(all.data(), layout.headerLength);
    m_headerLength = layout.headerLength;
    m_recordLength = layout.recordLength;
    m_fields = layout.fields;
    m_base = all.data() + layout.headerLength;
    m_baseCount = int(count);
    m_records.clear();
    m_physicalCount = int(count);
}

QByteArrayView DbfTable::mapFile()
{
    // The records are read where the file lies (a mapping of the page
    // cache), not copied: opening a large register costs next to nothing.
    // Our own writes go to the file and the shared mapping sees them; the
    // locks keep every other writer out while it is mapped.
    m_fileCopy.clear();
    const qint64 size = m_file->size();
    if (size > 0) {
        if (const uchar* mapped = m_file->map(0, size))
            return QByteArrayView(reinterpret_cast<const char*>(mapped), size);
    }
    if (!m_file->seek(0))
        throw DbfError::cannotOpen(m_path, errorNumberOf(*m_file));
    m_fileCopy = m_file->readAll();
    return QByteArrayView(m_fileCopy);
}

void DbfTable::remapRecords()
{
    // After a replacement of the file: its records are the table's.
    const QByteArrayView all = mapFile();
    m_base = all.data() + m_headerLength;
    m_baseCount = m_physicalCount;
    m_records.clear();
}

char* DbfTable::ownedRecord(int physicalIndex)
{
    if (physicalIndex >= m_baseCount)
        return m_records.data() + qsizetype(physicalIndex - m_baseCount) * m_recordLength;
    if (!m_fileCopy.isEmpty())
        return m_fileCopy.data() + m_headerLength + qsizetype(physicalIndex) * m_recordLength;
    return nullptr; // mapped: the write to the file shows there by itself
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
        // Every post is in the file already (a kill loses nothing); like
        // other dBase tools we leave the flush to the disk to the system
        // here: a sync of a large register at every close would make a
        // single mark many times slower. Replacements of the whole file
        // (import, pack) are synced before they take its name.
        if (m_modified && !m_readOnly)
            touchHeaderDate();
    } catch (...) {
        failure = std::current_exception();
    }
    m_file.reset(); // closing the descriptor releases the lock (and the mapping)
    m_state = State::Inactive;
    m_base = nullptr;
    m_baseCount = 0;
    m_fileCopy.clear();
    m_records.clear();
    m_header.clear();
    m_fields.clear();
    m_order.clear();
    m_rowOf.clear();
    m_orderBuilt = false;
    m_current = -1;
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

void DbfTable::requireSoundFlags() const
{
    // A record reached by its number needs no walk over the others, but a
    // table with a damaged flag anywhere is not written at all: what reads
    // it as a whole (the list, the run) already refuses it. The walk is made
    // once per opening, and it is the order the grid needs anyway.
    ensureOrder();
}

void DbfTable::checkBrowseMode()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

// --- navigation ---

namespace {

// Records read between two releases of the mapping: about a megabyte.
int releaseStride(int recordLength)
{
    return qMax(1, (1 << 20) / qMax(1, recordLength));
}

} // namespace

void DbfTable::releaseRecords(int from, int to) const
{
#ifdef Q_OS_UNIX
    to = qMin(to, m_baseCount);
    if (!m_fileCopy.isEmpty() || !m_base || from >= to)
        return; // not a mapping: nothing to give back
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const auto begin = quintptr(m_base + qsizetype(from) * m_recordLength);
    const auto end = quintptr(m_base + qsizetype(to) * m_recordLength);
    // Rounded down at both ends: the page that the range starts in holds
    // records read already, the one it ends in is read again when needed.
    const quintptr first = begin & ~(page - 1);
    const quintptr last = end & ~(page - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void*>(first), size_t(last - first), MADV_DONTNEED);
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
#endif
}

void DbfTable::walkRows(const std::function<void(int row)>& visit) const
{
    ensureOrder();
    const int stride = releaseStride(m_recordLength);
    const bool physical = m_orderField < 0;
    int released = 0;
    for (int row = 0; row < int(m_order.size()); ++row) {
        visit(row);
        const int next = m_order[size_t(row)] + 1;
        if (physical && next - released >= stride) {
            releaseRecords(released, next);
            released = next;
        }
    }
    if (physical)
        releaseRecords(released, m_physicalCount);
}

void DbfTable::ensureOrder() const
{
    if (m_orderBuilt)
        return;
    // Only the physical order is ever left to be made: a sort order is
    // made when it is set. Reading a flag brings its whole page of the
    // file in; what has been read is given back on the way.
    m_order.clear();
    m_order.reserve(size_t(m_physicalCount));
    const int stride = releaseStride(m_recordLength);
    for (int i = 0; i < m_physicalCount; ++i) {
        if (IsLiveFlag(recordPtr(i)[0], i, m_path))
            m_order.push_back(i);
        if ((i + 1) % stride == 0)
            releaseRecords(i + 1 - stride, i + 1);
    }
    releaseRecords(m_physicalCount - m_physicalCount % stride, m_physicalCount);
    m_rowOf.assign(size_t(m_physicalCount), -1);
    for (size_t r = 0; r < m_order.size(); ++r)
        m_rowOf[size_t(m_order[r])] = int(r);
    m_row = m_current >= 0 ? m_rowOf[size_t(m_current)] : -1;
    m_orderBuilt = true;
}

int DbfTable::liveFrom(int index, int step) const
{
    for (int i = index; i >= 0 && i < m_physicalCount; i += step)
        if (recordPtr(i)[0] == kLive)
            return i;
    return -1;
}

bool DbfTable::isEmpty() const
{
    if (!m_orderBuilt)
        return m_current < 0;
    return m_order.empty();
}

int DbfTable::recordCount() const
{
    ensureOrder();
    return int(m_order.size());
}

int DbfTable::physicalRecordCount() const
{
    return m_physicalCount;
}

int DbfTable::recNo() const
{
    return m_current >= 0 ? m_current + 1 : 0;
}

int DbfTable::row() const
{
    if (!isOpen())
        return -1;
    ensureOrder();
    return m_row;
}

int DbfTable::physicalAt(int row) const
{
    ensureOrder();
    return (row >= 0 && row < int(m_order.size())) ? m_order[size_t(row)] + 1 : 0;
}

int DbfTable::rowOfRecNo(int physical) const
{
    if (physical < 1 || physical > m_physicalCount)
        return -1;
    ensureOrder();
    return m_rowOf[size_t(physical - 1)];
}

bool DbfTable::isLiveRecord(int physical) const
{
    if (physical < 1 || physical > m_physicalCount)
        return false;
    return IsLiveFlag(recordPtr(physical - 1)[0], physical - 1, m_path);
}

void DbfTable::setCursor(int row)
{
    if (row == m_row)
        return;
    m_row = row;
    m_current = row >= 0 ? m_order[size_t(row)] : -1;
    Q_EMIT currentRowChanged(row);
}

void DbfTable::first()
{
    checkBrowseMode();
    ensureOrder();
    setCursor(m_order.empty() ? -1 : 0);
    m_bof = true;
    m_eof = m_order.empty();
}

void DbfTable::last()
{
    checkBrowseMode();
    ensureOrder();
    setCursor(int(m_order.size()) - 1);
    m_eof = true;
    m_bof = m_order.empty();
}

void DbfTable::next()
{
    checkBrowseMode();
    ensureOrder();
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
    ensureOrder();
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
    ensureOrder();
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
    const int index = physical - 1;
    if (!m_orderBuilt) {
        // Straight to the record: a deleted one cannot be current, take the
        // next live one, else the previous one.
        int target = liveFrom(index, 1);
        if (target < 0)
            target = liveFrom(index - 1, -1);
        if (target < 0)
            return;
        const bool moved = target != m_current;
        m_current = target;
        m_bof = m_eof = false;
        if (moved)
            emitCurrentRowChanged();
        return;
    }
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
    if (physicalIndex < m_baseCount)
        return m_base + qsizetype(physicalIndex) * m_recordLength;
    return m_records.constData() + qsizetype(physicalIndex - m_baseCount) * m_recordLength;
}

const char* DbfTable::currentPtr() const
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer.constData();
    if (m_current < 0)
        throw DbfError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    return recordPtr(m_current);
}

const char* DbfTable::fieldPtrAt(int row, int field) const
{
    requireOpen();
    ensureOrder();
    if (row < 0 || row >= int(m_order.size()))
        throw DbfError(QStringLiteral("Wiersz %1 poza zakresem").arg(row));
    return recordPtr(m_order[size_t(row)]) + m_fields[size_t(field)].offset;
}

QString DbfTable::text(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return codec::text(f, currentPtr() + f.offset);
}

qint32 DbfTable::integer(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return codec::integer(f, currentPtr() + f.offset);
}

double DbfTable::date(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return codec::date(f, currentPtr() + f.offset);
}

bool DbfTable::isNull(int field) const
{
    const Field& f = m_fields.at(size_t(field));
    return codec::isNull(f, currentPtr() + f.offset);
}

QString DbfTable::textAt(int row, int field) const
{
    return codec::text(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

qint32 DbfTable::integerAt(int row, int field) const
{
    return codec::integer(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

double DbfTable::dateAt(int row, int field) const
{
    return codec::date(m_fields.at(size_t(field)), fieldPtrAt(row, field));
}

bool DbfTable::isNullAt(int row, int field) const
{
    return codec::isNull(m_fields.at(size_t(field)), fieldPtrAt(row, field));
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
    codec::setText(m_fields[size_t(field)], p, value);
}

void DbfTable::setInteger(int field, qint32 value)
{
    char* p = bufferField(field);
    codec::setInteger(m_fields[size_t(field)], p, value);
}

void DbfTable::setDate(int field, double value)
{
    char* p = bufferField(field);
    codec::setDate(m_fields[size_t(field)], p, value);
}

void DbfTable::setNull(int field)
{
    char* p = bufferField(field);
    codec::setNull(m_fields[size_t(field)], p);
}

quint32 DbfTable::nextAutoIncrement(int field) const
{
    requireOpen();
    return NextAutoIncrement(m_header.constData(), field);
}

// --- editing ---

void DbfTable::edit()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    requireWritable();
    requireSoundFlags();
    if (m_current < 0) {
        append(); // editing an empty table adds a record
        return;
    }
    requireNoBatch();
    m_buffer = QByteArray(recordPtr(m_current), m_recordLength);
    m_state = State::Edit;
}

void DbfTable::append()
{
    checkBrowseMode();
    requireWritable();
    requireSoundFlags();
    m_buffer = codec::blankRecord(m_fields, m_recordLength);
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
#ifdef Q_OS_UNIX
    // One call instead of a seek and a write: a single mark is a handful of
    // system calls, and these are two of them.
    while (size > 0) {
        const ssize_t written = ::pwrite(int(m_file->handle()), data, size_t(size), off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw DbfError::cannotWrite(m_path, written < 0 ? errno : ENOSPC);
        data += written;
        offset += written;
        size -= written;
    }
#else
    if (!m_file->seek(offset) || m_file->write(data, size) != size)
        throw DbfError::cannotWrite(m_path, errno);
#endif
}

void DbfTable::touchHeaderDate()
{
    const QByteArray before = m_header.left(4);
    StampDate(m_header.data());
    if (m_header.left(4) != before)
        writeAt(1, m_header.constData() + 1, 3);
}

void DbfTable::removeReplacementLeftovers()
{
    // Called holding the file exclusively: no replacement of it is under
    // way, so what a killed one left beside it can go.
    FileReplacement::removeLeftovers(m_path);
}

void DbfTable::writeHeaderCounts()
{
    StampDate(m_header.data());
    SetRecordCount(m_header.data(), quint32(m_physicalCount));
    writeAt(0, m_header.constData(), m_headerLength);
}

void DbfTable::post()
{
    requireOpen();
    if (m_state == State::Edit) {
        const int physical = m_current;
        const QByteArray oldKey = m_orderField >= 0 ? sortKey(physical) : QByteArray();
        writeAt(m_headerLength + qint64(physical) * m_recordLength, m_buffer.constData(), m_recordLength);
        if (char* owned = ownedRecord(physical))
            std::memcpy(owned, m_buffer.constData(), size_t(m_recordLength));
        m_buffer.clear();
        m_state = State::Browse;
        m_modified = true;
        if (m_orderField >= 0 && sortKey(physical) != oldKey) {
            rebuildOrder(physical);
            Q_EMIT layoutReset();
            Q_EMIT currentRowChanged(m_row);
        } else {
            emitRowChanged();
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
        const quint32 value = NextAutoIncrement(m_header.constData(), int(i));
        codec::encodeInteger(m_buffer.data() + m_fields[i].offset, qint32(value));
        SetNextAutoIncrement(m_header.data(), int(i), value + 1);
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
    if (m_orderBuilt)
        m_rowOf.push_back(-1);
    if (!m_batch)
        writeHeaderCounts();
    m_buffer.clear();
    m_state = State::Browse;
    m_modified = true;
    m_current = physical;
    if (!m_orderBuilt) {
        // The order, when made, finds the new record by its flag.
    } else if (m_orderField < 0) {
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
    emitCurrentRowChanged();
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
    if (m_current < 0)
        throw DbfError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    requireWritable();
    requireNoBatch();
    ensureOrder();
    const int physical = m_current;
    const char flag = kDeleted;
    writeAt(m_headerLength + qint64(physical) * m_recordLength, &flag, 1);
    if (char* owned = ownedRecord(physical))
        owned[0] = kDeleted;
    m_modified = true;
    const int row = m_row;
    m_order.erase(m_order.begin() + row);
    m_rowOf[size_t(physical)] = -1;
    for (size_t r = size_t(row); r < m_order.size(); ++r)
        m_rowOf[size_t(m_order[r])] = int(r);
    m_row = m_order.empty() ? -1 : std::min(row, int(m_order.size()) - 1);
    m_current = m_row >= 0 ? m_order[size_t(m_row)] : -1;
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
    removeReplacementLeftovers();

    ensureOrder();
    if (int(m_order.size()) == m_physicalCount)
        return; // nothing deleted: the file is packed already, no rewrite
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
    StampDate(header.data());
    SetRecordCount(header.data(), quint32(count));

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
    m_physicalCount = count;
    remapRecords();
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
    requireSoundFlags();
    if (!m_exclusive) {
        // The file is about to be replaced: nobody may hold it meanwhile.
        if (!LockWholeFile(m_file->handle(), true, true)) {
            LockWholeFile(m_file->handle(), false, true); // back to what we held
            lockFileOrThrow(*m_file, true);
        }
    }
    removeReplacementLeftovers();
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
    StampDate(header.data());
    SetRecordCount(header.data(), quint32(m_physicalCount));
    {
        FileReplacement out(m_path);
        lockFileOrThrow(out.file(), true);
        out.write(header);
        out.write(m_base, qint64(m_baseCount) * m_recordLength);
        out.write(m_records.constData(), qint64(m_physicalCount - m_baseCount) * m_recordLength);
        out.write(&kEndOfFile, 1);
        out.commit();
        adoptReplacement(out.takeFile()); // the old file's mapping goes here
    }
    remapRecords();
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
    m_records.truncate(qsizetype(m_batchCount - m_baseCount) * m_recordLength);
    m_batch = false;
    m_batchHeader.clear();
    if (!m_exclusive)
        LockWholeFile(m_file->handle(), false, !m_readOnly);
    const int keep = m_current;
    if (m_orderBuilt) {
        rebuildOrder(keep < m_physicalCount ? keep : -1);
    } else if (keep >= m_physicalCount) {
        m_current = liveFrom(0, 1);
    }
    Q_EMIT layoutReset();
    emitCurrentRowChanged();
}

// --- order ---

QByteArray DbfTable::sortKey(int physicalIndex) const
{
    const Field& f = m_fields[size_t(m_orderField)];
    return codec::sortKey(f, recordPtr(physicalIndex) + f.offset);
}

void DbfTable::rebuildOrder(int keepPhysical)
{
    m_order.clear();
    m_order.reserve(size_t(m_physicalCount));
    for (int i = 0; i < m_physicalCount; ++i)
        if (IsLiveFlag(recordPtr(i)[0], i, m_path))
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
    m_current = m_row >= 0 ? m_order[size_t(m_row)] : -1;
    m_orderBuilt = true;
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
    const int keep = m_current;
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
    const int keep = m_current;
    m_orderExpression.clear();
    m_orderField = -1;
    m_orderByDtos = false;
    rebuildOrder(keep);
    Q_EMIT layoutReset();
    Q_EMIT currentRowChanged(m_row);
}

} // namespace dbf
