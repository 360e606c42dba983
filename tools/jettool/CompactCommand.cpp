// compact SRC DST [--password P]: writes a compacted copy of SRC into the new file DST.
#include <iostream>

#include "jet/compact/Compactor.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

struct CompactArgs {
  DatabaseArgs source;
  std::string destination;
};

int RunCompact(const CompactArgs& args) {
  // The source stays as it is while it is read; the copy goes nowhere another program uses.
  auto hold = HoldDatabase(args.source.path);
  if (!hold.ok()) return ReportError(hold.status());
  if (jet::Status free = RefuseInUse(args.destination); !free.ok()) return ReportError(free);
  auto db = OpenDatabase(args.source);
  if (!db.ok()) return ReportError(db.status());
  auto summary = jet::CompactToPath(**db, args.destination);
  if (!summary.ok()) return ReportError(summary.status());
  for (const std::string& dropped : summary->dropped) std::cout << "dropped: " << dropped << "\n";
  std::cout << summary->tables << " tables, " << summary->rows << " rows, " << (*db)->page_count()
            << " pages -> " << summary->pages << " pages\n";
  return 0;
}

}  // namespace

void RegisterCompact(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<CompactArgs>();
  CLI::App* sub = app.add_subcommand("compact", "Write a compacted copy of a database into a new file");
  AddDatabaseArgs(*sub, args->source);
  sub->add_option("DST", args->destination, "The new database (must not exist)")->required();
  sub->callback([args, &result] { result.exit_code = RunCompact(*args); });
}

}  // namespace tav::jettool
