#include "platform/dao/DatabaseUse.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/UniqueFd.h"

namespace tav {

namespace {

namespace fs = std::filesystem;

struct FileId {
  dev_t device;
  ino_t inode;
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
        if (file == FileId{st.st_dev, st.st_ino}) found = true;
      if (found) break;
    }
    ::closedir(list);
  }
  ::closedir(proc);
  return found;
}

ClaimFailure FailureFor(int osError) {
  switch (osError) {
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case ENAMETOOLONG:
      return ClaimFailure::kNotFound;
    case EACCES:
    case EPERM:
      return ClaimFailure::kNoPermission;
    default:
      return ClaimFailure::kOther;
  }
}

ClaimFailure FailureFor(DatabaseUse use) {
  return use == DatabaseUse::kHeldExclusively ? ClaimFailure::kHeldExclusively : ClaimFailure::kInUse;
}

}  // namespace

DatabaseUse UseOf(const fs::path& database) {
  std::vector<FileId> files;
  jet::ForeignLock locked = jet::ForeignLock::kNone;
  for (const fs::path& path : {database, LockFilePath(database)}) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const FileId id{st.st_dev, st.st_ino};
    if (!files.empty() && files.front() == id) continue;
    files.push_back(id);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) continue;
    const jet::ForeignLock here = jet::LockedByOthers(fd.Get());
    if (here == jet::ForeignLock::kExclusive || locked == jet::ForeignLock::kNone) locked = here;
  }
  if (locked == jet::ForeignLock::kExclusive) return DatabaseUse::kHeldExclusively;
  if (locked == jet::ForeignLock::kSome || OpenElsewhere(files)) return DatabaseUse::kInUse;
  return DatabaseUse::kFree;
}

DatabaseClaim ClaimOpenDatabase(int fd, const fs::path& database, jet::LockMode mode) {
  auto lock = jet::LockOpenFile(fd, mode, database.string());
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
  UniqueFd fd(::open(database.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return {nullptr, FailureFor(errno)};
  return ClaimOpenDatabase(fd.Get(), database, mode);
}

}  // namespace tav
