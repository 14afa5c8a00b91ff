#include "platform/programerror.h"

#include <new>

QString ErrorText(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const ProgramError*>(&e))
        return own->text();
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return QStringLiteral("Za mało pamięci, aby wykonać tę operację");
    // Our own texts thrown as plain runtime errors are UTF-8.
    return QString::fromUtf8(e.what());
}
