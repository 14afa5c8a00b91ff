#pragma once

#include <QString>

// A text value under HKEY_LOCAL_MACHINE, read only: the key is never created
// and nothing is written. Empty when the key or the value is missing or the
// value is not a text. Off Windows there is no registry, so always empty.
QString LocalMachineRegistryText(const QString& key, const QString& valueName);
