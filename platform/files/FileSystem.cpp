#include "platform/files/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/base/OsError.h"
#include "platform/base/posix/UniqueFd.h"
#include "platform/dao/DatabaseUse.h"
#include "platform/host/WinPath.h"

namespace tav {

namespace {

// Whether `claim` on `host` failed because someone else uses the file. A file this process
// may not open is still asked about by name.
bool UsedElsewhere(const DatabaseClaim& claim, const std::filesystem::path& host) {
  if (claim.lock) return false;
  return claim.failure == ClaimFailure::kInUse || claim.failure == ClaimFailure::kHeldExclusively ||
         UseOf(host) != DatabaseUse::kFree;
}

void WriteAll(int fd, std::string_view text, const std::filesystem::path& host) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(errno, host);
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

bool FileExists(std::string_view windowsPath) {
  std::error_code ec;
  return std::filesystem::is_regular_file(HostPath(windowsPath), ec);
}

bool FolderExists(std::string_view windowsPath) {
  std::error_code ec;
  return std::filesystem::is_directory(HostPath(windowsPath), ec);
}

void KillFile(std::string_view windowsPath) {
  auto host = HostPath(windowsPath);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(host, ec)) {
    if (std::filesystem::exists(host, ec)) throw FileError(kErrFileNotFound);
    throw FileError(ENOENT, host);
  }
  // Held until the file is gone, so that nobody who respects the locks comes in between.
  const DatabaseClaim claim = ClaimDatabase(host, jet::LockMode::kExclusive);
  if (UsedElsewhere(claim, host)) throw FileError(kErrPermissionDenied);
  if (::unlink(host.c_str()) != 0) throw FileError(errno, host);
}

int32_t FileLength(std::string_view windowsPath) {
  auto host = HostPath(windowsPath);
  std::error_code ec;
  auto size = std::filesystem::file_size(host, ec);
  if (ec) throw FileError(ec.value(), host);
  if (size > static_cast<uintmax_t>(std::numeric_limits<int32_t>::max())) throw FileError(kErrOverflow);
  return static_cast<int32_t>(size);
}

void WriteTextFile(std::string_view windowsPath, std::string_view text) {
  auto host = HostPath(windowsPath);
  UniqueFd fd(::open(host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid()) throw FileError(errno, host);
  const DatabaseClaim claim = ClaimOpenDatabase(fd.Get(), host, jet::LockMode::kExclusive);
  if (!claim.lock) throw FileError(kErrPermissionDenied);
  if (::ftruncate(fd.Get(), 0) != 0) throw FileError(errno, host);
  WriteAll(fd.Get(), text, host);
  if (!fd.Reset()) throw FileError(errno, host);
}

std::string AppFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return WindowsPath(exe.parent_path());
}

}  // namespace tav
