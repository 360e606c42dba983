#include "tools/jettool/Command.h"

#include <iostream>

#include "jet/io/Utf8Path.h"
#include "platform/dao/DaoNumbers.h"
#include "platform/dao/DatabaseUse.h"

namespace tav::jettool {

int ReportError(const jet::Status& status) {
  std::cerr << "error " << DaoNumber(status) << ": " << status.ToString() << "\n";
  return 2;
}

jet::Result<std::unique_ptr<jet::Database>> OpenDatabase(const DatabaseArgs& args, bool tolerate_damage) {
  return jet::Database::OpenPath(
      args.path,
      {.password = args.password, .tolerate_damage = tolerate_damage, .code_page = args.code_page});
}

namespace {

jet::Status InUse(const std::string& path) {
  return jet::Status(jet::ErrorKind::kInUse, "the database is in use by another program").AtFile(path);
}

}  // namespace

jet::Result<std::unique_ptr<jet::FileLock>> HoldDatabase(const std::string& path) {
  DatabaseClaim claim = ClaimDatabase(jet::PathOf(path), jet::LockMode::kHold);
  if (claim.failure == ClaimFailure::kInUse || claim.failure == ClaimFailure::kHeldExclusively)
    return InUse(path);
  return std::move(claim.lock);
}

jet::Status RefuseInUse(const std::string& path) {
  return UseOf(jet::PathOf(path)) == DatabaseUse::kFree ? jet::Status::Ok() : InUse(path);
}

void AddDatabaseArgs(CLI::App& sub, DatabaseArgs& args) {
  sub.add_option("FILE", args.path, "database file")->required();
  sub.add_option("--password", args.password, "database password");
}

void AddCodePageOption(CLI::App& sub, DatabaseArgs& args) {
  sub.add_option("--code-page", args.code_page,
                 "Windows code page of Jet 3 text (default: the header's; 1252 where the header gives 0)");
}

}  // namespace tav::jettool
