// keys FILE: every entry of every index that covers a text column, beside the key our
// encoder computes for its row. One line per entry, tab-separated:
//   table, index number, the text of the index's text columns (joined by U+001F),
//   state (equal, differs, unknown: a character without known weight, order: a sort order
//   other than General), the stored key and the computed key in hex.
// Sort weights are derived from these lines (scripts/derive-sort-weights).
#include <cstdio>
#include <iostream>

#include "jet/StoredKeys.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

std::string Hex(const jet::Bytes& bytes) {
  std::string out;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

jet::Status PrintKeys(jet::Database& db, const std::string& table, const jet::TableDef& def) {
  for (const jet::RealIndex& index : def.real_indexes) {
    const jet::IndexKeyEncoder encoder(db, def, index);
    if (!encoder.valid()) continue;
    std::vector<size_t> text_columns;
    for (const jet::IndexColumn& c : index.columns) {
      const jet::ColumnDef* column = def.FindColumnByNumber(c.column_number);
      if (column->type == jet::ColumnType::kText) text_columns.push_back(static_cast<size_t>(column - def.columns.data()));
    }
    if (text_columns.empty()) continue;
    JET_ASSIGN_OR_RETURN(const std::vector<jet::StoredKey> keys, jet::ReadStoredKeys(db, def, index));
    for (const jet::StoredKey& k : keys) {
      std::string text;
      for (size_t i = 0; i < text_columns.size(); ++i) {
        if (i != 0) text += '\x1f';
        if (const auto* s = std::get_if<std::string>(&k.row[text_columns[i]])) text += *s;
      }
      const auto computed = encoder.encoder().Encode(k.row);
      const char* state = !encoder.general() ? "order" : !computed.ok() ? "unknown" : *computed == k.key ? "equal" : "differs";
      std::cout << table << '\t' << index.number << '\t' << text << '\t' << state << '\t' << Hex(k.key) << '\t'
                << (computed.ok() ? Hex(*computed) : "") << '\n';
    }
  }
  return jet::Status::Ok();
}

int RunKeys(const DatabaseArgs& args) {
  auto db = OpenDatabase(args);
  if (!db.ok()) return ReportError(db.status());
  for (const jet::CatalogEntry& e : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(e.DefinitionPage());
    if (!def.ok()) return ReportError(def.status());
    if (const jet::Status printed = PrintKeys(**db, e.name, *def); !printed.ok()) return ReportError(printed);
  }
  return 0;
}

}  // namespace

void RegisterKeys(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<DatabaseArgs>();
  CLI::App* sub = app.add_subcommand("keys", "List the text index keys beside the keys computed for their rows");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->callback([args, &result] { result.exit_code = RunKeys(*args); });
}

}  // namespace tav::jettool
