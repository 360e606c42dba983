#include "tools/jettool/Command.h"

#include <iostream>

#include "platform/DatabaseUse.h"

namespace tav::jettool {

int ReportError(const jet::Status& status) {
  std::cerr << "error " << status.DaoNumber() << ": " << status.ToString() << "\n";
  return 2;
}

jet::Result<std::unique_ptr<jet::Database>> OpenDatabase(const std::string& path, const std::string& password) {
  return jet::Database::OpenPath(path, jet::OpenOptions{password});
}

namespace {

jet::Status InUse(const std::string& path) {
  return jet::Status(jet::ErrorKind::kInUse, "the database is in use by another program").AtFile(path);
}

}  // namespace

jet::Result<std::unique_ptr<jet::FileLock>> HoldDatabase(const std::string& path) {
  DatabaseClaim claim = ClaimDatabase(path, jet::LockMode::kHold);
  if (claim.failure == ClaimFailure::kInUse || claim.failure == ClaimFailure::kHeldExclusively)
    return InUse(path);
  return std::move(claim.lock);
}

jet::Status RefuseInUse(const std::string& path) {
  return UseOf(path) == DatabaseUse::kFree ? jet::Status::Ok() : InUse(path);
}

void AddDatabaseArgs(CLI::App& sub, DatabaseArgs& args) {
  sub.add_option("FILE", args.path, "database file")->required();
  sub.add_option("--password", args.password, "database password");
}

}  // namespace tav::jettool
