// Opening a file no program takes, with the real xdg-open of xdg-utils and
// a desktop that has (or lacks) a handler for PDF files: the main window
// names the manual's file and folder instead of doing nothing; a second
// window on the same register ends after its message.
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "platform/installation.h"
#include "platform/shell.h"
#include "support/scripteddialogs.h"
#include "support/testdata.h"
#include "support/widgetlookup.h"
#include "tform1.h"

#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

class TestNoProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TForm1> m_form;
    QString m_program; // the folder with instrukcja.pdf
    QByteArray m_path;

    // A desktop session of its own: no handlers but those the test writes,
    // no browser to fall back on, no mailcap rule for PDF.
    void ownDesktop()
    {
        for (const char* name : {"BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "MAILCAPS"})
            qunsetenv(name);
        qputenv("DISPLAY", ":99"); // xdg-open asks the desktop's handlers only with a display
        qputenv("HOME", m_dir->filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("share")).toUtf8());
        qputenv("XDG_DATA_DIRS", m_dir->filePath(QStringLiteral("none")).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toUtf8());
        qputenv("MAILCAPS", m_dir->filePath(QStringLiteral("mailcap")).toUtf8());
        QDir().mkpath(m_dir->filePath(QStringLiteral("home")));
    }

    void clickManual()
    {
        m_form = std::make_unique<TForm1>(*m_settings, *m_dialogs, m_dir->filePath(QStringLiteral("dane")));
        m_form->show();
        QCoreApplication::processEvents();
        childNamed<QToolButton>(*m_form, "SpeedButton7")->click();
    }

private Q_SLOTS:
    void initTestCase() { m_path = qgetenv("PATH"); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_settings = std::make_unique<Settings>();
        QDir().mkpath(m_dir->filePath(QStringLiteral("dane")));
        m_program = m_dir->filePath(QStringLiteral("program"));
        QDir().mkpath(m_program);
        QVERIFY(testdata::writeAll(m_program + QStringLiteral("/instrukcja.pdf"), "%PDF-1.4\n%%EOF\n"));
        Installation::SetProgramDirectory(m_program);
        Shell::setAsyncOpener([](const QString& address, Shell::Done done) { Shell::XdgOpenAsync(address, done); });
        ownDesktop();
    }
    void cleanup()
    {
        m_form.reset();
        Shell::setAsyncOpener({});
        Installation::SetProgramDirectory(QString());
        qputenv("PATH", m_path);
    }

    void noProgramForPdfNamesTheFile()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            QSKIP("xdg-utils is not installed");
        clickManual();
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->messages.size(), 1, 10000);
        const QString text = m_dialogs->messages.first();
        QVERIFY2(text.startsWith(QStringLiteral("Nie można otworzyć instrukcji obsługi: w systemie nie ma programu, "
                                                "który otwiera takie pliki. Plik instrukcja.pdf leży w katalogu ") +
                                 m_program),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("przeglądarkę plików PDF")));
    }

    void withoutXdgOpenItSaysWhatIsMissing()
    {
        qputenv("PATH", m_dir->filePath(QStringLiteral("no-programs-here")).toUtf8());
        clickManual();
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->messages.size(), 1, 10000);
        QVERIFY2(m_dialogs->messages.first().contains(QStringLiteral("xdg-open (pakiet xdg-utils)")),
                 qPrintable(m_dialogs->messages.first()));
        QVERIFY(m_dialogs->messages.first().contains(m_program));
    }

    // The same desktop with a program for PDF files: it gets the manual
    // and nothing is said.
    void aHandlerTakesTheManual()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            QSKIP("xdg-utils is not installed");
        const QString opened = m_dir->filePath(QStringLiteral("opened"));
        const QString viewer = m_dir->filePath(QStringLiteral("viewer.sh"));
        QVERIFY(testdata::writeAll(viewer, "#!/bin/sh\necho \"$1\" > '" + opened.toUtf8() + "'\n"));
        QFile::setPermissions(viewer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString apps = m_dir->filePath(QStringLiteral("share/applications"));
        QDir().mkpath(apps);
        QVERIFY(testdata::writeAll(apps + QStringLiteral("/przegladarka.desktop"),
                                   "[Desktop Entry]\nType=Application\nName=PDF\nExec=" + viewer.toUtf8() +
                                       " %f\nMimeType=application/pdf;\n"));
        QVERIFY(testdata::writeAll(apps + QStringLiteral("/mimeapps.list"),
                                   "[Default Applications]\napplication/pdf=przegladarka.desktop\n"));
        clickManual();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(opened), 10000);
        QCOMPARE(testdata::readAll(opened).trimmed(), (m_program + QStringLiteral("/instrukcja.pdf")).toUtf8());
        QTest::qWait(200);
        QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join(QLatin1Char('|'))));
    }
};

int main(int argc, char* argv[])
{
    EkowartaApplication app(argc, argv);
    TestNoProgram test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_noprogram.moc"
