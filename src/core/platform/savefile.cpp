#include "platform/savefile.h"

#include <QSaveFile>

bool CommitSaveFile(QSaveFile& file)
{
    if (!file.isOpen())
        return false;
    // Not cancelWriting(): that would put its own words over the reason.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return false;
    return file.commit();
}
