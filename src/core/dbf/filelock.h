#pragma once

namespace dbf {

// Locks a whole open file against other programs. Programs on this system
// lock in two ways that do not see each other: flock() and POSIX record
// locks (fcntl/lockf). Both are taken, so that a holder of either kind keeps
// us out and we keep out both kinds. The record lock is an open-file-
// description lock: it belongs to this descriptor, conflicts with every
// other process's fcntl/lockf lock and is not dropped when another
// descriptor of the same file is closed in this process. Closing the
// descriptor releases both.
//
// Returns false, holding nothing, when another holder is in the way.
// A read-only descriptor can carry only a shared record lock; an exclusive
// request on one takes the flock exclusively and the record lock shared.
bool LockWholeFile(int fd, bool exclusive, bool writable);

// True when both descriptors (or the descriptor and the path) name the same
// file; a table opened just before another program renamed a new file over
// it must not go on with the old one.
bool SameFile(int fd, const char* path);

} // namespace dbf
