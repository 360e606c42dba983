// tables FILE [--system]: table names, one a line, in catalog order.
#include <iostream>

#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

struct TablesArgs : DatabaseArgs {
  bool system = false;
};

int RunTables(const TablesArgs& args) {
  auto db = OpenDatabase(args);
  if (!db.ok()) return ReportError(db.status());
  for (const jet::CatalogEntry& e : (*db)->Tables(args.system)) std::cout << e.name << "\n";
  return 0;
}

}  // namespace

void RegisterTables(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<TablesArgs>();
  CLI::App* sub = app.add_subcommand("tables", "List the tables");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->add_flag("--system", args->system, "include system tables");
  sub->callback([args, &result] { result.exit_code = RunTables(*args); });
}

}  // namespace tav::jettool
