#pragma once
// Test helper: another process that has a file the ways Linux programs and Wine's server
// have one: open without any lock, with a lock over the whole file, with a lock on one
// byte far into it (where Windows programs lock), or with flock.

#include <fcntl.h>
#include <sys/file.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "tests/platform/OtherProcess.h"

namespace tav::testing {

enum class Holding {
  kOpenOnly,  // open for reading and writing, no lock at all
  kReadLock,  // an OFD read lock over the whole file
  kByteLock,  // a POSIX write lock on the byte at 0x10000000, as Wine's LockFile takes it
  kFlock,     // a whole-file flock
};

inline const char* HoldingName(Holding holding) {
  switch (holding) {
    case Holding::kOpenOnly:
      return "OpenOnly";
    case Holding::kReadLock:
      return "ReadLock";
    case Holding::kByteLock:
      return "ByteLock";
    case Holding::kFlock:
      return "Flock";
  }
  return "?";
}

// A child process holding `file` as asked until it is released (or destroyed).
inline std::unique_ptr<OtherProcess> HoldElsewhere(const std::filesystem::path& file, Holding holding) {
  return std::make_unique<OtherProcess>([file, holding]() -> std::function<void()> {
    const int fd = ::open(file.c_str(), O_RDWR);
    if (fd < 0) throw std::runtime_error("cannot open " + file.string());
    struct flock lock {};
    lock.l_whence = SEEK_SET;
    bool locked = true;
    switch (holding) {
      case Holding::kOpenOnly:
        break;
      case Holding::kReadLock:
        lock.l_type = F_RDLCK;
        locked = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
        break;
      case Holding::kByteLock:
        lock.l_type = F_WRLCK;
        lock.l_start = 0x10000000;
        lock.l_len = 1;
        locked = ::fcntl(fd, F_SETLK, &lock) == 0;
        break;
      case Holding::kFlock:
        locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        break;
    }
    if (!locked) throw std::runtime_error("cannot lock " + file.string());
    return [fd] { ::close(fd); };
  });
}

}  // namespace tav::testing
