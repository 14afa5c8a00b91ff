// snapshot: a stored version of a record's page, or a document one of its
// checks read, written out as it was received, with its SHA-256 and the
// moment it was fetched.
#include "command.h"
#include "historyaccess.h"

#include "historia/packing.h"
#include "platform/fileerror.h"
#include "platform/systemerror.h"
#include "platform/savefile.h"

#include <QFile>
#include <QSaveFile>

namespace {

void writeOut(const QString& out, const QByteArray& body)
{
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !CommitSaveFile(file))
        throw FileError::cannotWrite(out, SystemError::FileReason(file));
}

// The document's number is the one `history` prints beside it.
int writeDocument(CliContext& c, const QString& number, const QString& out)
{
    bool ok = false;
    const qint64 id = number.toLongLong(&ok);
    if (!ok || id <= 0)
        throw UsageError{QStringLiteral("błędny numer dokumentu: %1").arg(number)};
    historia::HistoryStore store(historia::HistoryStore::PathIn(c.dataDir));
    OpenHistory(store);
    const std::optional<historia::StoredDocument> d = store.Document(id);
    if (!d)
        throw std::runtime_error(QStringLiteral("w historii stron nie ma dokumentu nr %1").arg(id).toStdString());
    if (!d->fetched())
        throw std::runtime_error(QStringLiteral("dokumentu nr %1 nie pobrano: %2").arg(id).arg(d->reason).toStdString());
    const QByteArray body = store.DocumentBody(id);
    if (historia::Sha256Hex(body) != d->sha256)
        throw std::runtime_error("zapisany dokument jest uszkodzony (SHA-256 się nie zgadza)");
    writeOut(out, body);
    c.out << "SHA-256: " << d->sha256 << '\n'
          << "Pobrano: " << d->moment.toString(Qt::ISODate) << '\n'
          << "Adres: " << d->address << '\n'
          << "Rodzaj: " << (d->type.isEmpty() ? QStringLiteral("-") : d->type) << '\n';
    return 0;
}

int runSnapshot(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    QString out;
    QString which;
    QString document;
    if (!TakeOption(args, QStringLiteral("--out"), &out) || out.isEmpty())
        throw UsageError{QStringLiteral("podaj plik: --out PLIK")};
    if (TakeOption(args, QStringLiteral("--document"), &document)) {
        RequireNoMoreArguments(args, 0);
        return writeDocument(c, document, out);
    }
    const bool hasVersion = TakeOption(args, QStringLiteral("--version"), &which);
    RequireNoMoreArguments(args, 1);
    const QString page = PageOfRecord(c, args[0]);
    historia::HistoryStore store(historia::HistoryStore::PathIn(c.dataDir));
    OpenHistory(store);
    const QList<historia::StoredCheck> versions = VersionsOf(store, page);
    if (versions.isEmpty())
        throw std::runtime_error("strona nie ma jeszcze zapisanej wersji");
    const historia::StoredCheck v = hasVersion ? PickVersion(versions, which, QStringLiteral("--version")) : versions.last();

    const QByteArray body = store.Body(v.sha256);
    // The evidence must be what was received: checked before it is written.
    if (historia::Sha256Hex(body) != v.sha256)
        throw std::runtime_error("zapisana wersja strony jest uszkodzona (SHA-256 się nie zgadza)");
    writeOut(out, body);
    c.out << "SHA-256: " << v.sha256 << '\n'
          << "Pobrano: " << v.moment.toString(Qt::ISODate) << '\n'
          << "Adres: " << v.address.trimmed() << '\n';
    return 0;
}

CommandRegistration reg({
    QStringLiteral("snapshot"),
    QStringLiteral("snapshot RECNO --out PLIK [--version WERSJA] | snapshot --document NR --out PLIK"),
    QStringLiteral("Zapisuje do PLIKU zapisaną wersję strony rekordu dokładnie taką, jaką pobrano\n"
                   "(domyślnie ostatnią), i wypisuje jej SHA-256, chwilę pobrania i adres. WERSJA jak\n"
                   "w poleceniu diff.\n"
                   "--document NR  zapisuje zamiast strony dokument podlinkowany na niej (PDF, DOCX,\n"
                   "               podstronę …) o numerze NR z polecenia history, taki, jaki pobrano;\n"
                   "               wypisuje też jego rodzaj"),
    runSnapshot,
});

} // namespace
