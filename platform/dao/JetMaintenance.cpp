#include "platform/dao/JetMaintenance.h"

#include "jet/compact/Compactor.h"
#include "jet/read/Database.h"
#include "jet/repair/Repairer.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/DaoErrors.h"

namespace tav {

namespace {

// The repair's failure as the engine reports it: the usual descriptions for a missing,
// busy or protected file; for damage that cannot be mended, what is lost and where.
VbError RepairError(const jet::Status& failed, const std::string& name) {
  switch (failed.kind()) {
    case jet::ErrorKind::kNotFound:
    case jet::ErrorKind::kInUse:
    case jet::ErrorKind::kBadPassword:
      return DaoError(failed, name, kSourceEngine);
    default:
      break;
  }
  int32_t number = DaoNumber(failed);
  if (number <= 0) number = kErrCannotOpenDatabase;
  std::string where = failed.page() ? " (page " + std::to_string(*failed.page()) + ")" : "";
  return VbError(number, kSourceEngine,
                 "The database " + name + " cannot be repaired: " + failed.description() + where);
}

}  // namespace

void CompactDatabaseFile(jet::Database& source, const std::filesystem::path& destination,
                         const std::string& destinationName) {
  auto compacted = jet::CompactToPath(source, destination.string(), ProgramFileSystem());
  if (compacted.ok()) return;
  const jet::Status& failed = compacted.status();
  if (failed.kind() == jet::ErrorKind::kExists) throw DaoError(failed, destinationName, kSourceEngine);
  int32_t number = DaoNumber(failed);
  if (number <= 0) number = kErrCannotOpenDatabase;
  throw VbError(number, kSourceEngine,
                "Compacting into " + destinationName + " failed: " + failed.ToString());
}

void RepairDatabaseFile(const std::filesystem::path& database, const std::string& name) {
  auto repaired = jet::RepairDatabase(database.string(), {}, ProgramFileSystem());
  if (!repaired.ok()) throw RepairError(repaired.status(), name);
}

}  // namespace tav
