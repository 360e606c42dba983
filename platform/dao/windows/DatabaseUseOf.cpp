// Whether another program uses a database, on Windows (DatabaseUse.h): as Windows says it,
// through the engine's lock family. A program uses the database when it has the database or
// its lock file open so that an exclusive open of it cannot coexist, or holds a byte-range
// lock on either, the way Jet's own engine does (jet/io/FileLock.h: LockedByOthers); it
// holds the database exclusively when its open shares no reading. The files are asked by
// name, without an open of this process standing in the way of the exclusive open.
#include "jet/io/Utf8Path.h"
#include "platform/dao/DatabaseUse.h"

namespace tav {

namespace fs = std::filesystem;

DatabaseUse UseOf(const fs::path& database) {
  std::vector<fs::path> paths = {database};
  if (auto lockFile = LockFilePath(database)) paths.push_back(*lockFile);
  bool used = false;
  for (const fs::path& path : paths) {
    switch (jet::LockedByOthers(jet::Utf8Of(path))) {
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
