#pragma once
// The locks this program keeps on files, and the one way every part of it takes them: the
// engine (a file opened to be changed in place, a repair), the platform layer (database
// opens, holds, the copies of the maintenance cycle) and jettool.
//
// On disk a lock is a Linux open-file-description (OFD) lock over the whole file: a read
// lock while the file is used shared, a write lock while it is used exclusively or held.
// Every program that looks sees them: another instance of this program, jettool, and
// Windows programs under Wine, whose LockFile and UnlockFile Wine's server turns into
// POSIX locks on the same file (POSIX and OFD locks of different owners conflict).
//
// Inside one process every lock on a file goes through one open description of it, kept
// in a table here, so the process never stands in its own way at the operating system and
// never counts its own locks as someone else's (LockedByOthers). Between the locks of one
// process the table keeps these rules:
//   kShared     excludes kExclusive
//   kExclusive  excludes kShared and kExclusive
//   kHold       excludes nothing in this process: it keeps other programs away while the
//               process works on the file through locks of the other two kinds.
// A forked child starts with an empty table; the locks of its parent stay the parent's.
// On a file this process may only read, a write lock cannot be had: kExclusive and kHold
// then keep a read lock, taken only when nobody else holds any lock on the file.

#include <sys/types.h>

#include <memory>
#include <string>

#include "jet/base/Status.h"

namespace jet {

enum class LockMode { kShared, kExclusive, kHold };

class FileLock {
 public:
  // Made by LockOpenFile only.
  struct Token {
   private:
    Token() = default;
    friend Result<std::unique_ptr<FileLock>> LockOpenFile(int fd, LockMode mode, const std::string& name);
  };
  FileLock(Token, dev_t device, ino_t inode, LockMode mode, pid_t owner)
      : device_(device), inode_(inode), mode_(mode), owner_(owner) {}
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // Gives up this lock; the process drops its lock on disk when it keeps no other.
  ~FileLock();

  // Turns this lock into a kExclusive one when it is the process's only lock on the file
  // and no other program holds one. False, with the lock as it was, otherwise.
  bool TryMakeExclusive();

 private:
  dev_t device_;
  ino_t inode_;
  LockMode mode_;
  pid_t owner_;  // the process that took it; a forked child gives up nothing
};

// Takes a lock of `mode` on the file open on `fd` without waiting; `fd` may be closed
// afterwards. `name` is used in messages. Errors: kInUse when a lock of this process or
// of another program stands in the way; kNotFound for a folder or other non-file; kIo.
Result<std::unique_ptr<FileLock>> LockOpenFile(int fd, LockMode mode, const std::string& name);

enum class ForeignLock {
  kNone,
  kSome,       // some byte range is locked
  kExclusive,  // a write lock over the whole file: the file is used exclusively
};

// The locks that other programs, or opens outside this family, keep on the file open on
// `fd`; this process's own locks never count. kNone when the file cannot be asked.
ForeignLock LockedByOthers(int fd);

}  // namespace jet
