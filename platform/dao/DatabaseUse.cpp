#include "platform/dao/DatabaseUse.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/LockFileName.h"

namespace tav {

namespace {

namespace fs = std::filesystem;

struct FileId {
  uint64_t device;
  uint64_t inode;
  bool operator==(const FileId&) const = default;
};

// Whether a process other than this one has a descriptor open on one of `files`.
bool OpenElsewhere(const std::vector<FileId>& files) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return false;
  const std::string self = std::to_string(::getpid());
  bool found = false;
  while (!found) {
    const dirent* process = ::readdir(proc);
    if (process == nullptr) break;
    const std::string pid = process->d_name;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    // Only processes this user may inspect; the others' descriptors stay out of sight.
    const int fds = ::open(("/proc/" + pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fds < 0) continue;
    DIR* list = ::fdopendir(fds);
    if (list == nullptr) {
      ::close(fds);
      continue;
    }
    while (const dirent* entry = ::readdir(list)) {
      if (entry->d_name[0] == '.') continue;
      struct stat st {};
      if (::fstatat(fds, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
      for (const FileId& file : files)
        if (file == FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)}) found = true;
      if (found) break;
    }
    ::closedir(list);
  }
  ::closedir(proc);
  return found;
}

ClaimFailure FailureFor(const jet::Status& failed) {
  if (failed.kind() == jet::ErrorKind::kNotFound) return ClaimFailure::kNotFound;
  if (failed.cause() == jet::OsCause::kDenied) return ClaimFailure::kNoPermission;
  return ClaimFailure::kOther;
}

ClaimFailure FailureFor(DatabaseUse use) {
  return use == DatabaseUse::kHeldExclusively ? ClaimFailure::kHeldExclusively : ClaimFailure::kInUse;
}

}  // namespace

std::optional<fs::path> LockFilePath(const fs::path& database) {
  auto name = LockFileName(database.filename().string());
  if (!name) return std::nullopt;
  return database.parent_path() / *name;
}

DatabaseUse UseOf(const fs::path& database) {
  jet::FileSystem& files = ProgramFileSystem();
  std::vector<fs::path> paths = {database};
  if (auto lockFile = LockFilePath(database)) paths.push_back(*lockFile);
  std::vector<FileId> ids;
  jet::ForeignLock locked = jet::ForeignLock::kNone;
  for (const fs::path& path : paths) {
    auto stat = files.Stat(path.string());
    if (!stat.ok() || stat->kind != jet::FileKind::kFile) continue;
    const FileId id{stat->device, stat->inode};
    if (!ids.empty() && ids.front() == id) continue;
    ids.push_back(id);
    auto file = files.Open(path.string(), jet::OpenMode::kReadOnly);
    if (!file.ok()) continue;
    const jet::ForeignLock here = (*file)->ForeignLocks();
    if (here == jet::ForeignLock::kExclusive || locked == jet::ForeignLock::kNone) locked = here;
  }
  if (locked == jet::ForeignLock::kExclusive) return DatabaseUse::kHeldExclusively;
  if (locked == jet::ForeignLock::kSome || OpenElsewhere(ids)) return DatabaseUse::kInUse;
  return DatabaseUse::kFree;
}

DatabaseClaim ClaimOpenDatabase(jet::File& file, const fs::path& database, jet::LockMode mode) {
  auto lock = file.Lock(mode);
  if (!lock.ok()) {
    if (lock.status().kind() == jet::ErrorKind::kNotFound) return {nullptr, ClaimFailure::kNotFound};
    if (lock.status().kind() != jet::ErrorKind::kInUse) return {nullptr, ClaimFailure::kOther};
    // Whoever stands in the way: another program, or this one.
    const DatabaseUse use = UseOf(database);
    return {nullptr, use == DatabaseUse::kFree ? ClaimFailure::kInUse : FailureFor(use)};
  }
  const DatabaseUse use = UseOf(database);
  if (use != DatabaseUse::kFree) return {nullptr, FailureFor(use)};
  return {std::move(lock).value(), ClaimFailure::kNone};
}

DatabaseClaim ClaimDatabase(const fs::path& database, jet::LockMode mode) {
  auto file = ProgramFileSystem().Open(database.string(), jet::OpenMode::kReadOnly);
  if (!file.ok()) return {nullptr, FailureFor(file.status())};
  return ClaimOpenDatabase(**file, database, mode);
}

}  // namespace tav
