#include "platform/FileLock.h"

#include <fcntl.h>

namespace tav {

namespace {

struct flock Describe(short type, LockRange range) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = range.start;
  lock.l_len = range.length;
  lock.l_pid = 0;  // required to be 0 for open-file-description locks
  return lock;
}

}  // namespace

bool TryLock(int fd, LockKind kind, LockRange range) {
  struct flock lock = Describe(kind == LockKind::Read ? F_RDLCK : F_WRLCK, range);
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

void Unlock(int fd, LockRange range) {
  struct flock lock = Describe(F_UNLCK, range);
  ::fcntl(fd, F_OFD_SETLK, &lock);
}

bool LockedElsewhere(int fd, LockRange range) {
  struct flock lock = Describe(F_WRLCK, range);
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

}  // namespace tav
