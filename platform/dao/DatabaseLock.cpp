#include "platform/dao/DatabaseLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/base/posix/UniqueFd.h"

namespace tav {

namespace {

// How often a shared open tries again while a closing user is removing the lock file.
constexpr int kJoinAttempts = 200;
constexpr auto kJoinPause = std::chrono::milliseconds(2);

bool SameFile(int fd, const std::filesystem::path& path) {
  struct stat opened {};
  struct stat named {};
  if (::fstat(fd, &opened) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Creates or joins the lock file and read-locks it. A lock file that was removed between
// our open and our lock (its last user closing) is left behind for a fresh one. Gives no
// lock where no lock file can be made (a read-only folder): the database's lock alone
// then keeps the rules.
std::unique_ptr<jet::FileLock> JoinLockFile(const std::filesystem::path& path, UniqueFd& opened) {
  for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!fd.Valid()) fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return nullptr;
    auto lock = jet::LockOpenFile(fd.Get(), jet::LockMode::kShared, path.string());
    if (lock.ok()) {
      if (SameFile(fd.Get(), path)) {
        opened = std::move(fd);
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
    lock->lockFilePath_ = LockFilePath(database);
    lock->lockFile_ = JoinLockFile(lock->lockFilePath_, lock->lockFileFd_);
  }
  return {std::move(lock), ClaimFailure::kNone};
}

void DatabaseLock::Release() {
  if (lockFile_) {
    // Only the last user gets the lock file to itself; it removes the file while still
    // holding it, so a newcomer that opened it meanwhile notices and starts afresh. A lock
    // file that another program has open stays.
    if (lockFile_->TryMakeExclusive() && SameFile(lockFileFd_.Get(), lockFilePath_) &&
        UseOf(lockFilePath_) == DatabaseUse::kFree)
      ::unlink(lockFilePath_.c_str());
    lockFile_.reset();
    lockFileFd_.Reset();
  }
  database_.reset();
}

}  // namespace tav
