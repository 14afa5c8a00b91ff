// The main window while publication works on its own thread: the grid
// gives way to the step text, the window stays free, "Przerwij" ends the
// publication, and a run waits for its end.
#include "baza/baza.h"
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "publikacja/publishtask.h"
#include "support/ftptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "tform1.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

const QString kDownloadStep = QStringLiteral("Pobieranie pliku z serwera. Czekaj...");
const QString kClosing = QStringLiteral("Przetwarzanie. Czekaj ...");

bool logged(const TForm1& form, const QString& text)
{
    for (const QString& line : const_cast<TForm1&>(form).report().events())
        if (line.endsWith(text))
            return true;
    return false;
}

} // namespace

class TestPublishWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    Settings m_settings;
    std::unique_ptr<TForm1> m_form;

    TForm1& start()
    {
        {
            baza::Baza b(m_dir->path());
            b.OpenTable();
            b.table().append();
            b.table().setText(baza::Gmina, QStringLiteral("Tuchola"));
            b.table().setText(baza::Natura2000, QStringLiteral("Bory Tucholskie"));
            b.table().setText(baza::Info, QStringLiteral("http://127.0.0.1/tuchola"));
            b.table().setInteger(baza::Kod, 3);
            b.table().post();
            b.table().close();
        }
        m_form = std::make_unique<TForm1>(m_settings, *m_dialogs, m_dir->path());
        m_form->setForms(nullptr, nullptr, nullptr);
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get()))
            qWarning("the main window was not shown");
        return *m_form;
    }
    template <typename T>
    T* child(const char* name) const
    {
        return m_form->findChild<T*>(QLatin1String(name));
    }
    QString caption() const { return child<QLabel>("Panel2")->text(); }
    // The window reads config.ini when first shown; the server comes after.
    void useServer(const QString& host)
    {
        m_settings.host = host;
        m_settings.directory = QStringLiteral("/www");
        m_settings.user = QStringLiteral("ekowarta");
        m_settings.password = QStringLiteral("Tajne-Haslo.7");
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup() { m_form.reset(); }

    void silentServerLeavesTheWindowFreeUntilStopped()
    {
        const ConnectionOverride online(true);
        QTcpServer silent; // accepts and never greets
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        TForm1& form = start();
        useServer(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
        auto* publish = child<QToolButton>("SpeedButton4");
        auto* przerwij = child<QPushButton>("Przerwij");
        QVERIFY(przerwij && !przerwij->isVisible());

        publish->click(); // returns at once: the transfer is elsewhere
        QVERIFY2(form.publication().running(), qPrintable(m_dialogs->messages.join(u'|') + form.report().events().join(u'|')));
        QTRY_COMPARE(caption(), kDownloadStep);
        QVERIFY(!form.grid()->isVisible());
        QVERIFY(przerwij->isVisible());
        QVERIFY(!publish->isEnabled());

        // A run waits for the publication.
        child<QToolButton>("SpeedButton1")->click();
        QVERIFY(!form.run().active());
        QCOMPARE(m_dialogs->messages.value(0),
                 QStringLiteral("Trwa publikacja wykazu na serwerze. Poczekaj na jej koniec albo ją przerwij."));

        przerwij->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.publication().running(), 5000);
        QVERIFY(form.grid()->isVisible());
        QCOMPARE(caption(), kClosing);
        QVERIFY(!przerwij->isVisible());
        QVERIFY(publish->isEnabled());
        QVERIFY(logged(form, QStringLiteral("Publikacja przerwana. Wykaz na serwerze nie został zmieniony.")));
        QVERIFY(!logged(form, QStringLiteral("Plik wysłany.")));
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    void publishesWithTheGridBackAtTheEnd()
    {
        const ConnectionOverride online(true);
        FtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.makeDirectory(QStringLiteral("www")));
        TForm1& form = start();
        useServer(server.host());
        child<QToolButton>("SpeedButton4")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.publication().running(), 20000);
        QVERIFY(form.grid()->isVisible());
        QVERIFY(logged(form, QStringLiteral("Plik wysłany.")));
        QVERIFY(server.fileBytes(QStringLiteral("www/wykaz.txt")).contains("<b>Tuchola</b>"));
    }

    void fileErrorIsShownInABox()
    {
        const ConnectionOverride online(true);
        FtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.makeDirectory(QStringLiteral("www")));
        TForm1& form = start();
        useServer(server.host());
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("wykaz.txt"))));
        child<QToolButton>("SpeedButton4")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.publication().running(), 20000);
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY2(m_dialogs->errors.first().startsWith(QStringLiteral("Nie można")), qPrintable(m_dialogs->errors.first()));
        QVERIFY(form.grid()->isVisible());
    }

    void closingDuringPublicationAsksAndStopsIt()
    {
        const ConnectionOverride online(true);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        TForm1& form = start();
        useServer(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
        child<QToolButton>("SpeedButton4")->click();
        QTRY_COMPARE(caption(), kDownloadStep);
        m_dialogs->answers << Dialogs::Answer::No;
        form.ConfirmClose();
        QVERIFY(form.publication().running());
        QSignalSpy ended(&form, &TForm1::shutDownFinished);
        m_dialogs->answers << Dialogs::Answer::Yes;
        form.ConfirmClose();
        QCOMPARE(m_dialogs->questions.value(1),
                 QStringLiteral("Trwa publikacja wykazu na serwerze.\r\nPrzerwać ją i zamknąć program?"));
        QVERIFY(!form.publication().running());
        QCOMPARE(ended.size(), 1);
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("wykaz.txt"))));
    }
};

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestPublishWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_publishwindow.moc"
