// Whether another program uses a database, on Windows (DatabaseUse.h): as Windows says it,
// through the engine's file layer. A program uses the database when it has the database or
// its lock file open so that an exclusive open of it cannot coexist, or holds a byte-range
// lock on either, the way Jet's own engine does (jet/io/FileLock.h: LockedByOthers); it
// holds the database exclusively when its open shares no reading. A claim takes this
// process's lock first: under kExclusive and kHold the lock's share mode keeps every other
// program's open out until the lock goes.
//
// On Windows a lock is taken by the file's name, so ClaimOpenDatabase claims `database`
// and needs no descriptor; the caller's own open of the file, where it shares no reading
// or writing, stands in the way of a claim of kExclusive or kHold.
#include "jet/io/Utf8Path.h"
#include "platform/dao/DatabaseUse.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

ClaimFailure FailureFor(DatabaseUse use) {
  return use == DatabaseUse::kHeldExclusively ? ClaimFailure::kHeldExclusively : ClaimFailure::kInUse;
}

}  // namespace

DatabaseUse UseOf(const fs::path& database) {
  bool used = false;
  for (const fs::path& path : {database, LockFilePath(database)}) {
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

DatabaseClaim ClaimDatabase(const fs::path& database, jet::LockMode mode) {
  auto lock = jet::LockPath(jet::Utf8Of(database), mode);
  if (!lock.ok()) {
    switch (lock.status().kind()) {
      case jet::ErrorKind::kNotFound:
        return {nullptr, ClaimFailure::kNotFound};
      case jet::ErrorKind::kInUse: {
        // Whoever stands in the way: another program, or this one.
        const DatabaseUse use = UseOf(database);
        return {nullptr, use == DatabaseUse::kFree ? ClaimFailure::kInUse : FailureFor(use)};
      }
      default:
        return {nullptr, ClaimFailure::kOther};
    }
  }
  const DatabaseUse use = UseOf(database);
  if (use != DatabaseUse::kFree) return {nullptr, FailureFor(use)};
  return {std::move(lock).value(), ClaimFailure::kNone};
}

DatabaseClaim ClaimOpenDatabase(int, const fs::path& database, jet::LockMode mode) {
  return ClaimDatabase(database, mode);
}

}  // namespace tav
