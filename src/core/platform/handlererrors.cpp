#include "platform/handlererrors.h"

#include "platform/dialogs.h"
#include "platform/programerror.h"

#include <exception>

bool RunHandler(const std::function<void(const QString&)>& onError, const std::function<void()>& handler)
{
    QString text;
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        text = ErrorText(e);
    } catch (...) {
        text = QStringLiteral("Nieznany błąd");
    }
    onError(text);
    return false;
}

bool RunHandler(Dialogs& dialogs, const std::function<void()>& handler)
{
    // An error raised while its own box is open (a timer's handler, say) is
    // not stacked on top of it.
    static bool showing = false;
    return RunHandler(
        [&dialogs](const QString& text) {
            if (showing)
                return;
            showing = true;
            dialogs.error(text);
            showing = false;
        },
        handler);
}
