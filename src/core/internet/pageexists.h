#pragma once

#include <QString>

#include <atomic>

// Whether an address answers as a page: one request whose status (after
// redirections) is 200 or 401. Only the status is read, never the body.
// Blocks for the duration of the request; a set cancel flag ends it soon
// with false.
bool PageExists(const QString& address, const std::atomic<bool>* cancelled = nullptr);
