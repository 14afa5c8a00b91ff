#pragma once

#include <QString>

// What the program says when a command must wait for the run to end
// (publication, import, closing), in the wording users know.
inline QString RunActiveText()
{
    return QStringLiteral("Program jeszcze analizuje strony inernetowe.");
}
