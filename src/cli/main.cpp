// ekowarta-cli: the register, runs and publication without a window. Every
// command works on the data directory (the executable's own, or --dir DIR)
// through the same core as the program.
#include "command.h"

#include "platform/datadirectory.h"
#include "platform/programerror.h"

#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

void printHelp(QTextStream& out)
{
    out << "Użycie: ekowarta-cli [--dir KATALOG] POLECENIE [ARGUMENTY]\n\n"
        << "Rejestr gmin (baza.dbf), kontrola stron i publikacja bez okna programu.\n"
        << "--dir KATALOG   katalog danych (domyślnie katalog programu)\n\n"
        << "Polecenia:\n";
    QList<Command> commands = Commands();
    std::sort(commands.begin(), commands.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    for (const Command& c : commands) {
        out << "  " << c.synopsis << "\n";
        for (const QString& line : c.help.split(QLatin1Char('\n')))
            out << "      " << line << "\n";
    }
    out << "\nKod wyjścia: 0 sukces; inny przy błędzie (komunikat na stderr).\n";
}

} // namespace

int main(int argc, char* argv[])
{
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

    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h") ||
        args.first() == QLatin1String("help")) {
        printHelp(out);
        return args.isEmpty() ? 2 : 0;
    }

    const QString name = args.takeFirst();
    const auto& commands = Commands();
    const auto it = std::find_if(commands.begin(), commands.end(), [&](const Command& c) { return c.name == name; });
    if (it == commands.end()) {
        err << "ekowarta-cli: nieznane polecenie \"" << name << "\" (zobacz --help)\n";
        return 2;
    }
    if (args.contains(QLatin1String("--help"))) {
        out << "Użycie: ekowarta-cli [--dir KATALOG] " << it->synopsis << "\n";
        for (const QString& line : it->help.split(QLatin1Char('\n')))
            out << "  " << line << "\n";
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
