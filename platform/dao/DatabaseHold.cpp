#include "platform/dao/DatabaseHold.h"

#include <system_error>

#include "platform/dao/DaoErrors.h"
#include "platform/host/WinPath.h"

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

std::unique_ptr<DatabaseLock> HoldDatabase(const std::string& windowsPath) {
  const std::filesystem::path host = HostPath(windowsPath);
  std::error_code ec;
  if (host.empty() || !std::filesystem::is_regular_file(host, ec)) return nullptr;
  return LockForEngine(host, jet::LockMode::kHold, windowsPath, kSourceWorkspace);
}

}  // namespace tav
