#include "ekowartaapplication.h"

#include "polishtranslations.h"

#include "dbf/dbferror.h"
#include "platform/dialogs.h"
#include "platform/fileerror.h"

#include <QMessageBox>

EkowartaApplication::EkowartaApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Ekowarta"));
    setApplicationDisplayName(QStringLiteral("Ekowarta"));
    setOrganizationName(QStringLiteral("Ekowarta"));
    InstallPolishTranslations(*this);
}

bool EkowartaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const dbf::DbfError& e) {
        showError(e.text());
    } catch (const FileError& e) {
        showError(e.text());
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showError(QStringLiteral("Nieznany błąd"));
    }
    return false;
}

void EkowartaApplication::showError(const QString& text)
{
    // An error raised while its own box is open is not stacked on top.
    if (m_showing)
        return;
    m_showing = true;
    if (m_dialogs)
        m_dialogs->error(text);
    else
        QMessageBox::critical(nullptr, applicationDisplayName(), text);
    m_showing = false;
}
