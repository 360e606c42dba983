// info FILE: version, page size, page count, code page, sort order, password set or not.
#include <iostream>

#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

// Where text is read in another code page than the header's (unset, or named by the user).
std::string TextCodePage(const jet::Database& db) {
  if (db.version() != jet::JetVersion::kJet3 || db.text_code_page() == db.header().code_page) return "";
  return " (text read as " + std::to_string(db.text_code_page()) + ")";
}

int RunInfo(const DatabaseArgs& args) {
  auto db = OpenDatabase(args);
  if (!db.ok()) return ReportError(db.status());
  const jet::Header& h = (*db)->header();
  std::cout << "version: " << (h.version == jet::JetVersion::kJet3 ? "Jet 3" : "Jet 4") << "\n"
            << "page size: " << (*db)->page_size() << "\n"
            << "page count: " << (*db)->page_count() << "\n"
            << "code page: " << h.code_page << TextCodePage(**db) << "\n"
            << "sort order: " << h.sort_order << "\n"
            << "password: " << (h.password.empty() ? "no" : "yes") << "\n"
            << "encrypted: " << (h.database_key != 0 ? "yes" : "no") << "\n";
  return 0;
}

}  // namespace

void RegisterInfo(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<DatabaseArgs>();
  CLI::App* sub = app.add_subcommand("info", "Show the database header");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->callback([args, &result] { result.exit_code = RunInfo(*args); });
}

}  // namespace tav::jettool
