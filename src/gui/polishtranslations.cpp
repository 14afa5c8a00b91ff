#include "polishtranslations.h"

#include "text/systemformat.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString QtTranslationsDirectory()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool InstallPolishTranslations(QCoreApplication& app)
{
    const QLocale polish = systemformat::programLocale();
    QLocale::setDefault(polish);

    // Owned by the application, so it lives as long as the texts it gives.
    auto* translator = new QTranslator(&app);
    // qtbase_pl.qm holds the texts of Qt Core, Gui and Widgets.
    if (!translator->load(polish, QStringLiteral("qtbase"), QStringLiteral("_"), QtTranslationsDirectory())) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
