#include "jet/Checker.h"

#include <algorithm>
#include <set>

#include "jet/Database.h"
#include "jet/IndexPage.h"
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
    std::set<uint32_t> live;  // row pointers of every live row
    while (true) {
      auto row = reader.Next();
      if (!row.ok()) return Report(entry.name, row.status());
      if (!row->has_value()) break;
      live.insert(((*row)->page << 8) | (*row)->slot);
      auto values = reader.Decode(**row);
      if (!values.ok()) Report(entry.name, values.status());
    }
    if (live.size() != def->row_count) {
      Report(entry.name, def->page,
             "table definition counts " + std::to_string(def->row_count) + " rows, the data pages hold " +
                 std::to_string(live.size()));
    }
    for (const RealIndex& index : def->real_indexes) CheckIndex(entry.name, *def, index, live, reader.forwards());
  }

  // An index must list every row once (rows with null keys may be left out when the index
  // ignores nulls), point only at live rows, and keep its keys in order.
  void CheckIndex(const std::string& table, const TableDef& def, const RealIndex& index, const std::set<uint32_t>& live,
                  const std::map<uint32_t, uint32_t>& forwards) {
    const std::string name = "index " + IndexName(def, index);
    auto leaves = ReadIndexLeaves(db_, index.root_page);
    if (!leaves.ok()) return Report(table, leaves.status().page(), name + ": " + leaves.status().description());
    std::set<uint32_t> listed;
    for (size_t i = 0; i < leaves->size(); ++i) {
      const IndexEntry& e = (*leaves)[i];
      uint32_t pointer = (e.data_page << 8) | e.data_row;
      if (auto moved = forwards.find(pointer); moved != forwards.end()) pointer = moved->second;
      if (!live.count(pointer)) {
        return Report(table, e.data_page, name + " points to row " + std::to_string(e.data_row) + ", which is not a live row");
      }
      if (!listed.insert(pointer).second) return Report(table, e.data_page, name + " lists a row twice");
      if (i > 0 && std::lexicographical_compare(e.key.begin(), e.key.end(), (*leaves)[i - 1].key.begin(),
                                                (*leaves)[i - 1].key.end())) {
        return Report(table, index.root_page, name + " has keys out of order");
      }
    }
    const bool may_skip = (index.flags & kIndexIgnoreNulls) != 0;
    if (listed.size() != live.size() && !(may_skip && listed.size() < live.size())) {
      Report(table, index.root_page,
             name + " lists " + std::to_string(listed.size()) + " rows, the table holds " + std::to_string(live.size()));
    }
  }

  static std::string IndexName(const TableDef& def, const RealIndex& index) {
    for (const LogicalIndex& x : def.indexes) {
      if (x.real_index == index.number) return x.name;
    }
    return "#" + std::to_string(index.number);
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
