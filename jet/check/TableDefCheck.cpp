#include "jet/check/TableDefCheck.h"

#include <set>

#include "jet/check/CheckContext.h"

namespace jet {
namespace {

bool KnownType(ColumnType type) {
  const auto t = static_cast<uint8_t>(type);
  return (t >= 0x01 && t <= 0x0c) || t == 0x0f || t == 0x10 || t == 0x11 || t == 0x12;
}

class DefinitionCheck {
 public:
  DefinitionCheck(CheckContext& ctx, const std::string& table, const TableDef& def)
      : ctx_(ctx), table_(table), def_(def) {}

  void Run() {
    for (uint32_t page : def_.pages) ctx_.Claim(page, "the definition of table " + table_);
    std::set<uint16_t> numbers, row_numbers;
    std::set<std::string> names;
    for (const ColumnDef& c : def_.columns) {
      if (!numbers.insert(c.number).second) Report("two columns share number " + std::to_string(c.number));
      if (!row_numbers.insert(c.row_number).second)
        Report("two columns share row position " + std::to_string(c.row_number));
      if (c.name.empty()) Report("column " + std::to_string(c.number) + " has no name");
      if (!c.name.empty() && !names.insert(c.name).second) Report("two columns are named '" + c.name + "'");
      CheckColumn(c);
    }
    for (const RealIndex& index : def_.real_indexes) {
      for (const IndexColumn& ic : index.columns) {
        if (!def_.FindColumnByNumber(ic.column_number)) {
          Report("index #" + std::to_string(index.number) + " names missing column " +
                 std::to_string(ic.column_number));
        }
      }
    }
  }

 private:
  void Report(const std::string& text) { ctx_.Report(ProblemArea::kTableDef, table_, def_.page, text); }

  void CheckColumn(const ColumnDef& c) {
    const std::string name = "column '" + c.name + "'";
    if (!KnownType(c.type)) {
      return Report(name + " has unknown type " + std::to_string(static_cast<int>(c.type)));
    }
    if (c.row_number >= def_.max_columns) Report(name + " lies beyond the table's column count");
    if (c.fixed()) {
      const uint16_t size = FixedSizeOf(c.type);
      if (size != 0 && c.length != size)
        Report(name + " has length " + std::to_string(c.length) + ", its type needs " + std::to_string(size));
    } else if (c.var_index >= def_.var_column_count) {
      Report(name + " lies beyond the table's variable columns");
    }
  }

  CheckContext& ctx_;
  const std::string& table_;
  const TableDef& def_;
};

}  // namespace

void CheckTableDef(CheckContext& ctx, const std::string& table, const TableDef& def) {
  DefinitionCheck(ctx, table, def).Run();
}

}  // namespace jet
