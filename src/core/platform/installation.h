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
// carries its own), else the one beside the program, else the installed
// one; empty when none exists.
QString ManualFile(const QString& dataDirectory, const QString& executableDirectory);

// The folder of the program file (QCoreApplication's); tests point it at a
// folder of their own. An empty text goes back to the real one.
QString ProgramDirectory();
void SetProgramDirectory(const QString& directory);

} // namespace Installation
