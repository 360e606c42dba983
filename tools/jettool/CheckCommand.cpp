// check FILE: structural check; exit 0 when sound, 1 when problems were found.
#include <iostream>

#include "jet/Checker.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

int RunCheck(const DatabaseArgs& args) {
  auto db = OpenDatabase(args.path, args.password);
  if (!db.ok()) return ReportError(db.status());
  size_t problems = 0;
  jet::CheckDatabase(**db, [&problems](const jet::Problem& p) {
    ++problems;
    std::cout << p.ToString() << "\n";
  });
  if (problems == 0) {
    std::cout << "no problems found\n";
    return 0;
  }
  std::cout << problems << " problem(s) found\n";
  return 1;
}

}  // namespace

void RegisterCheck(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<DatabaseArgs>();
  CLI::App* sub = app.add_subcommand("check", "Check the database structures");
  AddDatabaseArgs(*sub, *args);
  sub->callback([args, &result] { result.exit_code = RunCheck(*args); });
}

}  // namespace tav::jettool
