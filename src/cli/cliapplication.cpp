#include "cliapplication.h"

#include "dbf/dbferror.h"
#include "platform/fileerror.h"

QString CliApplication::s_failure;

bool CliApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (const dbf::DbfError& e) {
        if (s_failure.isEmpty())
            s_failure = e.text();
    } catch (const FileError& e) {
        if (s_failure.isEmpty())
            s_failure = e.text();
    } catch (const std::exception& e) {
        if (s_failure.isEmpty())
            s_failure = QString::fromLocal8Bit(e.what());
    }
    exit(1);
    return false;
}

QString CliApplication::failure()
{
    return s_failure;
}
