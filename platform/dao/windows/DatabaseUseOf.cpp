// Whether another program uses a database, on Windows (DatabaseUse.h): as Windows says it. A
// program uses the database when it has the database or its lock file open so that an
// exclusive open of it cannot coexist, or holds a byte-range lock on either, the way Jet's
// own engine does (jet/io/FileLock.h: LockedByOthers); it holds the database exclusively when
// its open shares no reading, so that even an open sharing everything is refused. Every
// question goes through the program's file system, the one every other file operation of the
// run uses.
#include <vector>

#include "jet/io/Utf8Path.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/DatabaseUse.h"

namespace tav {

namespace fs = std::filesystem;

DatabaseUse UseOf(const fs::path& database) {
  jet::FileSystem& files = ProgramFileSystem();
  std::vector<fs::path> paths = {database};
  if (auto lockFile = LockFilePath(database)) paths.push_back(*lockFile);
  std::vector<jet::FileStat> asked;
  bool used = false;
  for (const fs::path& path : paths) {
    const std::string name = jet::Utf8Of(path);
    auto stat = files.Stat(name);
    if (!stat.ok() || stat->kind != jet::FileKind::kFile) continue;
    bool again = false;
    for (const jet::FileStat& before : asked) again = again || before.SameFile(*stat);
    if (again) continue;
    asked.push_back(*stat);
    // The file layer's opens share everything: only another program's open that shares no
    // reading refuses one.
    auto file = files.Open(name, jet::OpenMode::kReadOnly);
    if (!file.ok()) {
      if (file.status().kind() == jet::ErrorKind::kInUse) return DatabaseUse::kHeldExclusively;
      continue;
    }
    switch ((*file)->ForeignLocks()) {
      case jet::ForeignLock::kExclusive:
        return DatabaseUse::kHeldExclusively;
      case jet::ForeignLock::kSome:
        used = true;
        break;
      case jet::ForeignLock::kNone:
        break;
    }
  }
  return used ? DatabaseUse::kInUse : DatabaseUse::kFree;
}

}  // namespace tav
