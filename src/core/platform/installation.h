#pragma once

#include <QString>

// Where an installed program finds its shared files. `cmake --install` and
// the .deb put the programs into <prefix>/bin and the manual into
// <prefix>/share/ekowarta; a program run from the build tree or from a
// copied folder has no such folder beside it.
namespace Installation {

// <prefix>/share/ekowarta for a program in <prefix>/bin, when that folder
// exists; empty otherwise.
QString SharedDirectory(const QString& executableDirectory);

// The user's manual: instrukcja.pdf of the data directory (a copied folder
// carries its own), else the installed one; empty when neither exists.
QString ManualFile(const QString& dataDirectory, const QString& executableDirectory);

} // namespace Installation
