// ekowarta-cli: the register, runs and publication without a window. Every
// command works on the data directory (the executable's own, or --dir DIR)
// through the same core as the program.
#include "command.h"
#include "helptext.h"

#include "platform/datadirectory.h"
#include "platform/localzone.h"
#include "platform/programerror.h"
#include "platform/version.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

bool isHelp(const QString& a)
{
    return a == QLatin1String("--help") || a == QLatin1String("-h");
}

} // namespace

int main(int argc, char* argv[])
{
    LocalZone::ReadOnce();
    // Qt's own event loop rather than GLib's, on every thread: GLib's wakes
    // the loop with a write for every event posted, also to its own thread,
    // and a run posts several per page; Qt's writes once until the loop has
    // woken. Nothing here needs GLib's loop. Threads read it when they start,
    // so it stays set.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ekowarta-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    const QString dir = DataDirectory::takeDirArgument(args);
    if (!dir.isEmpty())
        DataDirectory::set(dir);
    // "--dir" left over had no folder after it.
    if (args.contains(QLatin1String("--dir")) || args.contains(QLatin1String("--dir="))) {
        err << "ekowarta-cli: po opcji --dir podaj katalog danych, np. --dir ~/ekowarta\n";
        return 2;
    }

    if (args.isEmpty()) {
        err << GeneralHelp(QString());
        return 2;
    }
    if (args.first() == QLatin1String("--version") || args.first() == QLatin1String("-V")) {
        out << Version::Line(QStringLiteral("ekowarta-cli")) << "\n";
        return 0;
    }
    // For the build, which makes the manual pages of this text.
    if (args.first() == QLatin1String("--manual-page") && args.size() == 2) {
        const QString page = ManualPage(args[1]);
        (page.isEmpty() ? err : out) << (page.isEmpty() ? QStringLiteral("ekowarta-cli: nie ma strony podręcznika %1\n").arg(args[1]) : page);
        return page.isEmpty() ? 2 : 0;
    }
    if (isHelp(args.first()) || args.first() == QLatin1String("help")) {
        if (args.size() >= 2 && args.first() == QLatin1String("help")) {
            const Command* command = FindCommand(args[1]);
            if (!command) {
                err << "ekowarta-cli: nieznane polecenie \"" << args[1] << "\" (zobacz --help)\n";
                return 2;
            }
            out << CommandHelp(*command);
            return 0;
        }
        out << GeneralHelp(QDir::toNativeSeparators(DataDirectory::path()));
        return 0;
    }

    const QString name = args.takeFirst();
    const Command* it = FindCommand(name);
    if (!it) {
        err << "ekowarta-cli: nieznane polecenie \"" << name << "\" (zobacz --help)\n";
        return 2;
    }
    if (std::any_of(args.begin(), args.end(), isHelp)) {
        out << CommandHelp(*it);
        return 0;
    }

    CliContext context{DataDirectory::path(), out, err};
    int status = 1;
    try {
        status = it->run(context, args);
    } catch (const UsageError& e) {
        err << "ekowarta-cli " << name << ": " << e.text << " (zobacz --help)\n";
        status = 2;
    } catch (const std::exception& e) {
        err << "ekowarta-cli " << name << ": " << ErrorText(e) << "\n";
    }
    out.flush();
    err.flush();
    return status;
}
