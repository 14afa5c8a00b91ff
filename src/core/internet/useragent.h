#pragma once

#include <QByteArray>
#include <QString>

// The User-Agent that page requests send unless the user set another:
// "Ekowarta/<version>". Municipal servers turn away some robot agents, and a
// named program with its version is one that an administrator can tell apart.
QByteArray DefaultUserAgent();

// The User-Agent for a configured text: the default when it is empty; what
// cannot stand in an HTTP header goes (a line break would start a header of
// its own), characters beyond ASCII become '?'.
QByteArray UserAgentOf(const QString& configured);
