#pragma once
// Who may open a database file at the same time, kept the way the database engine keeps
// it, with open-file-description locks (platform/FileLock.h):
// - every open holds a lock on a byte range far beyond any real data of the database
//   file: a read lock for a shared open, a write lock for an exclusive one, so an
//   exclusive open fails while anyone has the database open, and a shared open fails
//   while someone has it exclusively;
// - a shared open also creates or joins the lock file "<name>.ldb" beside the database
//   and holds a read lock on all of it while open, so the file cannot be deleted from
//   under it (KillFile refuses); the last shared user to close removes the lock file.
// The locks bind every open, in this process or another.

#include <filesystem>
#include <memory>

#include "platform/UniqueFd.h"

namespace tav {

enum class LockFailure {
  kNone,
  kNotFound,      // no such file, or a folder
  kInUse,         // another open conflicts with the one asked for
  kNoPermission,  // the file cannot be opened at all for lack of permission
  kOther,
};

class DatabaseLock;

struct LockOutcome {
  std::unique_ptr<DatabaseLock> lock;  // set on success
  LockFailure failure = LockFailure::kNone;
};

class DatabaseLock {
 public:
  // Takes the lock for one open of `database` (a host path).
  static LockOutcome Acquire(const std::filesystem::path& database, bool exclusive);

  // The lock file of `database`: a trailing ".mdb" (any case) becomes ".ldb"; any other
  // extension is replaced by ".ldb", and a name without one gets ".ldb" appended.
  static std::filesystem::path LockFilePath(const std::filesystem::path& database);

  // Made by Acquire only.
  struct Token {
   private:
    Token() = default;
    friend class DatabaseLock;
  };
  DatabaseLock(Token, UniqueFd database, UniqueFd lockFile, std::filesystem::path lockFilePath)
      : database_(std::move(database)), lockFile_(std::move(lockFile)), lockFilePath_(std::move(lockFilePath)) {}

  DatabaseLock(const DatabaseLock&) = delete;
  DatabaseLock& operator=(const DatabaseLock&) = delete;
  ~DatabaseLock() { Release(); }

  // Gives up the lock; the last shared user removes the lock file. Idempotent.
  void Release();

 private:
  UniqueFd database_;
  UniqueFd lockFile_;  // invalid for exclusive opens and where no lock file could be made
  std::filesystem::path lockFilePath_;
};

}  // namespace tav
