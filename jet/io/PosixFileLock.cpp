#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "jet/io/FileLock.h"
#include "jet/io/LockCounts.h"
#include "jet/io/OsError.h"

namespace jet {

namespace {

// What this process holds on one file, through its one open description of it.
struct Held : LockCounts {
  enum class OnDisk { kNone, kRead, kWrite };

  int fd = -1;
  bool writable = false;
  OnDisk onDisk = OnDisk::kNone;

  OnDisk Wanted() const {
    if (exclusive > 0 || holds > 0) return OnDisk::kWrite;
    return shared > 0 ? OnDisk::kRead : OnDisk::kNone;
  }
};

using Key = std::pair<dev_t, ino_t>;

struct Table {
  std::mutex mutex;
  std::map<Key, Held> files;
};

Table& TheTable();

// A forked child forgets its parent's entries at once, closing only its copies of their
// descriptions: the parent's locks stay the parent's, and go when the parent lets go.
// The fork happens with the table locked, so that no other thread leaves it half changed.
void ForgetInChild() {
  Table& table = TheTable();
  for (auto& [key, held] : table.files) ::close(held.fd);
  table.files.clear();
  table.mutex.unlock();
}

Table& TheTable() {
  // Never destroyed: locks may be given up during exit.
  static Table* table = [] {
    ::pthread_atfork([] { TheTable().mutex.lock(); }, [] { TheTable().mutex.unlock(); }, ForgetInChild);
    return new Table;
  }();
  return *table;
}

struct flock WholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end of every possible file
  lock.l_pid = 0;  // required for open-file-description locks
  return lock;
}

ForeignLock Probe(int fd) {
  struct flock lock = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0 || lock.l_type == F_UNLCK) return ForeignLock::kNone;
  if (lock.l_type == F_WRLCK && lock.l_start == 0 && lock.l_len == 0) return ForeignLock::kExclusive;
  return ForeignLock::kSome;
}

// Puts the lock on disk that `held` wants; false with errno set when another lock is in
// the way. A read lock replaces a write lock in one step, so a lock is never let go
// in between.
bool Apply(Held& held) {
  const Held::OnDisk wanted = held.Wanted();
  if (wanted == held.onDisk) return true;
  short type = F_UNLCK;
  if (wanted == Held::OnDisk::kRead) type = F_RDLCK;
  if (wanted == Held::OnDisk::kWrite) {
    type = F_WRLCK;
    if (!held.writable) {
      if (Probe(held.fd) != ForeignLock::kNone) {
        errno = EAGAIN;
        return false;
      }
      type = F_RDLCK;
    }
  }
  struct flock lock = WholeFile(type);
  if (::fcntl(held.fd, F_OFD_SETLK, &lock) != 0) return false;
  held.onDisk = wanted;
  return true;
}

// This process's own description of the file open on `fd`: opened afresh through /proc so
// that it can be written where the file allows it, whatever `fd` was opened for.
int OwnDescription(int fd, bool& writable) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  int own = ::open(self.c_str(), O_RDWR | O_CLOEXEC);
  writable = own >= 0;
  if (own < 0) own = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
  if (own < 0) {
    own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const int flags = ::fcntl(fd, F_GETFL);
    writable = flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
  }
  return own;
}

void Forget(std::map<Key, Held>& files, std::map<Key, Held>::iterator it) {
  ::close(it->second.fd);
  files.erase(it);
}

// A lock of the table: its file, its kind and the process that took it (a forked child
// gives up nothing).
class PosixFileLock final : public FileLock {
 public:
  PosixFileLock(Key file, LockMode mode) : file_(file), mode_(mode), owner_(::getpid()) {}
  PosixFileLock(const PosixFileLock&) = delete;
  PosixFileLock& operator=(const PosixFileLock&) = delete;
  ~PosixFileLock() override;
  bool TryMakeExclusive() override;

 private:
  Key file_;
  LockMode mode_;
  pid_t owner_;
};

PosixFileLock::~PosixFileLock() {
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  if (owner_ != ::getpid()) return;
  auto& files = table.files;
  auto it = files.find(file_);
  if (it == files.end()) return;
  Held& held = it->second;
  --held.CountOf(mode_);
  if (held.Empty()) {
    Forget(files, it);  // closing the description drops its lock
    return;
  }
  Apply(held);  // a weaker lock than before: never refused
}

bool PosixFileLock::TryMakeExclusive() {
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  if (owner_ != ::getpid()) return false;
  auto it = table.files.find(file_);
  if (it == table.files.end()) return false;
  Held& held = it->second;
  if (mode_ == LockMode::kExclusive) return true;
  if (held.Total() != 1) return false;  // this lock is not the process's only one
  --held.CountOf(mode_);
  ++held.exclusive;
  if (!Apply(held)) {
    --held.exclusive;
    ++held.CountOf(mode_);
    return false;
  }
  mode_ = LockMode::kExclusive;
  return true;
}

}  // namespace

Result<std::unique_ptr<FileLock>> LockOpenFile(int fd, LockMode mode, const std::string& name) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return OsError(errno, "cannot lock", name);
  if (!S_ISREG(st.st_mode)) return Status(ErrorKind::kNotFound, "not a file").AtFile(name);
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto& files = table.files;
  const Key key{st.st_dev, st.st_ino};
  auto it = files.find(key);
  if (it == files.end()) {
    Held fresh;
    fresh.fd = OwnDescription(fd, fresh.writable);
    if (fresh.fd < 0) return OsError(errno, "cannot lock", name);
    it = files.emplace(key, fresh).first;
  }
  Held& held = it->second;
  if (!held.Allows(mode)) {
    if (held.Empty()) Forget(files, it);
    return Status(ErrorKind::kInUse, "the file is in use by this program").AtFile(name);
  }
  ++held.CountOf(mode);
  if (!Apply(held)) {
    const int err = errno;
    --held.CountOf(mode);
    if (held.Empty()) Forget(files, it);
    if (err == EAGAIN || err == EACCES) {
      return Status(ErrorKind::kInUse, "the file is in use by another program").AtFile(name);
    }
    return OsError(err, "cannot lock", name);
  }
  return std::unique_ptr<FileLock>(std::make_unique<PosixFileLock>(key, mode));
}

Result<std::unique_ptr<FileLock>> LockPath(const std::string& path, LockMode mode) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return OsError(errno, "cannot lock", path);
  auto lock = LockOpenFile(fd, mode, path);
  ::close(fd);
  return lock;
}

ForeignLock LockedByOthers(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return ForeignLock::kNone;
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto& files = table.files;
  auto it = files.find({st.st_dev, st.st_ino});
  return Probe(it == files.end() ? fd : it->second.fd);
}

ForeignLock LockedByOthers(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ForeignLock::kNone;
  const ForeignLock seen = LockedByOthers(fd);
  ::close(fd);
  return seen;
}

}  // namespace jet
