// Claiming a database, and the path of its lock file, on every system (DatabaseUse.h); what
// "in use" means is each system's own (posix/DatabaseUseOf.cpp, windows/DatabaseUseOf.cpp).
#include "platform/dao/DatabaseUse.h"

#include "jet/io/Utf8Path.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/LockFileName.h"

namespace tav {

namespace {

namespace fs = std::filesystem;

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
  auto name = LockFileName(jet::Utf8Of(database.filename()));
  if (!name) return std::nullopt;
  return database.parent_path() / jet::PathOf(*name);
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
  auto file = ProgramFileSystem().Open(jet::Utf8Of(database), jet::OpenMode::kReadOnly);
  if (!file.ok() && file.status().kind() == jet::ErrorKind::kInUse) {
    // Refused for another program's use of it (on Windows, its open shares no reading).
    const DatabaseUse use = UseOf(database);
    return {nullptr, use == DatabaseUse::kFree ? ClaimFailure::kInUse : FailureFor(use)};
  }
  if (!file.ok()) return {nullptr, FailureFor(file.status())};
  return ClaimOpenDatabase(**file, database, mode);
}

}  // namespace tav
