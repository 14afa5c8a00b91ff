#include "baza/baza.h"

#include "baza/fields.h"
#include "baza/voivodeships.h"
#include "text/datevalue.h"

#include <QDir>
#include <QFile>

#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace baza {

void CreateTable(const QString& path)
{
    dbf::DbfTable::create(path, RegisterFields());
    // Open and close once, exclusively, as a check that the new file reads.
    dbf::DbfTable check;
    check.setFileName(path);
    check.setExclusive(true);
    check.open();
    check.close();
}

Baza::Baza(const QString& directory)
{
    m_directory = directory;
    if (!m_directory.isEmpty() && !m_directory.endsWith(QLatin1Char('/')) &&
        !m_directory.endsWith(QLatin1Char('\\')))
        m_directory += QLatin1Char('/');
}

void Baza::DeleteIndexFile()
{
    if (QFile::exists(mdxPath()))
        QFile::remove(mdxPath());
}

void Baza::OpenTable()
{
    if (!QFile::exists(dbfPath()))
        CreateTable(dbfPath());
    m_table.close();
    m_table.setFileName(dbfPath());
    m_table.open();
}

void Baza::PackTable()
{
    m_table.close();
    m_table.setExclusive(false);
    m_table.setExclusive(true);
    m_table.setFileName(dbfPath());
    try {
        m_table.open();
        m_table.pack();
    } catch (...) {
        m_table.close();
        m_table.setExclusive(false);
        throw;
    }
    m_table.close();
    m_table.setExclusive(false);
}

void Baza::OpenPackedForRun()
{
    // One closing and one opening: the exclusive lock is what a run needs
    // anyway, and the pack is done on the table so held.
    m_table.close();
    m_table.setExclusive(true);
    m_table.setFileName(dbfPath());
    try {
        m_table.open();
        if (m_table.recordCount() != m_table.physicalRecordCount())
            m_table.pack();
    } catch (...) {
        m_table.close();
        m_table.setExclusive(false);
        throw;
    }
}

void Baza::DropSortIndex()
{
    m_table.clearOrder();
    if (QFile::exists(mdxPath())) {
        const bool wasOpen = m_table.isOpen();
        m_table.close();
        QFile::remove(mdxPath());
        if (wasOpen)
            m_table.open();
    }
}

QString Baza::SortExpression(const QString& fieldName)
{
    if (fieldName == QLatin1String("AKTUALIZACJA") || fieldName == QLatin1String("DATAKONTROLI"))
        return QStringLiteral("DTOS(") + fieldName + QLatin1Char(')');
    return fieldName;
}

void Baza::SortBy(const QString& fieldName, bool descending)
{
    DropSortIndex();
    m_table.setOrder(SortExpression(fieldName), descending);
}

void Baza::SetPriorityMark(int value)
{
    m_table.edit();
    m_table.setInteger(Kod, value);
    m_table.post();
}

void Baza::ResetMeasures()
{
    // Walk a snapshot of the records: under a sort order by a date a reset
    // record moves, and stepping with next() would skip others.
    m_table.first();
    const int count = m_table.recordCount();
    std::vector<int> records;
    records.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        records.push_back(m_table.physicalAt(row));
    for (int recNo : records) {
        m_table.setRecNo(recNo);
        m_table.edit();
        m_table.setDate(Aktualizacja, datevalue::kZeroDate);
        m_table.setDate(DataKontroli, datevalue::kZeroDate);
        m_table.setInteger(Size, -1);
        m_table.setInteger(Row, -1);
        m_table.setInteger(Tag, -1);
        m_table.setInteger(Kod, 0);
        m_table.setInteger(Z, 0);
        m_table.setText(Uwagi, QString());
        m_table.post();
    }
    m_table.first();
}

int Baza::VoivodeshipIndex() const
{
    if (!m_table.isOpen() || m_table.isEmpty())
        return -1;
    return VoivodeshipPosition(m_table.text(Wojewodztwo));
}

Baza::~Baza()
{
#ifdef Q_OS_UNIX
    if (m_claim >= 0)
        ::close(m_claim); // releases the claim
#endif
}

bool Baza::ClaimForWindow()
{
    if (m_claimed)
        return true;
#ifdef Q_OS_UNIX
    // An exclusive lock on the data directory: it needs no file of its own
    // and goes with the process, also when the process is killed.
    const QString dir = m_directory.isEmpty() ? QStringLiteral(".") : m_directory;
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_claimRefused = false; // no directory: opening the table says why
        m_claimed = true;
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        m_claimRefused = true;
        return false;
    }
    m_claim = fd;
#endif
    m_claimRefused = false;
    m_claimed = true;
    return true;
}

QString Baza::OtherWindowText() const
{
    return QStringLiteral("Rejestr %1 jest otwarty w innym oknie programu Ekowarta. Pracuj w tamtym oknie "
                          "albo je zamknij i spróbuj ponownie.")
        .arg(QDir::toNativeSeparators(dbfPath()));
}

void Baza::ShareTable()
{
    if (!m_table.isOpen() || !m_table.exclusive() || m_table.state() != dbf::DbfTable::State::Browse)
        return;
    const int recNo = m_table.recNo();
    const QString order = m_table.orderExpression();
    const bool descending = m_table.orderDescending();
    m_table.close();
    m_table.setExclusive(false);
    m_table.open();
    if (!order.isEmpty())
        m_table.setOrder(order, descending);
    if (recNo > 0)
        m_table.setRecNo(recNo);
}

void Baza::ShutDown()
{
    if (m_claimRefused) {
        m_table.close();
        return;
    }
    m_table.clearOrder();
    m_table.close();
    DeleteIndexFile();
    if (QFile::exists(dbfPath()))
        PackTable();
}

} // namespace baza
