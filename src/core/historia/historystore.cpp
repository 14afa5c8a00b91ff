#include "historia/historystore.h"

#include "historia/packing.h"
#include "historia/versiondiff.h"
#include "platform/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

#include <unordered_map>
#include <utility>

namespace historia {

struct HistoryStore::Prepared
{
    static constexpr std::size_t kMostPrepared = 64;
    struct Entry
    {
        QByteArray sql;
        sqlite3_stmt* stmt = nullptr;
        bool busy = false;
    };
    // Keyed by where the text lies (the statements are constants) and
    // checked against the text itself, so a passing text at a reused
    // address never gets another's statement.
    std::unordered_map<const char*, Entry> entries;

    void finalizeAll()
    {
        for (auto& [key, entry] : entries)
            sqlite3_finalize(entry.stmt);
        entries.clear();
    }
};

// One statement in use. A statement of the connection's cache is reset for
// its next use when it goes out of scope; one that is in use already (the
// same question asked inside a walk over its own rows) is prepared for
// this use only and finalised.
class Statement
{
public:
    Statement(const HistoryStore& store, const char* sql) : m_store(store)
    {
        if (!store.m_prepared)
            store.m_prepared = std::make_unique<HistoryStore::Prepared>();
        auto& entries = store.m_prepared->entries;
        const auto it = entries.find(sql);
        if (it != entries.end() && !it->second.busy && it->second.sql == sql) {
            m_entry = &it->second;
            m_entry->busy = true;
            m_stmt = m_entry->stmt;
            return;
        }
        if (sqlite3_prepare_v2(store.m_db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            store.fail(QStringLiteral("zapytanie"));
        }
        // A text made on the fly lies somewhere new each time: the cache
        // stays small whatever is asked.
        if (it == entries.end() && entries.size() < HistoryStore::Prepared::kMostPrepared) {
            m_entry = &entries[sql];
            m_entry->sql = sql;
            m_entry->stmt = m_stmt;
            m_entry->busy = true;
        }
    }
    ~Statement()
    {
        if (m_entry) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
            m_entry->busy = false;
        } else {
            sqlite3_finalize(m_stmt);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, qint64 v)
    {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Statement& bind(int i, const QString& v)
    {
        const QByteArray utf8 = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindBlob(int i, const QByteArray& v)
    {
        sqlite3_bind_blob(m_stmt, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int i)
    {
        sqlite3_bind_null(m_stmt, i);
        return *this;
    }
    // True while there is a row.
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            m_store.fail(QStringLiteral("zapis lub odczyt"));
        return false;
    }
    void run() { step(); }
    qint64 integer(int c) const { return sqlite3_column_int64(m_stmt, c); }
    bool isNull(int c) const { return sqlite3_column_type(m_stmt, c) == SQLITE_NULL; }
    QString text(int c) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c)),
                                 sqlite3_column_bytes(m_stmt, c));
    }
    QByteArray blob(int c) const
    {
        const void* data = sqlite3_column_blob(m_stmt, c);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_stmt, c));
    }

private:
    const HistoryStore& m_store;
    sqlite3_stmt* m_stmt = nullptr;
    HistoryStore::Prepared::Entry* m_entry = nullptr;
};

namespace {

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS strony(
  id INTEGER PRIMARY KEY,
  adres TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS tresci(
  sha256 TEXT PRIMARY KEY,
  rozmiar INTEGER NOT NULL,
  tresc BLOB NOT NULL,
  tekst BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS wersje(
  id INTEGER PRIMARY KEY,
  strona INTEGER NOT NULL REFERENCES strony(id),
  chwila TEXT NOT NULL,
  adres TEXT NOT NULL,
  stan INTEGER NOT NULL,
  http INTEGER NOT NULL,
  wynik TEXT NOT NULL,
  rozmiar INTEGER NOT NULL,
  wiersze INTEGER NOT NULL,
  data TEXT NOT NULL,
  kod INTEGER NOT NULL,
  sha256 TEXT REFERENCES tresci(sha256),
  nowa_tresc INTEGER NOT NULL,
  etag TEXT,
  zmiana TEXT,
  pomiar_do TEXT);
CREATE INDEX IF NOT EXISTS wersje_strony ON wersje(strona, id);
CREATE INDEX IF NOT EXISTS wersje_tresci ON wersje(sha256);
CREATE TABLE IF NOT EXISTS reguly(
  strona INTEGER NOT NULL REFERENCES strony(id),
  tekst TEXT NOT NULL,
  PRIMARY KEY(strona, tekst));
CREATE TABLE IF NOT EXISTS ogloszenia(
  id INTEGER PRIMARY KEY,
  strona INTEGER NOT NULL REFERENCES strony(id),
  wersja INTEGER NOT NULL REFERENCES wersje(id),
  klucz TEXT NOT NULL,
  rodzaj TEXT NOT NULL,
  organ TEXT,
  znak TEXT,
  data TEXT,
  procedura TEXT NOT NULL,
  etap TEXT NOT NULL,
  uwagi_od TEXT,
  uwagi_do TEXT,
  uwagi_wyliczone INTEGER NOT NULL,
  natura2000 INTEGER NOT NULL,
  obszar TEXT,
  obszary TEXT,
  przedmiot TEXT,
  wykryto TEXT NOT NULL,
  dokument TEXT,
  UNIQUE(strona, klucz));
CREATE INDEX IF NOT EXISTS ogloszenia_wersji ON ogloszenia(wersja);
CREATE INDEX IF NOT EXISTS ogloszenia_terminy ON ogloszenia(uwagi_do);
CREATE TABLE IF NOT EXISTS dokumenty(
  id INTEGER PRIMARY KEY,
  wersja INTEGER NOT NULL REFERENCES wersje(id),
  adres TEXT NOT NULL,
  chwila TEXT NOT NULL,
  sha256 TEXT,
  rozmiar INTEGER NOT NULL,
  rodzaj TEXT NOT NULL,
  wynik TEXT NOT NULL,
  powod TEXT,
  strony INTEGER NOT NULL,
  tresc BLOB,
  tekst BLOB);
CREATE INDEX IF NOT EXISTS dokumenty_wersji ON dokumenty(wersja);
CREATE INDEX IF NOT EXISTS dokumenty_adresu ON dokumenty(adres, sha256);
)";

// Columns older files lack: named only when the file has them.
const char* const kDocumentColumns =
    "d.id, d.wersja, d.adres, d.chwila, d.sha256, d.rozmiar, d.rodzaj, d.wynik, d.powod, d.strony";

const char* const kNoticeColumns =
    "o.id, o.wersja, s.adres, w.adres, o.wykryto, o.rodzaj, o.organ, o.znak, o.data, o.procedura, o.etap, "
    "o.uwagi_od, o.uwagi_do, o.uwagi_wyliczone, o.natura2000, o.obszar, o.przedmiot, o.obszary";
// The notice's document, or nothing in a file written before documents.
const char* noticeDocumentColumn(bool has)
{
    return has ? ", o.dokument" : ", NULL";
}

const char* const kCheckColumns =
    "w.id, s.adres, w.chwila, w.adres, w.stan, w.wynik, w.rozmiar, w.wiersze, w.data, w.kod, w.sha256, w.nowa_tresc, "
    "w.http";

StoredCheck checkFrom(const Statement& q)
{
    StoredCheck c;
    c.id = q.integer(0);
    c.page = q.text(1);
    c.moment = QDateTime::fromString(q.text(2), Qt::ISODate);
    c.address = q.text(3);
    c.status = int(q.integer(4));
    c.outcome = q.text(5);
    c.size = qint32(q.integer(6));
    c.lines = qint32(q.integer(7));
    c.foundDate = QDate::fromString(q.text(8), Qt::ISODate);
    c.kod = int(q.integer(9));
    c.sha256 = q.isNull(10) ? QString() : q.text(10);
    c.newContent = q.integer(11) != 0;
    c.httpCode = int(q.integer(12));
    return c;
}

StoredNotice noticeFrom(const Statement& q)
{
    StoredNotice s;
    s.id = q.integer(0);
    s.checkId = q.integer(1);
    s.page = q.text(2);
    s.address = q.text(3);
    s.seen = QDateTime::fromString(q.text(4), Qt::ISODate);
    ogloszenia::Notice& n = s.notice;
    n.kind = q.text(5);
    n.authority = q.text(6);
    n.reference = q.text(7);
    n.date = QDate::fromString(q.text(8), Qt::ISODate);
    n.procedure = q.text(9);
    n.stage = q.text(10);
    n.commentsFrom = QDate::fromString(q.text(11), Qt::ISODate);
    n.commentsUntil = QDate::fromString(q.text(12), Qt::ISODate);
    n.commentsComputed = q.integer(13) != 0;
    n.natura2000 = q.integer(14) != 0;
    n.area = q.text(15);
    n.subject = q.text(16);
    n.areasNamed = q.text(17).split(QStringLiteral("; "), Qt::SkipEmptyParts);
    n.document = q.text(18);
    return s;
}

StoredDocument::Outcome outcomeFrom(const QString& word)
{
    if (word == OutcomeWord(StoredDocument::Outcome::Text))
        return StoredDocument::Outcome::Text;
    if (word == OutcomeWord(StoredDocument::Outcome::NoTextLayer))
        return StoredDocument::Outcome::NoTextLayer;
    return StoredDocument::Outcome::Failed;
}

StoredDocument documentFrom(const Statement& q)
{
    StoredDocument d;
    d.id = q.integer(0);
    d.checkId = q.integer(1);
    d.address = q.text(2);
    d.moment = QDateTime::fromString(q.text(3), Qt::ISODate);
    d.sha256 = q.isNull(4) ? QString() : q.text(4);
    d.size = q.integer(5);
    d.type = q.text(6);
    d.outcome = outcomeFrom(q.text(7));
    d.reason = q.text(8);
    d.pages = int(q.integer(9));
    return d;
}

QByteArray sql(const char* head, const char* tail)
{
    return QByteArray(head) + kCheckColumns + tail;
}

// The questions that take a whole check, made once.
const QByteArray kChecksOfPage =
    sql("SELECT ", " FROM wersje w JOIN strony s ON s.id = w.strona WHERE s.adres = ?1 ORDER BY w.id");
const QByteArray kCheckById = sql("SELECT ", " FROM wersje w JOIN strony s ON s.id = w.strona WHERE w.id = ?1");
// Only a version whose body is there counts as the page's last one.
const QByteArray kLastVersion =
    sql("SELECT ", " FROM wersje w JOIN strony s ON s.id = w.strona JOIN tresci t ON t.sha256 = w.sha256 "
                   "WHERE s.adres = ?1 ORDER BY w.id DESC LIMIT 1");
const QByteArray kLastGoodCheck =
    sql("SELECT ", ", w.etag, w.zmiana, NULL FROM wersje w JOIN strony s ON s.id = w.strona "
                   "JOIN tresci t ON t.sha256 = w.sha256 WHERE s.adres = ?1 ORDER BY w.id DESC LIMIT 1");
// The same in a file that keeps how long a body's measures stand.
const QByteArray kLastGoodCheckUntil =
    sql("SELECT ", ", w.etag, w.zmiana, w.pomiar_do FROM wersje w JOIN strony s ON s.id = w.strona "
                   "JOIN tresci t ON t.sha256 = w.sha256 WHERE s.adres = ?1 ORDER BY w.id DESC LIMIT 1");
const QByteArray kVersionBefore =
    sql("SELECT ", " FROM wersje w JOIN strony s ON s.id = w.strona WHERE s.adres = ?1 "
                   "AND w.sha256 IS NOT NULL AND w.id < ?2 ORDER BY w.id DESC LIMIT 1");
const QByteArray kLastChecks =
    sql("SELECT ", " FROM wersje w JOIN strony s ON s.id = w.strona WHERE s.adres = ?1 ORDER BY w.id DESC LIMIT ?2");
const QByteArray kLastChange =
    sql("SELECT ", " FROM wersje w JOIN strony s ON s.id = w.strona WHERE s.adres = ?1 "
                   "AND w.sha256 IS NOT NULL AND w.nowa_tresc = 1 ORDER BY w.id DESC LIMIT 1");

bool isDamage(int code)
{
    code &= 0xFF;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool isBusy(int code)
{
    code &= 0xFF;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool isWriteFailure(int code)
{
    code &= 0xFF;
    return code == SQLITE_FULL || code == SQLITE_IOERR;
}

// SQLite's own texts are English; the user reads these.
QString reasonOf(int code)
{
    return SystemError::DatabaseReason(code);
}

} // namespace

QString OutcomeWord(StoredDocument::Outcome outcome)
{
    switch (outcome) {
    case StoredDocument::Outcome::Text: return QStringLiteral("tekst");
    case StoredDocument::Outcome::NoTextLayer: return QStringLiteral("bez tekstu");
    case StoredDocument::Outcome::Failed: break;
    }
    return QStringLiteral("błąd");
}

QString HistoryStore::PathIn(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(FileName());
}

HistoryStore::HistoryStore(const QString& path) : m_path(path) {}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::fail(const QString& what) const
{
    const int code = sqlite3_extended_errcode(m_db);
    const QString reason = reasonOf(code);
    if (isDamage(code))
        throw HistoryError(QStringLiteral("plik %1 jest uszkodzony (%2)").arg(QFileInfo(m_path).fileName(), reason),
                           true);
    if (isBusy(code))
        throw HistoryError::busyFile(
            QStringLiteral("plik %1 jest zajęty przez inny program").arg(QFileInfo(m_path).fileName()));
    if (isWriteFailure(code))
        throw HistoryError::writeFailure(
            QStringLiteral("nie można zapisać pliku %1: %2").arg(QFileInfo(m_path).fileName(), reason));
    throw HistoryError(QStringLiteral("nie można wykonać operacji na pliku %1 (%2): %3")
                           .arg(QFileInfo(m_path).fileName(), what, reason));
}

// Whether the database is another program's: it has tables, but not the
// three every history of ours has had from the start. An empty database is
// nobody's and becomes the history.
bool HistoryStore::isForeign() const
{
    Statement q(*this, "SELECT count(*), coalesce(sum(type = 'table' AND name IN ('strony', 'tresci', 'wersje')), 0) "
                       "FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'");
    if (!q.step())
        return false;
    return q.integer(0) > 0 && q.integer(1) < 3;
}

int HistoryStore::tableCount() const
{
    Statement q(*this, "SELECT count(*) FROM sqlite_master WHERE type = 'table'");
    return q.step() ? int(q.integer(0)) : 0;
}

void HistoryStore::setBusyTimeout(int ms)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, qMax(0, ms));
}

void HistoryStore::open(Mode mode, int busyTimeoutMs)
{
    close();
    if (mode == Mode::ReadOnly && !QFileInfo::exists(m_path))
        throw HistoryError(QStringLiteral("brak historii stron (plik %1)").arg(FileName()));
    if (mode == Mode::ReadWrite && QFileInfo(m_path).size() > 0) {
        // Looked at through a reading connection first: a foreign file must
        // not get so much as a journal mode from us.
        m_lookingFirst = true;
        const auto looked = qScopeGuard([this] { m_lookingFirst = false; });
        open(Mode::ReadOnly, busyTimeoutMs);
        close();
    }
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = reasonOf(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw HistoryError(QStringLiteral("nie można otworzyć pliku %1 (%2)").arg(FileName(), reason), isDamage(rc));
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, qMax(0, busyTimeoutMs));
    try {
        if (mode == Mode::ReadWrite) {
            // WAL: the check's worker reads while the main thread writes, and
            // a crash mid-write leaves the file whole. NORMAL sync is enough
            // for WAL to stay consistent and keeps a write well under a
            // millisecond.
            if (sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                             nullptr) != SQLITE_OK)
                fail(QStringLiteral("otwarcie"));
            if (sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
                fail(QStringLiteral("założenie tabel"));
            addValidatorColumns();
            addDocumentColumn();
            if (sqlite3_exec(m_db, QByteArray("PRAGMA user_version = " + QByteArray::number(kSchemaVersion)).constData(),
                             nullptr, nullptr, nullptr) != SQLITE_OK)
                fail(QStringLiteral("założenie tabel"));
        } else {
            // Reading a file that is not a database fails here, not later.
            if (isForeign())
                throw HistoryError::foreignFile(
                    QStringLiteral("plik %1 nie jest historią stron tego programu (ma tabele innego programu)")
                        .arg(QFileInfo(m_path).fileName()));
            // A database without a single table (made by hand, or left
            // by a program that stopped at once) holds no history yet.
            if (!m_lookingFirst && tableCount() == 0)
                throw HistoryError(QStringLiteral("brak historii stron (plik %1)").arg(FileName()));
            m_hasValidators = hasColumn("wersje", "etag") && hasColumn("wersje", "zmiana");
            m_hasSameUntil = hasColumn("wersje", "pomiar_do");
            m_hasNoticeDocument = hasColumn("ogloszenia", "dokument");
        }
    } catch (...) {
        close();
        throw;
    }
}

void HistoryStore::close()
{
    if (m_prepared)
        m_prepared->finalizeAll();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_hasValidators = false;
    m_hasSameUntil = false;
    m_hasNoticeDocument = false;
}

bool HistoryStore::hasColumn(const char* table, const char* column) const
{
    Statement q(*this, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    q.bind(1, QString::fromLatin1(table)).bind(2, QString::fromLatin1(column));
    return q.step();
}

// A file of an older version has no place for the answer's validators or
// for how long a body's measures stand; the columns are added the first
// time it is opened for writing (older versions read such a file as
// before: they name their columns).
void HistoryStore::addValidatorColumns()
{
    for (const char* column : {"etag", "zmiana", "pomiar_do"}) {
        if (hasColumn("wersje", column))
            continue;
        const QByteArray alter = QByteArray("ALTER TABLE wersje ADD COLUMN ") + column + " TEXT";
        if (sqlite3_exec(m_db, alter.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QStringLiteral("założenie tabel"));
    }
    m_hasValidators = true;
    m_hasSameUntil = true;
}

// A file of version 2 has notices without their document: the column is
// added like the validators (the dokumenty table is new and made with the
// others).
void HistoryStore::addDocumentColumn()
{
    if (!hasColumn("ogloszenia", "dokument") &&
        sqlite3_exec(m_db, "ALTER TABLE ogloszenia ADD COLUMN dokument TEXT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("założenie tabel"));
    m_hasNoticeDocument = true;
}

bool HistoryStore::hasTable(const char* name) const
{
    Statement q(*this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    q.bind(1, QString::fromLatin1(name));
    return q.step();
}

qint64 HistoryStore::pageId(const QString& page, bool create)
{
    {
        Statement q(*this, "SELECT id FROM strony WHERE adres = ?1");
        q.bind(1, page);
        if (q.step())
            return q.integer(0);
    }
    if (!create)
        return 0;
    Statement(*this, "INSERT INTO strony(adres) VALUES(?1)").bind(1, page).run();
    return sqlite3_last_insert_rowid(m_db);
}

qint64 HistoryStore::AddCheck(const StoredCheck& check, const PackedBody* body,
                              const QList<ogloszenia::Notice>& notices, const QList<StoredDocument>& documents)
{
    if (!m_db)
        throw HistoryError(QStringLiteral("historia stron nie jest otwarta"));
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("zapis"));
    try {
        const qint64 page = pageId(check.page, true);
        if (body && !body->stored) {
            Statement(*this, "INSERT OR IGNORE INTO tresci(sha256, rozmiar, tresc, tekst) VALUES(?1, ?2, ?3, ?4)")
                .bind(1, body->sha256)
                .bind(2, body->size)
                .bindBlob(3, body->body)
                .bindBlob(4, body->text)
                .run();
        }
        Statement insert(*this, "INSERT INTO wersje(strona, chwila, adres, stan, wynik, rozmiar, wiersze, data, kod, "
                                "sha256, nowa_tresc, http, etag, zmiana, pomiar_do) "
                                "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
        insert.bind(1, page)
            .bind(2, check.moment.toString(Qt::ISODate))
            .bind(3, check.address)
            .bind(4, check.status)
            .bind(5, check.outcome)
            .bind(6, check.size)
            .bind(7, check.lines)
            .bind(8, check.foundDate.isValid() ? check.foundDate.toString(Qt::ISODate) : QString())
            .bind(9, check.kod)
            .bind(11, check.newContent ? 1 : 0)
            .bind(12, check.httpCode);
        if (body)
            insert.bind(10, body->sha256);
        else
            insert.bindNull(10);
        for (const auto& [column, value] : {std::pair{13, &check.etag}, std::pair{14, &check.lastModified}}) {
            if (value->isEmpty())
                insert.bindNull(column);
            else
                insert.bind(column, QString::fromLatin1(*value));
        }
        if (check.sameUntil.isValid())
            insert.bind(15, check.sameUntil.toString(Qt::ISODate));
        else
            insert.bindNull(15);
        insert.run();
        const qint64 id = sqlite3_last_insert_rowid(m_db);
        addNotices(page, id, check.moment, notices);
        addDocuments(id, documents);
        prune(page);
        if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QStringLiteral("zapis"));
        return id;
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryStore::prune(qint64 page)
{
    // Versions without new content beyond the newest few go, except the
    // newest downloaded one (it is what the next check compares with).
    QList<qint64> ids;
    QStringList bodies;
    {
        Statement q(*this, "SELECT id, sha256 FROM wersje WHERE strona = ?1 AND nowa_tresc = 0 "
                           "AND id NOT IN (SELECT id FROM wersje WHERE strona = ?1 AND nowa_tresc = 0 "
                           "ORDER BY id DESC LIMIT ?2) "
                           "AND id IS NOT (SELECT max(id) FROM wersje WHERE strona = ?1 AND sha256 IS NOT NULL) "
                           "AND NOT EXISTS (SELECT 1 FROM ogloszenia o WHERE o.wersja = wersje.id) "
                           "AND NOT EXISTS (SELECT 1 FROM dokumenty d WHERE d.wersja = wersje.id)");
        q.bind(1, page).bind(2, kKeptOthers);
        while (q.step()) {
            ids << q.integer(0);
            if (!q.isNull(1))
                bodies << q.text(1);
        }
    }
    for (const qint64 id : ids)
        Statement(*this, "DELETE FROM wersje WHERE id = ?1").bind(1, id).run();
    for (const QString& sha : bodies)
        Statement(*this, "DELETE FROM tresci WHERE sha256 = ?1 AND NOT EXISTS "
                         "(SELECT 1 FROM wersje WHERE sha256 = ?1)")
            .bind(1, sha)
            .run();
}

void HistoryStore::addNotices(qint64 page, qint64 check, const QDateTime& seen,
                              const QList<ogloszenia::Notice>& notices)
{
    auto orNull = [](Statement& q, int i, const QString& v) {
        if (v.isEmpty())
            q.bindNull(i);
        else
            q.bind(i, v);
    };
    for (const ogloszenia::Notice& n : notices) {
        Statement q(*this, "INSERT OR IGNORE INTO ogloszenia(strona, wersja, klucz, rodzaj, organ, znak, data, "
                           "procedura, etap, uwagi_od, uwagi_do, uwagi_wyliczone, natura2000, obszar, przedmiot, "
                           "wykryto, obszary, dokument) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, "
                           "?14, ?15, ?16, ?17, ?18)");
        q.bind(1, page).bind(2, check).bind(3, n.identity()).bind(4, n.kind);
        orNull(q, 5, n.authority);
        orNull(q, 6, n.reference);
        orNull(q, 7, n.date.isValid() ? n.date.toString(Qt::ISODate) : QString());
        q.bind(8, n.procedure).bind(9, n.stage);
        orNull(q, 10, n.commentsFrom.isValid() ? n.commentsFrom.toString(Qt::ISODate) : QString());
        orNull(q, 11, n.commentsUntil.isValid() ? n.commentsUntil.toString(Qt::ISODate) : QString());
        q.bind(12, n.commentsComputed ? 1 : 0).bind(13, n.natura2000 ? 1 : 0);
        orNull(q, 14, n.area);
        orNull(q, 15, n.subject);
        q.bind(16, seen.toString(Qt::ISODate));
        orNull(q, 17, n.areasNamed.join(QStringLiteral("; ")));
        orNull(q, 18, n.document);
        q.run();
    }
}

void HistoryStore::addDocuments(qint64 check, const QList<StoredDocument>& documents)
{
    for (const StoredDocument& d : documents) {
        if (d.fetched() && ReadBefore(d.address, d.sha256))
            continue; // the same bytes from the same address: kept once
        Statement q(*this, "INSERT INTO dokumenty(wersja, adres, chwila, sha256, rozmiar, rodzaj, wynik, powod, "
                           "strony, tresc, tekst) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
        q.bind(1, check).bind(2, d.address).bind(3, d.moment.toString(Qt::ISODate));
        if (d.fetched())
            q.bind(4, d.sha256);
        else
            q.bindNull(4);
        q.bind(5, d.size).bind(6, d.type).bind(7, OutcomeWord(d.outcome));
        if (d.reason.isEmpty())
            q.bindNull(8);
        else
            q.bind(8, d.reason);
        q.bind(9, d.pages);
        if (d.fetched())
            q.bindBlob(10, d.packedBody).bindBlob(11, d.packedText);
        else
            q.bindNull(10).bindNull(11);
        q.run();
    }
}

QList<StoredDocument> HistoryStore::DocumentsOfCheck(qint64 checkId) const
{
    QList<StoredDocument> out;
    if (!m_db || !hasTable("dokumenty"))
        return out;
    Statement q(*this, (QByteArray("SELECT ") + kDocumentColumns + " FROM dokumenty d WHERE d.wersja = ?1 ORDER BY d.id")
                           .constData());
    q.bind(1, checkId);
    while (q.step())
        out << documentFrom(q);
    return out;
}

std::optional<StoredDocument> HistoryStore::Document(qint64 id) const
{
    if (!m_db || !hasTable("dokumenty"))
        return std::nullopt;
    Statement q(*this, (QByteArray("SELECT ") + kDocumentColumns + " FROM dokumenty d WHERE d.id = ?1").constData());
    q.bind(1, id);
    if (q.step())
        return documentFrom(q);
    return std::nullopt;
}

std::optional<StoredDocument> HistoryStore::ReadBefore(const QString& address, const QString& sha256) const
{
    if (!m_db || sha256.isEmpty() || !hasTable("dokumenty"))
        return std::nullopt;
    Statement q(*this, (QByteArray("SELECT ") + kDocumentColumns +
                        " FROM dokumenty d WHERE d.adres = ?1 AND d.sha256 = ?2 ORDER BY d.id LIMIT 1")
                           .constData());
    q.bind(1, address).bind(2, sha256);
    if (q.step())
        return documentFrom(q);
    return std::nullopt;
}

QByteArray HistoryStore::DocumentBody(qint64 id) const
{
    const std::optional<StoredDocument> d = Document(id);
    if (!d || !d->fetched())
        throw HistoryError(QStringLiteral("brak zapisanego dokumentu nr %1").arg(id));
    Statement q(*this, "SELECT tresc FROM dokumenty WHERE id = ?1");
    q.bind(1, id);
    if (!q.step() || q.isNull(0))
        throw HistoryError(QStringLiteral("brak zapisanego dokumentu nr %1").arg(id));
    return Unpack(q.blob(0), StoredBodyLimit(d->size), UnpackedSize::Exactly);
}

QString HistoryStore::DocumentText(qint64 id) const
{
    const std::optional<StoredDocument> d = Document(id);
    if (!d || !d->fetched())
        throw HistoryError(QStringLiteral("brak zapisanego dokumentu nr %1").arg(id));
    Statement q(*this, "SELECT tekst FROM dokumenty WHERE id = ?1");
    q.bind(1, id);
    if (!q.step() || q.isNull(0))
        return {};
    // A packed document (a PDF's text streams are compressed) may hold
    // more text than three bytes a byte; its reader's limit bounds it.
    return QString::fromUtf8(Unpack(q.blob(0), qMax(StoredTextLimit(d->size), kMostDocumentTextBytes)));
}

bool HistoryStore::hasNoticeTable() const
{
    // A file of an older program opened only for reading has no such table.
    Statement q(*this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ogloszenia'");
    return q.step();
}

QList<StoredNotice> HistoryStore::Notices(const NoticeQuery& query) const
{
    QList<StoredNotice> out;
    if (!m_db || !hasNoticeTable())
        return out;
    QByteArray text = QByteArray("SELECT ") + kNoticeColumns + noticeDocumentColumn(m_hasNoticeDocument) +
                      " FROM ogloszenia o JOIN strony s ON s.id = o.strona JOIN wersje w ON w.id = o.wersja "
                      "WHERE (?1 = '' OR s.adres = ?1) AND (?2 = '' OR o.uwagi_do >= ?2) "
                      "AND (?3 = '' OR substr(o.wykryto, 1, 10) >= ?3) ";
    text += query.openOn.isValid() ? "ORDER BY o.uwagi_do, o.id" : "ORDER BY o.wykryto DESC, o.id DESC";
    Statement q(*this, text.constData());
    q.bind(1, query.page)
        .bind(2, query.openOn.isValid() ? query.openOn.toString(Qt::ISODate) : QString())
        .bind(3, query.seenSince.isValid() ? query.seenSince.toString(Qt::ISODate) : QString());
    while (q.step())
        out << noticeFrom(q);
    return out;
}

QList<StoredNotice> HistoryStore::NoticesOfPage(const QString& page) const
{
    NoticeQuery q;
    q.page = page;
    return Notices(q);
}

QList<StoredNotice> HistoryStore::OpenNotices(const QDate& today) const
{
    NoticeQuery q;
    q.openOn = today;
    return Notices(q);
}

QList<StoredNotice> HistoryStore::NoticesOfCheck(qint64 checkId) const
{
    QList<StoredNotice> out;
    if (!m_db || !hasNoticeTable())
        return out;
    Statement q(*this, (QByteArray("SELECT ") + kNoticeColumns + noticeDocumentColumn(m_hasNoticeDocument) +
                        " FROM ogloszenia o JOIN strony s ON s.id = o.strona JOIN wersje w ON w.id = o.wersja "
                        "WHERE o.wersja = ?1 ORDER BY o.id")
                           .constData());
    q.bind(1, checkId);
    while (q.step())
        out << noticeFrom(q);
    return out;
}

QList<StoredCheck> HistoryStore::Checks(const QString& page) const
{
    Statement q(*this, kChecksOfPage.constData());
    q.bind(1, page);
    QList<StoredCheck> out;
    while (q.step())
        out << checkFrom(q);
    return out;
}

std::optional<StoredCheck> HistoryStore::Check(qint64 id) const
{
    Statement q(*this, kCheckById.constData());
    q.bind(1, id);
    if (q.step())
        return checkFrom(q);
    return std::nullopt;
}

std::optional<StoredCheck> HistoryStore::LastVersion(const QString& page) const
{
    Statement q(*this, kLastVersion.constData());
    q.bind(1, page);
    if (q.step())
        return checkFrom(q);
    return std::nullopt;
}

std::optional<StoredCheck> HistoryStore::LastGoodCheck(const QString& page) const
{
    if (!m_hasValidators)
        return LastVersion(page);
    Statement q(*this, (m_hasSameUntil ? kLastGoodCheckUntil : kLastGoodCheck).constData());
    q.bind(1, page);
    if (!q.step())
        return std::nullopt;
    StoredCheck c = checkFrom(q);
    c.etag = q.text(13).toLatin1();
    c.lastModified = q.text(14).toLatin1();
    if (!q.isNull(15))
        c.sameUntil = QDate::fromString(q.text(15), Qt::ISODate);
    return c;
}

std::optional<StoredCheck> HistoryStore::VersionBefore(const StoredCheck& check) const
{
    Statement q(*this, kVersionBefore.constData());
    q.bind(1, check.page).bind(2, check.id);
    if (q.step())
        return checkFrom(q);
    return std::nullopt;
}

QByteArray HistoryStore::Body(const QString& sha256) const
{
    Statement q(*this, "SELECT tresc, rozmiar FROM tresci WHERE sha256 = ?1");
    q.bind(1, sha256);
    if (!q.step())
        throw HistoryError(QStringLiteral("brak zapisanej wersji %1").arg(sha256));
    return Unpack(q.blob(0), StoredBodyLimit(q.integer(1)), UnpackedSize::Exactly);
}

QString HistoryStore::Text(const QString& sha256) const
{
    Statement q(*this, "SELECT tekst, rozmiar FROM tresci WHERE sha256 = ?1");
    q.bind(1, sha256);
    if (!q.step())
        throw HistoryError(QStringLiteral("brak zapisanej wersji %1").arg(sha256));
    return QString::fromUtf8(Unpack(q.blob(0), StoredTextLimit(q.integer(1))));
}

QStringList HistoryStore::Rules(const QString& page) const
{
    Statement q(*this, "SELECT r.tekst FROM reguly r JOIN strony s ON s.id = r.strona WHERE s.adres = ?1 "
                       "ORDER BY r.rowid");
    q.bind(1, page);
    QStringList out;
    while (q.step())
        out << q.text(0);
    return out;
}

void HistoryStore::AddRule(const QString& page, const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    const qint64 id = pageId(page, true);
    Statement(*this, "INSERT OR IGNORE INTO reguly(strona, tekst) VALUES(?1, ?2)").bind(1, id).bind(2, t).run();
}

void HistoryStore::RemoveRule(const QString& page, const QString& text)
{
    const qint64 id = pageId(page, false);
    Statement(*this, "DELETE FROM reguly WHERE strona = ?1 AND tekst = ?2").bind(1, id).bind(2, text.trimmed()).run();
}

QList<StoredCheck> HistoryStore::LastChecks(const QString& page, int n) const
{
    Statement q(*this, kLastChecks.constData());
    q.bind(1, page).bind(2, n);
    QList<StoredCheck> out;
    while (q.step())
        out << checkFrom(q);
    return out;
}

QStringList HistoryStore::AddedLinesOfLastChange(const QString& page) const
{
    Statement q(*this, kLastChange.constData());
    q.bind(1, page);
    if (!q.step())
        return {};
    const StoredCheck changed = checkFrom(q);
    const std::optional<StoredCheck> before = VersionBefore(changed);
    const NoiseRules rules(Rules(page));
    const QString oldText = before ? Text(before->sha256) : QString();
    const QDate oldDay = before ? before->moment.date() : QDate();
    return DiffTexts(oldText, oldDay, Text(changed.sha256), changed.moment.date(), rules).added;
}

QList<StoredNotice> HistoryStore::NoticesOfLastChange(const QString& page) const
{
    qint64 changed = 0;
    {
        Statement q(*this, kLastChange.constData());
        q.bind(1, page);
        if (!q.step())
            return {};
        changed = q.integer(0);
    }
    return NoticesOfCheck(changed);
}

QList<FailingPage> HistoryStore::PagesFailing(int k) const
{
    QList<FailingPage> out;
    if (k <= 0)
        return out;
    Statement pages(*this, "SELECT id, adres FROM strony ORDER BY adres");
    while (pages.step()) {
        const qint64 id = pages.integer(0);
        Statement last(*this, "SELECT count(*), sum(sha256 IS NULL) FROM "
                              "(SELECT sha256 FROM wersje WHERE strona = ?1 ORDER BY id DESC LIMIT ?2)");
        last.bind(1, id).bind(2, k);
        if (!last.step() || last.integer(0) < k || last.integer(1) < k)
            continue;
        FailingPage f;
        f.page = pages.text(1);
        Statement good(*this, "SELECT chwila FROM wersje WHERE strona = ?1 AND sha256 IS NOT NULL "
                              "ORDER BY id DESC LIMIT 1");
        good.bind(1, id);
        if (good.step())
            f.lastGood = QDateTime::fromString(good.text(0), Qt::ISODate);
        out << f;
    }
    return out;
}

} // namespace historia
