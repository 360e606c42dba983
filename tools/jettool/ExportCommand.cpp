// export FILE TABLE: the table as CSV with a header row.
#include <iostream>

#include "jet/read/TableReader.h"
#include "tools/jettool/Command.h"
#include "tools/jettool/CsvFormat.h"

namespace tav::jettool {
namespace {

struct ExportArgs : DatabaseArgs {
  std::string table;
};

int RunExport(const ExportArgs& args) {
  auto db = OpenDatabase(args);
  if (!db.ok()) return ReportError(db.status());
  auto def = (*db)->OpenTable(args.table);
  if (!def.ok()) return ReportError(def.status());
  std::string line;
  for (size_t i = 0; i < def->columns.size(); ++i) line += (i ? "," : "") + def->columns[i].name;
  std::cout << line << "\n";
  jet::TableReader reader(**db, *def);
  while (true) {
    auto row = reader.Next();
    if (!row.ok()) return ReportError(row.status());
    if (!row->has_value()) break;
    auto values = reader.Decode(**row);
    if (!values.ok()) return ReportError(values.status());
    line.clear();
    for (size_t i = 0; i < values->size(); ++i) {
      if (i) line.push_back(',');
      AppendCsvField((*values)[i], line);
    }
    line.push_back('\n');
    std::cout << line;
  }
  std::cout.flush();
  return 0;
}

}  // namespace

void RegisterExport(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<ExportArgs>();
  CLI::App* sub = app.add_subcommand("export", "Write a table as CSV to standard output");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->add_option("TABLE", args->table, "table name")->required();
  sub->callback([args, &result] { result.exit_code = RunExport(*args); });
}

}  // namespace tav::jettool
