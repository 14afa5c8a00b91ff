#include "ekowartaapplication.h"

#include "polishtranslations.h"

EkowartaApplication::EkowartaApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Ekowarta"));
    setApplicationDisplayName(QStringLiteral("Ekowarta"));
    setOrganizationName(QStringLiteral("Ekowarta"));
    InstallPolishTranslations(*this);
}
