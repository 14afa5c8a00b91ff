#include "historyaccess.h"

#include "baza/fields.h"
#include "registeraccess.h"
#include "text/trimmedtext.h"

#include <QDir>

QString PageOfRecord(const CliContext& c, const QString& recNoText)
{
    baza::Baza b(c.dataDir);
    OpenRegister(b, Access::Read);
    b.table().setRecNo(ParseRecordNumber(b.table(), recNoText));
    const QString page = TrimmedText(b.table().text(baza::Info));
    b.table().close();
    if (page.isEmpty())
        throw UsageError{QStringLiteral("rekord nr %1 nie ma adresu strony informacyjnej").arg(recNoText)};
    return page;
}

void OpenHistory(historia::HistoryStore& store)
{
    store.open(historia::HistoryStore::Mode::ReadOnly);
}

QList<historia::StoredCheck> VersionsOf(const historia::HistoryStore& store, const QString& page)
{
    QList<historia::StoredCheck> out;
    for (const historia::StoredCheck& c : store.Checks(page))
        if (c.hasBody())
            out << c;
    return out;
}

historia::StoredCheck PickVersion(const QList<historia::StoredCheck>& versions, const QString& selector,
                                  const QString& option)
{
    const QString s = selector.trimmed();
    const QDateTime moment = QDateTime::fromString(s, Qt::ISODate);
    const bool byHash = s.size() >= 6 && s.size() <= 64 &&
                        std::all_of(s.begin(), s.end(), [](QChar ch) { return isxdigit(ch.toLatin1()) != 0; });
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        if (moment.isValid() && it->moment == moment)
            return *it;
        if (byHash && it->sha256.startsWith(s.toLower()))
            return *it;
    }
    throw UsageError{QStringLiteral("%1: nie ma zapisanej wersji \"%2\" (podaj chwilę kontroli RRRR-MM-DDTGG:MM:SS "
                                    "albo początek SHA-256, jak je wypisuje polecenie history)")
                         .arg(option, selector)};
}
