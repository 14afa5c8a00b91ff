#include "platform/programhelp.h"

namespace ProgramHelp {

QString DataFolderRule()
{
    return QStringLiteral("Domyślny katalog danych: w programie zainstalowanym z pakietu ~/.local/share/ekowarta "
                          "($XDG_DATA_HOME/ekowarta); w programie zbudowanym ze źródeł albo skopiowanym do "
                          "katalogu, w którym można zapisywać – katalog samego programu.");
}

QStringList RecordNumbers()
{
    return {QStringLiteral("RECNO to numer rekordu w pliku baza.dbf (pierwsza kolumna polecenia list)."),
            QStringLiteral("Okno programu pokazuje kolumnę LP: numer nadany rekordowi przy dopisaniu, który"),
            QStringLiteral("się nie zmienia. Zwykle LP = RECNO, ale po usunięciu rekordów i spakowaniu rejestru"),
            QStringLiteral("numery się rozchodzą. Zamiast RECNO można podać lp:N, czyli rekord o LP równym N,"),
            QStringLiteral("gdy w rejestrze jest dokładnie jeden taki rekord.")};
}

QString WindowSynopsis()
{
    return QStringLiteral("ekowarta [--dir KATALOG]");
}

QString WindowSummary()
{
    return QStringLiteral("monitoring stron gmin w obszarach Natura 2000");
}

QStringList WindowDescription()
{
    return {QStringLiteral("Ekowarta pilnuje stron internetowych gmin leżących w obszarach Natura 2000, na których "
                           "gminy publikują informacje o dokumentach dotyczących środowiska. Okno programu "
                           "pokazuje rejestr gmin (jedna pozycja na parę gmina – obszar Natura 2000), kontroluje "
                           "ich strony, koloruje zmienione pozycje i publikuje wykaz zmian na serwerze FTP."),
            QStringLiteral("Kontrolę można zaplanować codziennie o stałej godzinie (okno konfiguracji, zakładka "
                           "\"Harmonogram\", albo ekowarta-cli schedule); odbywa się wtedy także przy zamkniętym "
                           "programie. Instrukcja obsługi otwiera się klawiszem F1.")};
}

QList<Option> WindowOptions()
{
    return {{QStringLiteral("--dir KATALOG"), QStringLiteral("katalog danych zamiast domyślnego")},
            {QStringLiteral("--help, -h"), QStringLiteral("ten opis")},
            {QStringLiteral("--version"), QStringLiteral("wersja programu i data zbudowania")}};
}

QList<Option> DataFiles()
{
    return {{QStringLiteral("baza.dbf"), QStringLiteral("rejestr gmin (tabela dBase poziomu 7)")},
            {QStringLiteral("config.ini"), QStringLiteral("ustawienia programu")},
            {QStringLiteral("historia.sqlite"), QStringLiteral("historia sprawdzonych stron")},
            {QStringLiteral("harmonogram.txt"), QStringLiteral("wynik ostatniej zaplanowanej kontroli")},
            {QStringLiteral("~/.config/systemd/user/ekowarta-kontrola-*.timer"),
             QStringLiteral("licznik systemd zaplanowanej kontroli (i usługa .service obok)")}};
}

} // namespace ProgramHelp
