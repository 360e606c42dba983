#pragma once
// Whether another program is using a database: the one test behind every refusal of this
// program and of jettool to touch a file that someone else has.
//
// A database is in use when a process other than this one
//   - has the database file or its lock file open. Every descriptor of every process whose
//     /proc/<pid>/fd this user may read is compared with both files by device and inode.
//     Wine's server holds the descriptors of the files its Windows programs open, whatever
//     sharing mode they asked for (Wine keeps those modes among its own processes, so a
//     Linux program sees nothing else of a Windows program's exclusive open); or
//   - holds a byte-range lock on either file, POSIX or OFD, whichever process or machine
//     holds it (Wine turns LockFile into POSIX locks; this program and jettool take theirs
//     through jet/io/FileLock.h, and this process's own locks never count).
// A file that does not exist is used by nobody. The processes of other users are out of
// sight unless this one may inspect them; their locks still count.
//
// Claiming a database takes this process's lock first and asks afterwards, so that between
// a claim and its release nobody who respects the locks can come in. Files are looked at
// through the program's file system (platform/base/ProgramFileSystem.h); the processes'
// descriptors are read from /proc.
//
// That is how it goes on Linux (posix/DatabaseUseOf.cpp). On Windows
// (windows/DatabaseUseOf.cpp) a database is in use as Windows says it: another process has
// the database or its lock file open in a way that an exclusive open cannot coexist with,
// or holds a byte-range lock on either; held exclusively when its open shares no reading.
// There too every file is asked through the program's file system.

#include <filesystem>
#include <memory>
#include <optional>

#include "jet/io/File.h"
#include "jet/io/FileLock.h"

namespace tav {

enum class DatabaseUse {
  kFree,
  kInUse,
  kHeldExclusively,  // another program keeps a write lock over the whole file
};

// The lock file of `database`, named by the one rule (platform/dao/LockFileName.h); nullopt
// when the name holds no ".mdb".
std::optional<std::filesystem::path> LockFilePath(const std::filesystem::path& database);

// Whether `database` (a host path) is in use by another program, as defined above.
DatabaseUse UseOf(const std::filesystem::path& database);

enum class ClaimFailure {
  kNone,
  kNotFound,         // no such file, or a folder
  kInUse,            // another program uses it, or a lock of this process is in the way
  kHeldExclusively,  // another program has it exclusively
  kNoPermission,     // the file cannot be opened at all for lack of permission
  kOther,
};

struct DatabaseClaim {
  std::unique_ptr<jet::FileLock> lock;  // set on success
  ClaimFailure failure = ClaimFailure::kNone;
};

// Takes a lock of `mode` on the database file open as `file` (`database` is its path) and
// keeps it when nobody else uses the database.
DatabaseClaim ClaimOpenDatabase(jet::File& file, const std::filesystem::path& database, jet::LockMode mode);

// The same for the database file at `database`, which is opened for the purpose.
DatabaseClaim ClaimDatabase(const std::filesystem::path& database, jet::LockMode mode);

}  // namespace tav
