#include "platform/files/SequentialFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/OsError.h"
#include "platform/dao/DatabaseUse.h"
#include "platform/host/WinPath.h"

namespace tav {

namespace {

// Keeps others out while the file is open, or refuses a file someone else uses.
std::unique_ptr<jet::FileLock> DenyOthers(const UniqueFd& fd, const std::filesystem::path& host) {
  DatabaseClaim claim = ClaimOpenDatabase(fd.Get(), host, jet::LockMode::kExclusive);
  if (!claim.lock) throw FileError(kErrPermissionDenied);
  return std::move(claim.lock);
}

}  // namespace

SequentialFile SequentialFile::OpenRead(std::string_view windowsPath) {
  auto host = HostPath(windowsPath);
  UniqueFd fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) throw FileError(errno, host);
  auto lock = DenyOthers(fd, host);
  return SequentialFile(std::move(fd), std::move(host), std::move(lock));
}

SequentialFile SequentialFile::OpenWrite(std::string_view windowsPath) {
  auto host = HostPath(windowsPath);
  UniqueFd fd(::open(host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid()) throw FileError(errno, host);
  auto lock = DenyOthers(fd, host);
  return SequentialFile(std::move(fd), std::move(host), std::move(lock));
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

void SequentialFile::Flush() {
  while (::fsync(fd_.Get()) != 0) {
    if (errno != EINTR) throw FileError(errno, host_);
  }
}

void SequentialFile::Close() {
  const bool closed = !fd_.Valid() || fd_.Reset();
  const int err = errno;
  lock_.reset();
  if (!closed) throw FileError(err, host_);
}

}  // namespace tav
