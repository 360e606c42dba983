// schema FILE: every user table with its columns and indexes.
#include <iostream>

#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

const char* TypeName(jet::ColumnType type) {
  using jet::ColumnType;
  switch (type) {
    case ColumnType::kBoolean:
      return "Boolean";
    case ColumnType::kByte:
      return "Byte";
    case ColumnType::kInteger:
      return "Integer";
    case ColumnType::kLong:
      return "Long Integer";
    case ColumnType::kCurrency:
      return "Currency";
    case ColumnType::kSingle:
      return "Single";
    case ColumnType::kDouble:
      return "Double";
    case ColumnType::kDateTime:
      return "DateTime";
    case ColumnType::kBinary:
      return "Binary";
    case ColumnType::kText:
      return "Text";
    case ColumnType::kOle:
      return "OLE";
    case ColumnType::kMemo:
      return "Memo";
    case ColumnType::kReplicationId:
      return "Replication ID";
    case ColumnType::kNumeric:
      return "Numeric";
    case ColumnType::kLargeBinary:
      return "Large Binary";
  }
  return "Unknown";
}

void PrintTable(const std::string& name, const jet::TableDef& def) {
  std::cout << "TABLE " << name << " (" << def.row_count << " rows)\n";
  for (const jet::ColumnDef& c : def.columns) {
    std::cout << "  COLUMN " << c.name << " " << TypeName(c.type);
    if (c.type == jet::ColumnType::kText)
      std::cout << " (" << (def.page && c.length ? c.length : 0) << " bytes)";
    if (c.type == jet::ColumnType::kLargeBinary) std::cout << " (" << c.length << " bytes)";
    if (c.type == jet::ColumnType::kNumeric)
      std::cout << " (" << int(c.precision) << "," << int(c.scale) << ")";
    if (!(c.flags & jet::kColumnCanBeNull)) std::cout << " NOT NULL";
    if (c.flags & jet::kColumnAutoNumber) std::cout << " AUTONUMBER";
    std::cout << "\n";
  }
  for (const jet::LogicalIndex& x : def.indexes) {
    std::cout << "  INDEX " << x.name << (x.kind == jet::kLogicalIndexPrimary ? " PRIMARY" : "")
              << (x.kind == jet::kLogicalIndexForeign ? " FOREIGN" : "");
    const jet::RealIndex& r = def.real_indexes[x.real_index];
    if (r.flags & jet::kIndexUnique) std::cout << " UNIQUE";
    std::cout << " (";
    for (size_t i = 0; i < r.columns.size(); ++i) {
      const jet::ColumnDef* c = def.FindColumnByNumber(r.columns[i].column_number);
      std::cout << (i ? ", " : "") << (c ? c->name : "?") << (r.columns[i].ascending ? "" : " DESC");
    }
    std::cout << ")\n";
  }
}

int RunSchema(const DatabaseArgs& args) {
  auto db = OpenDatabase(args);
  if (!db.ok()) return ReportError(db.status());
  for (const jet::CatalogEntry& e : (*db)->Tables(false)) {
    auto def = (*db)->ReadTableDef(e.DefinitionPage());
    if (!def.ok()) return ReportError(def.status());
    PrintTable(e.name, *def);
  }
  return 0;
}

}  // namespace

void RegisterSchema(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<DatabaseArgs>();
  CLI::App* sub = app.add_subcommand("schema", "Show the tables, columns and indexes");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->callback([args, &result] { result.exit_code = RunSchema(*args); });
}

}  // namespace tav::jettool
