#pragma once

#include <QByteArray>

namespace dbf {

// Sort key of a character field: Polish alphabetical order (a ą b c ć … z ź
// ż), capitals with their small letters, digits before letters; the raw
// bytes follow as the tie-break so that the order is total.
QByteArray characterSortKey(QByteArrayView windows1250);

} // namespace dbf
