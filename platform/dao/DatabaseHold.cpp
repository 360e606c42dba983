#include "platform/dao/DatabaseHold.h"

#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/DaoErrors.h"

namespace tav {

std::unique_ptr<DatabaseLock> LockForEngine(const std::filesystem::path& host, jet::LockMode mode,
                                            const std::string& name, const char* source) {
  LockOutcome outcome = DatabaseLock::Acquire(host, mode);
  switch (outcome.failure) {
    case ClaimFailure::kNone:
      return std::move(outcome.lock);
    case ClaimFailure::kNotFound:
      throw DaoError(kErrFileNotFoundDao, name, source);
    case ClaimFailure::kInUse:
      throw DaoError(kErrFileInUse, name, source);
    case ClaimFailure::kHeldExclusively:
      throw DaoError(kErrHeldExclusively, name, source);
    case ClaimFailure::kNoPermission:
      throw DaoError(kErrNoPermission, name, source);
    case ClaimFailure::kOther:
      break;
  }
  throw DaoError(kErrDiskOrNetwork, name, source);
}

std::unique_ptr<DatabaseLock> HoldDatabase(const FileLocation& database) {
  if (database.host().empty()) return nullptr;
  auto stat = ProgramFileSystem().Stat(database.host().string());
  if (!stat.ok() || stat->kind != jet::FileKind::kFile) return nullptr;
  return LockForEngine(database.host(), jet::LockMode::kHold, database.windows(), kSourceWorkspace);
}

}  // namespace tav
