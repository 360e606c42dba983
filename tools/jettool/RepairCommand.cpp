// repair FILE [--password P]: repairs a damaged database in place and prints what was lost.
#include <iostream>

#include "jet/repair/Repairer.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

int RunRepair(const DatabaseArgs& args) {
  auto hold = HoldDatabase(args.path);
  if (!hold.ok()) return ReportError(hold.status());
  auto report = jet::RepairDatabase(args.path, {.password = args.password});
  if (!report.ok()) return ReportError(report.status());
  std::cout << report->ToString();
  return 0;
}

}  // namespace

void RegisterRepair(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<DatabaseArgs>();
  CLI::App* sub = app.add_subcommand("repair", "Repair a damaged database in place and report what was lost");
  AddDatabaseArgs(*sub, *args);
  sub->callback([args, &result] { result.exit_code = RunRepair(*args); });
}

}  // namespace tav::jettool
