#include "tools/jettool/Command.h"

#include <iostream>

namespace tav::jettool {

int ReportError(const jet::Status& status) {
  std::cerr << "error " << status.DaoNumber() << ": " << status.ToString() << "\n";
  return 2;
}

jet::Result<std::unique_ptr<jet::Database>> OpenDatabase(const std::string& path, const std::string& password) {
  return jet::Database::OpenPath(path, jet::OpenOptions{password});
}

void AddDatabaseArgs(CLI::App& sub, DatabaseArgs& args) {
  sub.add_option("FILE", args.path, "database file")->required();
  sub.add_option("--password", args.password, "database password");
}

}  // namespace tav::jettool
