// ekowarta-icon OUTDIR SIZE…: OUTDIR/hicolor/SxS/apps/ekowarta.png for each
// size, drawn by the same code as the window's icon.
#include "appicon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        err << "Użycie: ekowarta-icon KATALOG ROZMIAR…\n";
        return 2;
    }
    for (const QString& sizeText : args.mid(2)) {
        const int size = sizeText.toInt();
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(args[1]).arg(size);
        const QPixmap picture = AppIcon().pixmap(QSize(size, size));
        if (size <= 0 || !QDir().mkpath(dir) || picture.width() != size ||
            !picture.save(dir + QStringLiteral("/ekowarta.png"))) {
            err << "ekowarta-icon: nie można zapisać ikony " << sizeText << " w " << dir << "\n";
            return 1;
        }
    }
    return 0;
}
