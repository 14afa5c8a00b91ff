#pragma once

#include <QString>

// Whether an address answers as a page: one request whose status (after
// redirections) is 200 or 401. Only the status is read, never the body.
// Blocks for the duration of the request.
bool PageExists(const QString& address);
