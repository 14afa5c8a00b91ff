#pragma once

#include "historia/historyerror.h"
#include "ogloszenia/notice.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct sqlite3;

// The page history: historia.sqlite beside baza.dbf, one SQLite file that
// the sqlite3 tool reads as well. Tables:
//   strony  (id, adres)                    a page: an address, trimmed
//   tresci  (sha256, rozmiar, tresc, tekst) a body as received and its visible
//                                          text, both zlib-packed; one row per
//                                          distinct body, shared by versions
//   wersje  (id, strona, chwila, adres, stan, http, wynik, rozmiar, wiersze,
//            data, kod, sha256, nowa_tresc, etag, zmiana)
//                                          one row per check; a failed check
//                                          has no sha256; etag and zmiana are
//                                          the answer's ETag and Last-Modified
//                                          (files of older versions lack the
//                                          two columns until written to)
//   reguly  (strona, tekst)                the user's "ignoruj wiersze
//                                          zawierające" texts of a page
//   ogloszenia (id, strona, wersja, klucz, rodzaj, organ, znak, data,
//            procedura, etap, uwagi_od, uwagi_do, uwagi_wyliczone,
//            natura2000, obszar, obszary, przedmiot, wykryto)
//                                          one row per notice read on a page,
//                                          tied to the check that first showed
//                                          it (wersja); a notice seen again is
//                                          the same row (strona, klucz)
// Its size stays bounded: every version whose text brought something new is
// kept, of the others only the newest few per page (and always the newest
// downloaded one), and a body no version refers to any more goes with them.
// A version that brought a notice is kept like one with new content.
namespace historia {

// One check of a page as the store keeps it.
struct StoredCheck
{
    qint64 id = 0;
    QString page;     // the address, trimmed
    QString address;  // as checked
    QDateTime moment; // of the check, local time, whole seconds
    int status = 0;   // 0 failed, 2 downloaded, 4 timed out
    int httpCode = 0; // of the final answer; 0 when none came
    QString outcome;  // the page's Content-Type, or the error text
    qint32 size = -1;
    qint32 lines = -1;
    QDate foundDate; // the newest date found on the page; null when none
    int kod = 0;
    QString sha256;          // of the body as received; empty for a failed check
    bool newContent = false; // the visible text, noise aside, differs from the version before
    // The answer's ETag and Last-Modified, as the server sent them; empty
    // when it sent none. Written by AddCheck; read by LastGoodCheck only.
    QByteArray etag;
    QByteArray lastModified;
    // The last day on which the body measures as it did (its earliest date
    // not past yet, at most the year's end); null when not known. Written
    // by AddCheck; read by LastGoodCheck only.
    QDate sameUntil;

    bool hasBody() const { return !sha256.isEmpty(); }
};

// A body ready to be stored, prepared away from the main thread.
struct PackedBody
{
    QString sha256;
    qint64 size = 0;
    QByteArray body; // zlib
    QByteArray text; // zlib, UTF-8 visible text
    // The body is one the store holds already (the page came back byte for
    // byte, or the server said it did not change): body and text are left
    // empty and nothing of it is written again.
    bool stored = false;
};

// A notice as the store keeps it: where and when it was first read.
struct StoredNotice
{
    qint64 id = 0;
    qint64 checkId = 0;   // the check (wersje.id) that first showed it
    QString page;         // the address, trimmed
    QString address;      // as that check had it
    QDateTime seen;       // the moment of that check
    ogloszenia::Notice notice;
};

// Which notices to list. By default all of them, newest first (by when
// they were first seen).
struct NoticeQuery
{
    QString page;     // only those of this page (trimmed address); empty: all pages
    QDate openOn;     // only those whose comment window is open on this day,
                      // soonest deadline first; null: no such filter
    QDate seenSince;  // only those first seen on this day or later; null: all
};

// A document linked from a page, as the store keeps it.
struct StoredDocument
{
    enum class Outcome { Text, NoTextLayer, Failed };

    qint64 id = 0;
    qint64 checkId = 0;   // the check (wersje.id) that found it
    QString address;      // as fetched, absolute
    QDateTime moment;     // of the fetch, local time, whole seconds
    QString sha256;       // of its bytes; empty when it could not be fetched
    qint64 size = -1;     // bytes; -1 when not fetched
    QString type;         // "PDF", "DOC", "DOCX", "ODT", "RTF", "HTML"; empty when unknown
    Outcome outcome = Outcome::Failed;
    QString reason;       // Polish; why it failed or has no text
    int pages = 0;        // as the reader counted them; 0 when unknown
    // For writing: the bytes and the UTF-8 text, zlib-packed (Pack).
    // Left empty by the readers: DocumentBody and DocumentText give them.
    QByteArray packedBody;
    QByteArray packedText;

    bool fetched() const { return !sha256.isEmpty(); }
};

// The words of the dokumenty.wynik column and of the command line.
QString OutcomeWord(StoredDocument::Outcome outcome);

struct FailingPage
{
    QString page;
    QDateTime lastGood; // the newest downloaded check; null when there was none
};

class Statement;

class HistoryStore
{
public:
    static QString FileName() { return QStringLiteral("historia.sqlite"); }
    static QString PathIn(const QString& dataDirectory);

    // Versions kept per page besides those with new content.
    static constexpr int kKeptOthers = 20;

    explicit HistoryStore(const QString& path);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    QString path() const { return m_path; }

    // ReadWrite creates the file and its tables when missing; ReadOnly
    // fails when the file is missing. Throws HistoryError (damaged() for a
    // file that is not a database, foreign() as well for a database of
    // another program, which is left as it is).
    enum class Mode { ReadWrite, ReadOnly };
    // busyTimeoutMs: how long a question waits for a file another
    // connection holds before it fails with HistoryError busy().
    void open(Mode mode, int busyTimeoutMs = 3000);
    void setBusyTimeout(int ms);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // Adds a check (with its body, unless it failed) in one transaction and
    // drops what the size bound no longer keeps. Returns the new id.
    // The notices read in it are added with it; one already stored for the
    // page (same identity) stays as it was.
    // The documents found by it go in with it (a document already kept with
    // the same address and SHA-256 is not added again).
    qint64 AddCheck(const StoredCheck& check, const PackedBody* body,
                    const QList<ogloszenia::Notice>& notices = {},
                    const QList<StoredDocument>& documents = {});

    // Every check of the page, oldest first.
    QList<StoredCheck> Checks(const QString& page) const;
    std::optional<StoredCheck> Check(qint64 id) const;
    // The newest downloaded check of the page whose body the store holds.
    std::optional<StoredCheck> LastVersion(const QString& page) const;
    // The same with its ETag and Last-Modified (empty in a file written by
    // an older version of the program).
    std::optional<StoredCheck> LastGoodCheck(const QString& page) const;
    // The downloaded check before the given one, on the same page.
    std::optional<StoredCheck> VersionBefore(const StoredCheck& check) const;

    QByteArray Body(const QString& sha256) const;
    QString Text(const QString& sha256) const;

    QStringList Rules(const QString& page) const;
    void AddRule(const QString& page, const QString& text);
    void RemoveRule(const QString& page, const QString& text);

    // For the alerts after a run: the newest n checks of a page, newest
    // first; the lines that the page's newest change of content added; the
    // pages whose newest k checks all failed, with their last good check.
    QList<StoredCheck> LastChecks(const QString& page, int n) const;
    QStringList AddedLinesOfLastChange(const QString& page) const;
    QList<FailingPage> PagesFailing(int k) const;

    // The notices: see NoticeQuery. The building blocks of the notices
    // window, the e-mail, the feed and the calendar of deadlines. A file
    // written before notices were kept has none (and is not changed by
    // reading it).
    QList<StoredNotice> Notices(const NoticeQuery& query = {}) const;
    QList<StoredNotice> NoticesOfPage(const QString& page) const;
    QList<StoredNotice> OpenNotices(const QDate& today) const;
    // Those first shown by this check: the news it brought.
    QList<StoredNotice> NoticesOfCheck(qint64 checkId) const;
    // Those first shown by the page's newest change of content (the check
    // whose added lines AddedLinesOfLastChange gives).
    QList<StoredNotice> NoticesOfLastChange(const QString& page) const;

    // The documents a check found, in the order they were fetched. A file
    // written before documents were kept has none.
    QList<StoredDocument> DocumentsOfCheck(qint64 checkId) const;
    std::optional<StoredDocument> Document(qint64 id) const;
    // The document read before with this address and these bytes (its text
    // and outcome stand for a new reading), if any.
    std::optional<StoredDocument> ReadBefore(const QString& address, const QString& sha256) const;
    // Its bytes as fetched, and its text; throw HistoryError when the
    // document is unknown, was not fetched or is damaged.
    QByteArray DocumentBody(qint64 id) const;
    QString DocumentText(qint64 id) const;

    // The most text a document's reading may keep, in UTF-8 bytes.
    static constexpr qint64 kMostDocumentTextBytes = 32 * 1024 * 1024;

    // The schema version the program writes (PRAGMA user_version).
    static constexpr int kSchemaVersion = 4;

private:
    friend class Statement;
    void addDocuments(qint64 check, const QList<StoredDocument>& documents);
    void addDocumentColumn();
    bool hasTable(const char* name) const;
    void addNotices(qint64 page, qint64 check, const QDateTime& seen, const QList<ogloszenia::Notice>& notices);
    bool hasNoticeTable() const;
    bool isForeign() const;
    int tableCount() const;
    [[noreturn]] void fail(const QString& what) const;
    qint64 pageId(const QString& page, bool create);
    void prune(qint64 page);
    void addValidatorColumns();
    bool hasColumn(const char* table, const char* column) const;

    QString m_path;
    sqlite3* m_db = nullptr;
    bool m_hasValidators = false;
    bool m_hasSameUntil = false;
    bool m_hasNoticeDocument = false;
    // Opened for reading only to look at the file before writing it.
    bool m_lookingFirst = false;
    // Statements are prepared once per connection and used again: a page
    // check asks the same few questions every time.
    struct Prepared;
    mutable std::unique_ptr<Prepared> m_prepared;
};

} // namespace historia
