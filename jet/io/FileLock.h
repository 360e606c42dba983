#pragma once
// The locks this program keeps on files, and the one way every part of it takes them: the
// engine (a file opened to be changed in place, a repair), the platform layer (database
// opens, holds, the copies of the maintenance cycle) and jettool.
//
// On Linux (PosixFileLock.cpp) a lock is an open-file-description (OFD) lock over the whole
// file: a read lock while the file is used shared, a write lock while it is used
// exclusively or held. Every program that looks sees them: another instance of this
// program, jettool, and Windows programs under Wine, whose LockFile and UnlockFile Wine's
// server turns into POSIX locks on the same file (POSIX and OFD locks of different owners
// conflict). Inside one process every lock on a file goes through one open description of
// it, kept in a table.
//
// On Windows (WindowsFileLock.cpp) a lock is what Windows itself shares files by, the
// share mode of an open: the process keeps one handle of the file in a table, sharing
// reading and writing while the file is used shared and sharing nothing while it is used
// exclusively or held, so that Windows refuses every other program's open that cannot
// coexist with it (and this one's, while another program has the file so).
//
// Either way the process never stands in its own way at the operating system and never
// counts its own locks as someone else's (LockedByOthers). Between the locks of one
// process the table keeps these rules:
//   kShared     excludes kExclusive
//   kExclusive  excludes kShared and kExclusive
//   kHold       excludes nothing in this process: it keeps other programs away while the
//               process works on the file through locks of the other two kinds.
// A forked child starts with an empty table; the locks of its parent stay the parent's.
// On a file this process may only read, a write lock cannot be had: kExclusive and kHold
// then keep a read lock, taken only when nobody else holds any lock on the file (Linux).

#include <memory>
#include <string>

#include "jet/base/Status.h"

namespace jet {

enum class LockMode { kShared, kExclusive, kHold };

// A lock of the family on one file, given up when destroyed (the process drops its lock at
// the operating system when it keeps no other on the file).
class FileLock {
 public:
  virtual ~FileLock() = default;

  // Turns this lock into a kExclusive one when it is the process's only lock on the file
  // and no other program holds one. False, with the lock as it was, otherwise.
  virtual bool TryMakeExclusive() = 0;
};

// Takes a lock of `mode` on the file at `path` without waiting. Errors: kInUse when a lock
// of this process or of another program stands in the way; kNotFound for a missing file,
// a folder or other non-file; kIo.
Result<std::unique_ptr<FileLock>> LockPath(const std::string& path, LockMode mode);

enum class ForeignLock {
  kNone,
  kSome,       // some byte range is locked (Windows: another program has the file open)
  kExclusive,  // a write lock over the whole file: the file is used exclusively (Windows:
               // another program has it open sharing no reading or writing)
};

// What other programs keep of the file at `path`; this process's own locks and opens
// never count. kNone when the file cannot be asked (a missing file among them).
ForeignLock LockedByOthers(const std::string& path);

// POSIX only, for descriptors of the POSIX file layer: LockPath and LockedByOthers for the
// file open on `fd` (which may be closed afterwards; `name` is used in messages).
Result<std::unique_ptr<FileLock>> LockOpenFile(int fd, LockMode mode, const std::string& name);
ForeignLock LockedByOthers(int fd);

}  // namespace jet
