// check FILE [--verbose]: structural check. Damage is listed as problems: exit 1. What Access
// leaves behind in files it keeps using (docs/jet-format.md) is counted as notes, listed with
// --verbose, and leaves the exit code 0. Exit 2 when the file cannot be checked at all
// (missing, not a database, wrong password).
#include <iostream>

#include "jet/check/Checker.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

struct CheckArgs : DatabaseArgs {
  bool verbose = false;
};

int RunCheck(const CheckArgs& args) {
  // Opened leniently so that damage which makes the normal open refuse the file is listed too.
  auto db = OpenDatabase(args, true);
  if (!db.ok()) {
    if (db.status().kind() != jet::ErrorKind::kCorrupt) return ReportError(db.status());
    const jet::Status& s = db.status();
    std::cout << jet::Problem{{"", s.page(), "the catalog cannot be read: " + s.description()},
                              jet::ProblemArea::kCatalog}
                     .ToString()
              << "\n1 problem(s) found\n";
    return 1;
  }
  size_t notes = 0;
  const size_t problems = jet::CheckDatabase(
      **db, [](const jet::Problem& p) { std::cout << p.ToString() << "\n"; },
      [&notes, &args](const jet::Note& n) {
        ++notes;
        if (args.verbose) std::cout << "note: " << n.ToString() << "\n";
      });
  if (problems == 0)
    std::cout << "no problems found";
  else
    std::cout << problems << " problem(s) found";
  if (notes > 0)
    std::cout << "; " << notes << " leftover(s) noted" << (args.verbose ? "" : " (--verbose lists them)");
  std::cout << "\n";
  return problems == 0 ? 0 : 1;
}

}  // namespace

void RegisterCheck(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<CheckArgs>();
  CLI::App* sub = app.add_subcommand("check", "Check the database structures");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->add_flag("--verbose,-v", args->verbose, "List what Access leaves behind, not only damage");
  sub->callback([args, &result] { result.exit_code = RunCheck(*args); });
}

}  // namespace tav::jettool
