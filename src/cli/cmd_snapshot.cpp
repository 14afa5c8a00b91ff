// snapshot: a stored version of a record's page written out as it was
// received, with its SHA-256 and the moment it was fetched.
#include "command.h"
#include "historyaccess.h"

#include "historia/packing.h"
#include "platform/fileerror.h"

#include <QFile>
#include <QSaveFile>

namespace {

int runSnapshot(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    QString out;
    QString which;
    if (!TakeOption(args, QStringLiteral("--out"), &out) || out.isEmpty())
        throw UsageError{QStringLiteral("podaj plik: --out PLIK")};
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
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
        throw FileError::cannotWrite(out, file.errorString());
    c.out << "SHA-256: " << v.sha256 << '\n'
          << "Pobrano: " << v.moment.toString(Qt::ISODate) << '\n'
          << "Adres: " << v.address.trimmed() << '\n';
    return 0;
}

CommandRegistration reg({
    QStringLiteral("snapshot"),
    QStringLiteral("snapshot RECNO --out PLIK [--version WERSJA]"),
    QStringLiteral("Zapisuje do PLIKU zapisaną wersję strony rekordu dokładnie taką, jaką pobrano\n"
                   "(domyślnie ostatnią), i wypisuje jej SHA-256, chwilę pobrania i adres. WERSJA jak\n"
                   "w poleceniu diff."),
    runSnapshot,
});

} // namespace
