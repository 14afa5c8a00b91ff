#pragma once

class QSaveFile;

// Ends the writing of a QSaveFile: its last buffered bytes are flushed
// first, and only a whole file replaces the old one. Qt's own commit() takes
// a failed flush at its close (a full disk) for success and renames the
// short file over the old one. False when the file could not be written;
// the old file is then as it was and SystemError::FileReason(file) says why
// (the unfinished copy goes with the QSaveFile).
bool CommitSaveFile(QSaveFile& file);
