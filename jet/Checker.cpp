#include "jet/Checker.h"

#include "jet/Database.h"
#include "jet/TableReader.h"

namespace jet {
namespace {

class Check {
 public:
  Check(Database& db, const ProblemReporter& report) : db_(db), report_(report) {}

  size_t Run() {
    for (const CatalogEntry& e : db_.Tables(true)) CheckTable(e);
    return problems_;
  }

 private:
  void Report(const std::string& table, const Status& s) {
    ++problems_;
    report_(Problem{table, s.page(), s.description()});
  }
  void Report(const std::string& table, std::optional<uint32_t> page, std::string text) {
    ++problems_;
    report_(Problem{table, page, std::move(text)});
  }

  void CheckTable(const CatalogEntry& entry) {
    auto def = db_.ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) return Report(entry.name, def.status());
    TableReader reader(db_, *def);
    uint32_t rows = 0;
    while (true) {
      auto row = reader.Next();
      if (!row.ok()) return Report(entry.name, row.status());
      if (!row->has_value()) break;
      ++rows;
      auto values = reader.Decode(**row);
      if (!values.ok()) Report(entry.name, values.status());
    }
    if (rows != def->row_count) {
      Report(entry.name, def->page,
             "table definition counts " + std::to_string(def->row_count) + " rows, the data pages hold " + std::to_string(rows));
    }
  }

  Database& db_;
  const ProblemReporter& report_;
  size_t problems_ = 0;
};

}  // namespace

std::string Problem::ToString() const {
  std::string out;
  if (!table.empty()) out += "table " + table + ": ";
  out += description;
  if (page) out += " (page " + std::to_string(*page) + ")";
  return out;
}

size_t CheckDatabase(Database& db, const ProblemReporter& report) { return Check(db, report).Run(); }

}  // namespace jet
