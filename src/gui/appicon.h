#pragma once

#include <QIcon>

// The program's icon (window, tray, desktop entry), drawn rather than
// shipped so that it scales to every size.
QIcon AppIcon();
