// check FILE: structural check; exit 0 when sound, 1 when problems were found, 2 when the file
// cannot be checked at all (missing, not a database, wrong password).
#include <iostream>

#include "jet/Checker.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

int RunCheck(const DatabaseArgs& args) {
  // Opened leniently so that damage which makes the normal open refuse the file is listed too.
  auto db = jet::Database::OpenPath(args.path, {.password = args.password, .tolerate_damage = true});
  if (!db.ok()) {
    if (db.status().kind() != jet::ErrorKind::kCorrupt) return ReportError(db.status());
    const jet::Status& s = db.status();
    std::cout << jet::Problem{"", s.page(), "the catalog cannot be read: " + s.description(), jet::ProblemArea::kCatalog}.ToString()
              << "\n1 problem(s) found\n";
    return 1;
  }
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
