#pragma once
// Byte-range locks on open file descriptions (Linux F_OFD_* locks). Unlike classic POSIX
// record locks they belong to one open() of a file, so two opens of the same file conflict
// even inside one process, and closing some other descriptor of the file drops nothing.
// Every lock here is advisory: it binds programs that look for it (this one, and Wine,
// which maps Windows sharing and range locks onto fcntl locks).

#include <sys/types.h>

namespace tav {

enum class LockKind { Read, Write };

// A range that starts at `start` and runs `length` bytes; length 0 runs to the end of
// every possible file.
struct LockRange {
  off_t start = 0;
  off_t length = 0;
};

constexpr LockRange kWholeFile{};

// Takes (or converts to) a lock of `kind` on `range` without waiting. A read lock needs a
// descriptor open for reading, a write lock one open for writing. False with errno set
// when another open description holds a conflicting lock (EAGAIN) or on any other failure.
bool TryLock(int fd, LockKind kind, LockRange range);

// Drops this description's lock on `range`.
void Unlock(int fd, LockRange range);

// Whether any other open description holds a lock on `range` that a write lock would
// conflict with. Works on a descriptor open for reading only; answers false on failure.
bool LockedElsewhere(int fd, LockRange range);

}  // namespace tav
