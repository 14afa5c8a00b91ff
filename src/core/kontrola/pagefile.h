#pragma once

#include <QString>

// The temporary file of one page check, created afresh for this check only.
// Whatever lies at the path before (a file left by an earlier run, or a
// symbolic link planted there) is removed first, the link itself and not
// what it points to; the new file is then created exclusively and without
// following links, so a page is never written into a file that the program
// did not create for it. Anything else at the path (a folder, a device) is
// left alone and fails the creation.
//
// Returns an open descriptor for writing, or -1 with errorText set.
int CreatePageFileExclusively(const QString& path, QString& errorText);
