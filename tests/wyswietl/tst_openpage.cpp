// The main window's ways of opening a page: the popup's three items with
// the current record's addresses as stored, and the StronaInfo label.
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "kontrola/twyswietl.h"
#include "platform/livethreads.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "tform1.h"

#include <QAction>
#include <QLabel>
#include <QTableView>
#include <QtTest>

using Response = HttpTestServer::Response;

class TestOpenPage : public QObject
{
    Q_OBJECT

    HttpTestServer m_server;
    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
    Settings m_settings;
    std::unique_ptr<TForm1> m_form;

    void waitForOpeners()
    {
        QTRY_VERIFY_WITH_TIMEOUT(LiveThreads::count() == 0, 20000);
        QCoreApplication::processEvents(); // the last deleteLater
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        m_server.route("/dom", Response::html("<html></html>"));
        m_server.route("/info", Response::statusPage(404, "Not Found"));
        baza::Baza b(m_dir.path());
        b.OpenTable();
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Pierwsza"));
        b.table().post();
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Druga"));
        // Stored with blanks around: the opener trims.
        b.table().setText(baza::Dom,
                          QStringLiteral(" ") + m_server.hostAndPort() + QStringLiteral("/dom"));
        b.table().setText(baza::Info, m_server.url(QStringLiteral("/info")));
        b.table().post();
        b.table().close();
        m_form = std::make_unique<TForm1>(m_settings, m_dialogs, m_dir.path());
        m_form->show();
        QCoreApplication::processEvents();
        m_form->grid()->setCurrentIndex(m_form->grid()->model()->index(1, baza::Gmina));
        QCoreApplication::processEvents();
        QCOMPARE(m_form->baza().table().recNo(), 2);
    }
    void cleanupTestCase()
    {
        m_form.reset();
    }
    void init()
    {
        m_dialogs.messages.clear();
        m_server.clearRequests();
    }

    void popupItems_data();
    void popupItems();
    void labelOpensItsText();
};

void TestOpenPage::popupItems_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // %1 = http://127.0.0.1:PORT
    QTest::addColumn<QString>("opened");  // %2 = 127.0.0.1:PORT
    QTest::newRow("home page opens as stored, trimmed") << "dom1"
                                                        << "Otwórz stronę domową"
                                                        << ""
                                                        << "%2/dom";
    QTest::newRow("information page not found")
        << "info1"
        << "Otwórz stronę informacyjną"
        << "Nie można znaleźć strony w Internecie: \r\n%1/info"
        << "";
    QTest::newRow("empty BIP address") << "bip1"
                                       << "Otwórz stronę BIP"
                                       << "Strona internetowa nie została wpisana !"
                                       << "";
}

void TestOpenPage::popupItems()
{
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, opened);
    const ConnectionOverride online(true);
    const ShellRecorder shell;
    const QString base = m_server.url(QStringLiteral("/")).chopped(1);
    auto expand = [&](QString s) {
        return s.replace(QLatin1String("%1"), base)
            .replace(QLatin1String("%2"), m_server.hostAndPort());
    };
    auto* item = m_form->findChild<QAction*>(action);
    QVERIFY(item);
    QCOMPARE(item->text(), text);
    item->trigger();
    waitForOpeners();
    QTRY_COMPARE(m_dialogs.messages,
                 message.isEmpty() ? QStringList() : QStringList{expand(message)});
    QCOMPARE(shell.opened(), opened.isEmpty() ? QStringList() : QStringList{expand(opened)});
}

void TestOpenPage::labelOpensItsText()
{
    // Before a run the label shows its initial text; offline, it says so
    // without going to the network.
    const ConnectionOverride offline(false);
    const ShellRecorder shell;
    auto* label = m_form->findChild<QLabel*>(QStringLiteral("StronaInfo"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("StronaInfo"));
    QTest::mouseClick(label, Qt::LeftButton);
    waitForOpeners();
    QTRY_COMPARE(m_dialogs.messages, QStringList{TWyswietl::kNoConnection});

    // With a page address in it, the page opens.
    m_dialogs.messages.clear();
    const ConnectionOverride online(true);
    label->setText(m_server.url(QStringLiteral("/dom")));
    QTest::mouseClick(label, Qt::LeftButton);
    waitForOpeners();
    QCOMPARE(shell.opened(), QStringList{m_server.url(QStringLiteral("/dom"))});
    QVERIFY(m_dialogs.messages.isEmpty());
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestOpenPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_openpage.moc"
