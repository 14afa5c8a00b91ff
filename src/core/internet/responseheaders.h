#pragma once

#include <QByteArray>

#include <optional>

// What the headers of an HTTP answer tell a download, read the same way
// for pages and for the documents they link to.

// A Content-Length that is missing, not a number or negative says nothing
// about the size (-1). Read as 64 bits: a length of 2 GB or more is a
// length, and one beyond what 64 bits hold is certainly beyond any cap.
qint64 ContentLength(const std::optional<QByteArray>& value);

// Seconds a 429 or 503 answer asks us to wait: a number of seconds, or a
// date; -1 when it says neither.
int RetryAfterSeconds(const std::optional<QByteArray>& value);
