#include "helptext.h"

#include "platform/programhelp.h"
#include "platform/version.h"

#include <QStringList>

#include <algorithm>

namespace {

QList<Command> sortedCommands()
{
    QList<Command> commands = Commands();
    std::sort(commands.begin(), commands.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    return commands;
}

const QString kUsage = QStringLiteral("Użycie: ekowarta-cli [--dir KATALOG] POLECENIE [ARGUMENTY]\n"
                                      "       ekowarta-cli help [POLECENIE] | --help | --version\n");
const QString kSummary = QStringLiteral("Rejestr gmin (baza.dbf), kontrola stron i publikacja bez okna programu.");
const QString kExit = QStringLiteral("Kod wyjścia: 0 sukces; 2 błędne argumenty; inny przy błędzie (komunikat na stderr).");

// man(7): backslashes and hyphens escaped, a line never begins with a
// control character.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e")).replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

QString roffLines(const QStringList& lines)
{
    QString out;
    for (const QString& l : lines)
        out += roff(l) + QLatin1Char('\n');
    return out;
}

QString header(const QString& program, const QString& summary)
{
    return QStringLiteral(".TH %1 1 \"%2\" \"Ekowarta %3\" \"Polecenia użytkownika\"\n"
                          ".SH NAZWA\n%4 \\- %5\n")
        .arg(program.toUpper(), Version::BuildDate(), Version::Number(), roff(program), roff(summary));
}

QString filesSection()
{
    QString out = QStringLiteral(".SH PLIKI\nW katalogu danych:\n");
    for (const ProgramHelp::Option& f : ProgramHelp::DataFiles())
        out += QStringLiteral(".TP\n.I %1\n%2\n").arg(roff(f.name), roff(f.text));
    return out;
}

} // namespace

const Command* FindCommand(const QString& name)
{
    const auto& commands = Commands();
    const auto it = std::find_if(commands.begin(), commands.end(), [&](const Command& c) { return c.name == name; });
    return it == commands.end() ? nullptr : &*it;
}

QString GeneralHelp(const QString& dataFolderNow)
{
    QString out = kUsage + QLatin1Char('\n') + kSummary + QStringLiteral("\n\n");
    out += QStringLiteral("--dir KATALOG   katalog danych (rejestr, ustawienia, historia stron)\n");
    out += QStringLiteral("--help, -h      ten opis; POLECENIE --help albo help POLECENIE: opis polecenia\n");
    out += QStringLiteral("--version       wersja programu i data zbudowania\n\n");
    out += ProgramHelp::DataFolderRule() + QLatin1Char('\n');
    if (!dataFolderNow.isEmpty())
        out += QStringLiteral("Tutaj jest to: %1\n").arg(dataFolderNow);
    out += QLatin1Char('\n') + ProgramHelp::RecordNumbers().join(QLatin1Char('\n')) + QStringLiteral("\n\nPolecenia:\n");
    for (const Command& c : sortedCommands()) {
        out += QStringLiteral("  ") + c.synopsis + QLatin1Char('\n');
        for (const QString& line : c.help.split(QLatin1Char('\n')))
            out += QStringLiteral("      ") + line + QLatin1Char('\n');
    }
    out += QLatin1Char('\n') + kExit + QLatin1Char('\n');
    return out;
}

QString CommandHelp(const Command& command)
{
    QString out = QStringLiteral("Użycie: ekowarta-cli [--dir KATALOG] ") + command.synopsis + QLatin1Char('\n');
    for (const QString& line : command.help.split(QLatin1Char('\n')))
        out += QStringLiteral("  ") + line + QLatin1Char('\n');
    if (command.synopsis.contains(QLatin1String("RECNO")))
        out += QLatin1Char('\n') + ProgramHelp::RecordNumbers().join(QLatin1Char('\n')) + QLatin1Char('\n');
    return out;
}

QString ManualPage(const QString& program)
{
    if (program == QLatin1String("ekowarta")) {
        QString out = header(program, ProgramHelp::WindowSummary());
        out += QStringLiteral(".SH SKŁADNIA\n") + roff(ProgramHelp::WindowSynopsis()) + QLatin1Char('\n');
        out += QStringLiteral(".SH OPIS\n");
        for (const QString& p : ProgramHelp::WindowDescription())
            out += roff(p) + QStringLiteral("\n.PP\n");
        out += roff(ProgramHelp::DataFolderRule()) + QLatin1Char('\n');
        out += QStringLiteral(".SH OPCJE\n");
        for (const ProgramHelp::Option& o : ProgramHelp::WindowOptions())
            out += QStringLiteral(".TP\n.B %1\n%2\n").arg(roff(o.name), roff(o.text));
        out += filesSection();
        out += QStringLiteral(".SH ZOBACZ TAKŻE\n.BR ekowarta\\-cli (1)\n");
        return out;
    }
    if (program != QLatin1String("ekowarta-cli"))
        return {};
    QString out = header(program, QStringLiteral("rejestr gmin, kontrola stron i publikacja bez okna programu"));
    out += QStringLiteral(".SH SKŁADNIA\n.nf\n") + roffLines(kUsage.mid(8).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) +
           QStringLiteral(".fi\n");
    out += QStringLiteral(".SH OPIS\n") + roff(kSummary) + QStringLiteral("\n.PP\n") + roff(ProgramHelp::DataFolderRule()) +
           QLatin1Char('\n');
    out += QStringLiteral(".SH OPCJE\n.TP\n.B \\-\\-dir KATALOG\nkatalog danych (rejestr, ustawienia, historia stron)\n"
                          ".TP\n.B \\-\\-help, \\-h\nopis programu; POLECENIE \\-\\-help albo help POLECENIE: opis polecenia\n"
                          ".TP\n.B \\-\\-version\nwersja programu i data zbudowania\n");
    out += QStringLiteral(".SH POLECENIA\n");
    for (const Command& c : sortedCommands())
        out += QStringLiteral(".TP\n.B %1\n.nf\n").arg(roff(c.synopsis)) + roffLines(c.help.split(QLatin1Char('\n'))) +
               QStringLiteral(".fi\n");
    out += QStringLiteral(".SH NUMERY REKORDÓW\n") + roffLines(ProgramHelp::RecordNumbers());
    out += QStringLiteral(".SH KOD WYJŚCIA\n") + roff(kExit) + QLatin1Char('\n');
    out += filesSection();
    out += QStringLiteral(".SH ZOBACZ TAKŻE\n.BR ekowarta (1),\n.BR systemctl (1)\n");
    return out;
}
