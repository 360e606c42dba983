#include "platform/DatabaseLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/FileLock.h"

namespace tav {

namespace {

// The byte range whose lock says who has the database open. Jet files stay below 2 GiB,
// so this range never covers data; locks past the end of a file are allowed.
constexpr LockRange kUsersRange{0x7ffffff0, 1};

// How often a shared open tries again while a closing user is removing the lock file.
constexpr int kJoinAttempts = 200;
constexpr auto kJoinPause = std::chrono::milliseconds(2);

bool ReadOnlyDescriptor(int fd) {
  int mode = ::fcntl(fd, F_GETFL);
  return mode >= 0 && (mode & O_ACCMODE) == O_RDONLY;
}

LockFailure FailureFor(int osError) {
  switch (osError) {
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case ENAMETOOLONG: return LockFailure::kNotFound;
    case EACCES:
    case EPERM: return LockFailure::kNoPermission;
    case EAGAIN:
    case ETXTBSY:
    case EBUSY: return LockFailure::kInUse;
    default: return LockFailure::kOther;
  }
}

// Opens the database file read-write where allowed, else read-only.
UniqueFd OpenDatabaseFile(const std::filesystem::path& database) {
  UniqueFd fd(::open(database.c_str(), O_RDWR | O_CLOEXEC));
  if (!fd.Valid() && (errno == EACCES || errno == EROFS || errno == ETXTBSY))
    fd.Reset(::open(database.c_str(), O_RDONLY | O_CLOEXEC));
  return fd;
}

// Locks the users range. A write lock needs a writable descriptor; a database that can
// only be read is held exclusively by checking that nobody else has it open and keeping
// a read lock, which still keeps every exclusive open out.
bool LockUsers(int fd, bool exclusive) {
  if (!exclusive) return TryLock(fd, LockKind::Read, kUsersRange);
  if (!ReadOnlyDescriptor(fd)) return TryLock(fd, LockKind::Write, kUsersRange);
  if (LockedElsewhere(fd, kUsersRange)) {
    errno = EAGAIN;
    return false;
  }
  return TryLock(fd, LockKind::Read, kUsersRange);
}

bool SameFile(int fd, const std::filesystem::path& path) {
  struct stat opened {};
  struct stat named {};
  if (::fstat(fd, &opened) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Creates or joins the lock file and read-locks it. A lock file that was removed between
// our open and our lock (its last user closing) is left behind for a fresh one. Gives an
// invalid descriptor where no lock file can be made (a read-only folder): the users
// range alone then keeps the rules.
UniqueFd JoinLockFile(const std::filesystem::path& path) {
  for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!fd.Valid()) fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return fd;
    if (TryLock(fd.Get(), LockKind::Read, kWholeFile)) {
      if (SameFile(fd.Get(), path)) return fd;
    } else if (errno != EAGAIN) {
      return UniqueFd();
    }
    fd.Reset();
    std::this_thread::sleep_for(kJoinPause);
  }
  return UniqueFd();
}

bool EndsWithMdb(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return tail == ".mdb";
}

}  // namespace

std::filesystem::path DatabaseLock::LockFilePath(const std::filesystem::path& database) {
  std::string name = database.filename().string();
  if (EndsWithMdb(name)) {
    name.replace(name.size() - 4, 4, ".ldb");
  } else {
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    name += ".ldb";
  }
  return database.parent_path() / name;
}

LockOutcome DatabaseLock::Acquire(const std::filesystem::path& database, bool exclusive) {
  UniqueFd fd = OpenDatabaseFile(database);
  if (!fd.Valid()) return {nullptr, FailureFor(errno)};
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return {nullptr, LockFailure::kNotFound};
  if (!LockUsers(fd.Get(), exclusive)) return {nullptr, FailureFor(errno)};

  UniqueFd lockFile;
  std::filesystem::path lockPath;
  if (!exclusive) {
    lockPath = LockFilePath(database);
    lockFile = JoinLockFile(lockPath);
  }
  return {std::make_unique<DatabaseLock>(Token(), std::move(fd), std::move(lockFile), std::move(lockPath)),
          LockFailure::kNone};
}

void DatabaseLock::Release() {
  if (lockFile_.Valid()) {
    // Only the last user gets the whole lock file for writing; it removes the file while
    // still holding it, so a newcomer that opened it meanwhile notices and starts afresh.
    if (!ReadOnlyDescriptor(lockFile_.Get()) && TryLock(lockFile_.Get(), LockKind::Write, kWholeFile) &&
        SameFile(lockFile_.Get(), lockFilePath_))
      ::unlink(lockFilePath_.c_str());
    lockFile_.Reset();
  }
  database_.Reset();
}

}  // namespace tav
