#pragma once

#include <QString>

// Makes a typed page address usable for a request: trimmed (every character
// with a code up to 32 removed at both ends), and given "http://" in front
// unless it already starts with "http://" or "https://" in any letter case.
QString NormalizeAddress(const QString& address);

// The host of an address as the user wrote it, for messages: without the
// scheme and without the path, query or fragment; a port stays with it.
QString HostAsWritten(const QString& address);
