#include "platform/files/FileSystem.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/base/OsError.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/DatabaseUse.h"
#include "platform/files/SequentialFile.h"
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

bool IsKind(const FileLocation& location, jet::FileKind kind) {
  if (location.host().empty()) return false;
  auto stat = ProgramFileSystem().Stat(location.host().string());
  return stat.ok() && stat->kind == kind;
}

}  // namespace

bool FileExists(const FileLocation& file) { return IsKind(file, jet::FileKind::kFile); }

bool FolderExists(const FileLocation& folder) { return IsKind(folder, jet::FileKind::kFolder); }

void KillFile(const FileLocation& file) {
  const std::filesystem::path& host = file.host();
  jet::FileSystem& files = ProgramFileSystem();
  auto stat = files.Stat(host.string());
  if (!stat.ok()) throw FileError(stat.status(), host);
  if (stat->kind != jet::FileKind::kFile) throw FileError(kErrFileNotFound);
  // Held until the file is gone, so that nobody who respects the locks comes in between.
  const DatabaseClaim claim = ClaimDatabase(host, jet::LockMode::kExclusive);
  if (UsedElsewhere(claim, host)) throw FileError(kErrPermissionDenied);
  if (jet::Status removed = files.Remove(host.string()); !removed.ok()) throw FileError(removed, host);
}

int32_t FileLength(const FileLocation& file) {
  auto stat = ProgramFileSystem().Stat(file.host().string());
  if (!stat.ok()) throw FileError(stat.status(), file.host());
  if (stat->kind != jet::FileKind::kFile) throw FileError(kErrFileNotFound);
  if (stat->size > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) throw FileError(kErrOverflow);
  return static_cast<int32_t>(stat->size);
}

void WriteTextFile(const FileLocation& file, std::string_view text) {
  SequentialFile out = SequentialFile::OpenOutput(file);
  out.Write(std::span<const char>(text.data(), text.size()));
  out.Close();
}

void RequireWriteAccess(const FileLocation& file) {
  const std::filesystem::path& host = file.host();
  auto opened = ProgramFileSystem().Open(host.string(), jet::OpenMode::kReadWrite);
  if (opened.ok()) return;
  const VbError error = FileError(opened.status(), host);
  if (error.Number() != kErrPermissionDenied) throw error;
  throw VbError(error.Number(), error.Source(),
                error.Description() + " (" + opened.status().description() + ")");
}

std::string AppFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return WindowsPath(exe.parent_path());
}

}  // namespace tav
