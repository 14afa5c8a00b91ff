#pragma once

#include <QString>

// The program's version and the day it was built (YYYY-MM-DD; the
// SOURCE_DATE_EPOCH day when the build gives one, so that a package build
// can be repeated byte for byte).
namespace Version {

QString Number();
QString BuildDate();
// "ekowarta-cli 1.0.0 (zbudowano 2026-12-10)"
QString Line(const QString& program);

} // namespace Version
