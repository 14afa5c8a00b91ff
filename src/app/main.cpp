// ekowarta: the program with its windows.
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "platform/datadirectory.h"
#include "platform/livethreads.h"
#include "platform/localzone.h"
#include "platform/programhelp.h"
#include "platform/version.h"
#include "platform/shell.h"
#include "qtdialogs.h"
#include "screenshot.h"
#include "tform1.h"
#include "tform3.h"
#include "tform4.h"
#include "tform5.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTextStream>
#include <QThread>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace {

// --help and --version need no screen: they are answered before the
// application opens one.
bool answeredWithoutWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--version") {
            QCoreApplication app(argc, argv);
            QTextStream(stdout) << Version::Line(QStringLiteral("ekowarta")) << "\n";
            return true;
        }
        if (a == "--help" || a == "-h") {
            QCoreApplication app(argc, argv);
            QTextStream out(stdout);
            out << "Użycie: " << ProgramHelp::WindowSynopsis() << "\n\n";
            for (const QString& p : ProgramHelp::WindowDescription())
                out << p << "\n\n";
            for (const ProgramHelp::Option& o : ProgramHelp::WindowOptions())
                out << o.name.leftJustified(16) << o.text << "\n";
            out << "\n" << ProgramHelp::DataFolderRule() << "\n";
            out << "Tutaj jest to: " << QDir::toNativeSeparators(DataDirectory::path()) << "\n";
            out << "Wiersz poleceń: ekowarta-cli --help; podręcznik: man ekowarta.\n";
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    LocalZone::ReadOnce();
    if (answeredWithoutWindow(argc, argv))
        return 0;
    EkowartaApplication app(argc, argv);
    QStringList arguments = app.arguments();
    const QString dir = DataDirectory::takeDirArgument(arguments);
    if (!dir.isEmpty())
        DataDirectory::set(dir);

    // Page openers ask from their own threads; the desktop services are
    // asked from the main thread only.
    Shell::setOpener([&app](const QString& address) {
        bool opened = false;
        auto open = [&] { opened = QDesktopServices::openUrl(QUrl::fromUserInput(address)); };
        if (QThread::currentThread() == app.thread()) {
            open();
            return opened;
        }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
        // The desktop services only start xdg-open and never hear that it
        // found no browser; a page opener's own thread may wait for its answer.
        const QString url = QUrl::fromUserInput(address).toString();
        switch (Shell::OpenWithXdgOpen(url)) {
        case Shell::XdgOpen::Opened: return true;
        case Shell::XdgOpen::Failed: return false;
        case Shell::XdgOpen::Missing: break; // the desktop services look for a browser of their own
        }
#endif
        QMetaObject::invokeMethod(&app, open, Qt::BlockingQueuedConnection);
        return opened;
    });

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Files the window opens (the manual, a saved version): xdg-open tells
    // whether any program took them, without the window waiting for it.
    Shell::setAsyncOpener([](const QString& address, Shell::Done done) {
        Shell::XdgOpenAsync(address, [address, done](Shell::XdgOpen outcome) {
            // Without xdg-open the desktop services may still have a way.
            if (outcome == Shell::XdgOpen::Missing && QDesktopServices::openUrl(QUrl(address)))
                outcome = Shell::XdgOpen::Opened;
            done(outcome);
        });
    });
#endif

    QtDialogs dialogs;
    Settings settings;

    // The four windows, in this order, all living until the end.
    TForm1 form1(settings, dialogs, DataDirectory::path());
    dialogs.setParentWidget(&form1);
    dialogs.setDataDirectory(DataDirectory::path());
    TForm3 form3(form1.baza(), dialogs, &form1);
    TForm4 form4(settings, dialogs, DataDirectory::file(QStringLiteral("config.ini")), &form1);
    TForm5 form5(&form1);
    form1.setForms(&form3, &form4, &form5);
    QObject::connect(&form1, &TForm1::shutDownFinished, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    ScheduleScreenshot(arguments, &form1, {&form3, &form4, &form5});

    form1.show();
    const int status = app.exec();

    // Page checks and page openers still running are not waited for: the
    // table is packed and closed, so the process may end under them.
    if (LiveThreads::count() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
