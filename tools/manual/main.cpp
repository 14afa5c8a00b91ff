// ekowarta-manual: docs/instrukcja.md → instrukcja.pdf, run by the build.
#include "manualdocument.h"

#include <QGuiApplication>
#include <QTextStream>

namespace {

// The build runs this tool without a session; Qt's note about the missing
// runtime directory is of no use in a build log.
QtMessageHandler standard = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    standard(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    // Fonts and layout need a GUI application, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    standard = qInstallMessageHandler(quietHandler);
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "Użycie: ekowarta-manual INSTRUKCJA.md INSTRUKCJA.pdf\n";
        return 2;
    }
    const QString problem =
        WriteManualPdf({args[1], args[2], QStringLiteral("Ekowarta – instrukcja obsługi")});
    if (!problem.isEmpty()) {
        err << "ekowarta-manual: " << problem << "\n";
        return 1;
    }
    return 0;
}
