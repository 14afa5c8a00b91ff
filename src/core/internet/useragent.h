#pragma once

#include <QByteArray>

// The User-Agent that page requests send unless the user set another:
// "Ekowarta/<version>". Municipal servers turn away some robot agents, and a
// named program with its version is one that an administrator can tell apart.
QByteArray DefaultUserAgent();
