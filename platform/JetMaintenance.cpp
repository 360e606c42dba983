#include "platform/JetMaintenance.h"

#include "platform/DaoErrors.h"

namespace tav {

// The engine in jet/ cannot rewrite databases yet: both operations refuse plainly, so that
// the maintenance cycle reports them as failed and leaves every file as it was.

void CompactDatabaseFile(jet::Database& /*source*/, const std::filesystem::path& /*destination*/,
                         const std::string& /*destinationName*/) {
  throw VbError(kErrNotSupported, kSourceEngine, "Compacting databases is not available in this version of the engine.");
}

void RepairDatabaseFile(const std::filesystem::path& /*database*/, const std::string& /*name*/) {
  throw VbError(kErrNotSupported, kSourceEngine, "Repairing databases is not available in this version of the engine.");
}

}  // namespace tav
