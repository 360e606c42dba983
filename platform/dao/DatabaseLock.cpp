#include "platform/dao/DatabaseLock.h"

#include <chrono>
#include <thread>

#include "platform/base/ProgramFileSystem.h"

namespace tav {

namespace {

// How often a shared open tries again while a closing user is removing the lock file.
constexpr int kJoinAttempts = 200;
constexpr auto kJoinPause = std::chrono::milliseconds(2);

// Whether `file` is still the file at `path`.
bool SameFile(jet::File& file, const std::filesystem::path& path) {
  auto opened = file.Stat();
  auto named = ProgramFileSystem().Stat(path.string());
  return opened.ok() && named.ok() && opened->SameFile(*named);
}

// Creates or joins the lock file and read-locks it. A lock file that was removed between
// our open and our lock (its last user closing) is left behind for a fresh one. Gives no
// lock where no lock file can be made (a read-only folder): the database's lock alone
// then keeps the rules.
std::unique_ptr<jet::FileLock> JoinLockFile(const std::filesystem::path& path,
                                            std::unique_ptr<jet::File>& opened) {
  jet::FileSystem& files = ProgramFileSystem();
  for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
    auto file = files.Open(path.string(), jet::OpenMode::kReadWriteCreate);
    if (!file.ok()) file = files.Open(path.string(), jet::OpenMode::kReadOnly);
    if (!file.ok()) return nullptr;
    auto lock = (*file)->Lock(jet::LockMode::kShared);
    if (lock.ok()) {
      if (SameFile(**file, path)) {
        opened = std::move(file).value();
        return std::move(lock).value();
      }
    } else if (lock.status().kind() != jet::ErrorKind::kInUse) {
      return nullptr;
    }
    std::this_thread::sleep_for(kJoinPause);
  }
  return nullptr;
}

}  // namespace

LockOutcome DatabaseLock::Acquire(const std::filesystem::path& database, jet::LockMode mode) {
  DatabaseClaim claim = ClaimDatabase(database, mode);
  if (!claim.lock) return {nullptr, claim.failure};
  auto lock = std::make_unique<DatabaseLock>(Token(), std::move(claim.lock));
  if (mode == jet::LockMode::kShared) {
    if (auto lockFile = LockFilePath(database)) {
      lock->lockFilePath_ = *lockFile;
      lock->lockFile_ = JoinLockFile(lock->lockFilePath_, lock->lockFileOpen_);
    }
  }
  return {std::move(lock), ClaimFailure::kNone};
}

void DatabaseLock::Release() {
  if (lockFile_) {
    // Only the last user gets the lock file to itself; it removes the file while still
    // holding it, so a newcomer that opened it meanwhile notices and starts afresh. A lock
    // file that another program has open stays.
    if (lockFile_->TryMakeExclusive() && SameFile(*lockFileOpen_, lockFilePath_) &&
        UseOf(lockFilePath_) == DatabaseUse::kFree)
      (void)ProgramFileSystem().Remove(lockFilePath_.string());
    lockFile_.reset();
    lockFileOpen_.reset();
  }
  database_.reset();
}

}  // namespace tav
