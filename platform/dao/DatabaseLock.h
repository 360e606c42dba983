#pragma once
// Who may open a database file at the same time, kept the way the database engine keeps
// it, with the locks of jet/FileLock.h and only while nobody else uses the database
// (platform/dao/DatabaseUse.h):
// - a shared open holds a read lock on the database file, an exclusive open a write lock,
//   a hold a write lock that no open of this process has to wait for;
// - a shared open also creates or joins the database's lock file (platform/dao/LockFileName.h)
//   and holds a read lock on it while open, so the file cannot be deleted from under it
//   (KillFile refuses); the last user to close removes the lock file.
// Every file is reached through the program's file system (platform/base/ProgramFileSystem.h).

#include <filesystem>
#include <memory>

#include "jet/io/File.h"
#include "jet/io/FileLock.h"
#include "platform/dao/DatabaseUse.h"

namespace tav {

class DatabaseLock;

struct LockOutcome {
  std::unique_ptr<DatabaseLock> lock;  // set on success
  ClaimFailure failure = ClaimFailure::kNone;
};

class DatabaseLock {
 public:
  // Takes the lock of `mode` for one open of `database` (a host path).
  static LockOutcome Acquire(const std::filesystem::path& database, jet::LockMode mode);

  // Made by Acquire only.
  struct Token {
   private:
    Token() = default;
    friend class DatabaseLock;
  };
  DatabaseLock(Token, std::unique_ptr<jet::FileLock> database) : database_(std::move(database)) {}

  DatabaseLock(const DatabaseLock&) = delete;
  DatabaseLock& operator=(const DatabaseLock&) = delete;
  ~DatabaseLock() { Release(); }

  // Gives up the lock; the last user removes the lock file. Idempotent.
  void Release();

 private:
  std::unique_ptr<jet::FileLock> database_;
  // Shared opens only, where a lock file could be made.
  std::unique_ptr<jet::FileLock> lockFile_;
  std::unique_ptr<jet::File> lockFileOpen_;
  std::filesystem::path lockFilePath_;
};

}  // namespace tav
