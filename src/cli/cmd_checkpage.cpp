// check-page: one download and measurement of a page, as a page check does
// it, without touching the register.
#include "command.h"

#include "kontrola/downloadpage.h"
#include "kontrola/pagemeasure.h"
#include "platform/clock.h"
#include "text/datevalue.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

namespace {

int runCheckPage(CliContext& c, const QStringList& arguments)
{
    QStringList args = arguments;
    TakeTodayOption(args);
    RequireNoMoreArguments(args, 1);

    QTemporaryDir dir;
    if (!dir.isValid())
        throw UsageError{QStringLiteral("nie można utworzyć katalogu tymczasowego")};
    const QString file = dir.filePath(QStringLiteral("plik_0.tmp"));

    qint32 status = 0;
    qint32 size = -1;
    QString message;
    const bool downloaded = DownloadPage(args.first(), file, status, size, message);

    qint64 rows = -1;
    qint64 tag = -1;
    bool found = false;
    double date = 0;
    if (downloaded) {
        const PageMeasures measures = MeasurePageFile(file, message);
        rows = measures.lineCount;
        tag = measures.textLength;
        found = measures.dateFound;
        date = measures.date;
    }

    c.out << "status=" << status << "\n"
          << "message=" << message << "\n"
          << "size=" << size << "\n"
          << "rows=" << rows << "\n"
          << "tag=" << tag << "\n"
          << "found=" << (found ? 1 : 0) << "\n"
          << "date=" << (found ? datevalue::toDate(date).toString(Qt::ISODate) : QString()) << "\n";
    return downloaded ? 0 : 1;
}

CommandRegistration reg({
    QStringLiteral("check-page"),
    QStringLiteral("check-page ADRES [--today RRRR-MM-DD]"),
    QStringLiteral("Pobiera stronę jak kontrola i wypisuje jej pomiary (status, komunikat, rozmiar,\n"
                   "wiersze, długość tekstu, najnowszą datę); niczego nie zapisuje.\n"
                   "--today ustala dzisiejszą datę. Kod wyjścia 0, gdy strona została pobrana."),
    runCheckPage,
});

} // namespace
