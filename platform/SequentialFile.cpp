#include "platform/SequentialFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileLock.h"
#include "platform/OsError.h"
#include "platform/WinPath.h"

namespace tav {

namespace {

// Takes the deny-read/write lock matching how `fd` was opened.
void DenyOthers(const UniqueFd& fd, bool writable) {
  if (!TryLock(fd.Get(), writable ? LockKind::Write : LockKind::Read, kWholeFile))
    throw FileError(kErrPermissionDenied);
}

}  // namespace

SequentialFile SequentialFile::OpenRead(std::string_view windowsPath) {
  auto host = HostPath(windowsPath);
  // Read-write only to be allowed the write lock; nothing is ever written through it.
  bool writable = true;
  UniqueFd fd(::open(host.c_str(), O_RDWR | O_CLOEXEC));
  if (!fd.Valid() && (errno == EACCES || errno == EROFS || errno == ETXTBSY)) {
    writable = false;
    fd.Reset(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  }
  if (!fd.Valid()) throw FileError(errno, host);
  DenyOthers(fd, writable);
  return SequentialFile(std::move(fd), std::move(host));
}

SequentialFile SequentialFile::OpenWrite(std::string_view windowsPath) {
  auto host = HostPath(windowsPath);
  UniqueFd fd(::open(host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid()) throw FileError(errno, host);
  DenyOthers(fd, true);
  return SequentialFile(std::move(fd), std::move(host));
}

void SequentialFile::Read(std::span<char> buffer) {
  while (!buffer.empty()) {
    ssize_t n = ::read(fd_.Get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(errno, host_);
    if (n == 0) throw FileError(kErrInputPastEnd);
    buffer = buffer.subspan(static_cast<size_t>(n));
  }
}

void SequentialFile::Write(std::span<const char> buffer) {
  while (!buffer.empty()) {
    ssize_t n = ::write(fd_.Get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(errno, host_);
    buffer = buffer.subspan(static_cast<size_t>(n));
  }
}

void SequentialFile::Close() {
  if (fd_.Valid() && !fd_.Reset()) throw FileError(errno, host_);
}

}  // namespace tav
