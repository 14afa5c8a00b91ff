#pragma once

#include "command.h"
#include "historia/historystore.h"

// What the history commands share: the page of a register record and the
// choice of one of its stored versions.

// The trimmed info address of record recNoText (read-only access).
QString PageOfRecord(const CliContext& c, const QString& recNoText);

// Opens the data directory's history for reading; a missing file is an
// error with a Polish text.
void OpenHistory(historia::HistoryStore& store);

// The downloaded versions of the page, oldest first.
QList<historia::StoredCheck> VersionsOf(const historia::HistoryStore& store, const QString& page);

// A version named by its moment as `history` prints it (RRRR-MM-DDTGG:MM:SS)
// or by the start of its SHA-256 (at least 6 digits); the newest of those
// that match. A usage error when none does.
historia::StoredCheck PickVersion(const QList<historia::StoredCheck>& versions, const QString& selector,
                                  const QString& option);
