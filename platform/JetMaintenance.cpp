#include "platform/JetMaintenance.h"

#include <vector>

#include "jet/Checker.h"
#include "jet/Compactor.h"
#include "jet/Database.h"
#include "jet/Header.h"
#include "platform/DaoErrors.h"

namespace tav {

namespace {

[[noreturn]] void NotAvailable(const std::string& what) {
  throw VbError(kErrNotSupported, kSourceEngine, what + " is not available in this version of the engine.");
}

// Opens a database for the repair's check. A repair is given no password: it reads the
// one the file itself stores, as a repair working on the raw file would.
std::unique_ptr<jet::Database> OpenForCheck(const std::filesystem::path& database, const std::string& name) {
  auto file = jet::OpenPosixFile(database.string(), jet::OpenMode::kReadOnly);
  if (!file.ok()) throw DaoError(file.status(), name, kSourceEngine);
  std::vector<uint8_t> page(jet::kHeaderMinimumBytes);
  jet::Status read = (*file)->ReadAt(0, page);
  if (!read.ok()) throw DaoError(jet::Status(jet::ErrorKind::kNotADatabase, "too short"), name, kSourceEngine);
  auto header = jet::ParseHeader(page);
  if (!header.ok()) throw DaoError(header.status(), name, kSourceEngine);
  auto opened = jet::Database::Open(std::move(file).value(), {.password = header->password});
  if (!opened.ok() && opened.status().kind() == jet::ErrorKind::kCorrupt) NotAvailable("Repairing a damaged database");
  if (!opened.ok()) throw DaoError(opened.status(), name, kSourceEngine);
  return std::move(opened).value();
}

}  // namespace

// A repair checks the database and succeeds only when it finds nothing to mend.

void CompactDatabaseFile(jet::Database& source, const std::filesystem::path& destination,
                         const std::string& destinationName) {
  auto compacted = jet::CompactToPath(source, destination.string());
  if (compacted.ok()) return;
  const jet::Status& failed = compacted.status();
  if (failed.kind() == jet::ErrorKind::kExists) throw DaoError(failed, destinationName, kSourceEngine);
  int32_t number = failed.DaoNumber();
  if (number <= 0) number = kErrCannotOpenDatabase;
  throw VbError(number, kSourceEngine, "Compacting into " + destinationName + " failed: " + failed.ToString());
}

void RepairDatabaseFile(const std::filesystem::path& database, const std::string& name) {
  auto db = OpenForCheck(database, name);
  if (jet::CheckDatabase(*db, [](const jet::Problem&) {}) == 0) return;
  NotAvailable("Repairing a damaged database");
}

}  // namespace tav
