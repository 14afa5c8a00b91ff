#include "kontrola/twyswietl.h"

#include "internet/checkconnection.h"
#include "internet/pageexists.h"
#include "platform/dialogs.h"
#include "platform/livethreads.h"
#include "platform/shell.h"
#include "text/trimmedtext.h"

#include <QCoreApplication>

const QString TWyswietl::kNoAddress = QStringLiteral("Strona internetowa nie została wpisana !");
const QString TWyswietl::kNoConnection = QStringLiteral("Brak połączenia z Internetem !");
const QString TWyswietl::kNotFound = QStringLiteral("Nie można znaleźć strony w Internecie: ");
const QString TWyswietl::kNoBrowser =
    QStringLiteral("Nie można otworzyć strony: nie znaleziono przeglądarki internetowej. Zainstaluj przeglądarkę "
                   "albo wybierz domyślną w ustawieniach systemu.");

TWyswietl::TWyswietl(const QString& address, Dialogs& dialogs)
    : m_address(address), m_dialogs(dialogs)
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    LiveThreads::started();
    start();
}

TWyswietl::~TWyswietl() = default;

void TWyswietl::run()
{
    // Counted off here rather than in the destructor: once the loop of the
    // main thread has ended, nobody deletes us any more.
    struct Counted
    {
        ~Counted() { LiveThreads::finished(); }
    } counted;
    Execute();
}

void TWyswietl::Execute()
{
    const QString a = TrimmedText(m_address);
    if (a.isEmpty()) {
        m_message = kNoAddress;
        ShowNotice();
        return;
    }
    if (!CheckConnection()) {
        m_message = kNoConnection;
        ShowNotice();
        return;
    }
    if (PageExists(a)) {
        // The address as typed: "http://" is only for our own request. A
        // browser that starts and fails tells by itself; when none starts at
        // all, nobody else would.
        if (!Shell::open(a)) {
            m_message = kNoBrowser + QStringLiteral("\r\n") + a;
            ShowNotice();
        }
        return;
    }
    m_message = kNotFound + QStringLiteral("\r\n") + a;
    ShowNotice();
}

void TWyswietl::ShowNotice()
{
    // The box belongs to the main thread; this thread waits until it is
    // closed.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { m_dialogs.message(m_message); },
        Qt::BlockingQueuedConnection);
}
