#pragma once

#include <QString>

// Size in bytes of a file, or -1 when it does not exist or cannot be opened
// for reading.
qint64 FileSizeOf(const QString& path);
