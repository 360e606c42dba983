#include "jet/check/StoredKeys.h"

#include <map>

#include "jet/read/IndexPage.h"
#include "jet/read/TableReader.h"
#include "jet/write/CellsFromValues.h"

namespace jet {

IndexKeyEncoder::IndexKeyEncoder(const Database& db, const TableDef& def, const RealIndex& index) {
  plans_.resize(def.columns.size());
  for (size_t i = 0; i < def.columns.size(); ++i) {
    plans_[i].design.name = def.columns[i].name;
    plans_[i].design.type = def.columns[i].type;
    plans_[i].number = static_cast<uint16_t>(i);
    plans_[i].fixed_size = FixedSizeOf(def.columns[i].type);
  }
  std::vector<KeyColumn> columns;
  for (const IndexColumn& c : index.columns) {
    const ColumnDef* column = def.FindColumnByNumber(c.column_number);
    if (column == nullptr) return;
    const uint16_t sort_order =
        db.version() == JetVersion::kJet4 ? column->collation : db.header().sort_order;
    general_ = general_ && (column->type != ColumnType::kText || sort_order == kGeneralSortOrder);
    columns.push_back({&plans_[static_cast<size_t>(column - def.columns.data())], !c.ascending});
  }
  encoder_ = std::make_unique<KeyEncoder>(db.layout(), std::move(columns));
  encoder_->RequireExactKeys(db.text_code_page());
}

Result<std::vector<StoredKey>> ReadStoredKeys(Database& db, const TableDef& def, const RealIndex& index) {
  std::map<std::pair<uint32_t, uint8_t>, RowValues> rows;
  TableReader reader(db, def);
  while (true) {
    JET_ASSIGN_OR_RETURN(const std::optional<RowRecord> next, reader.Next());
    if (!next.has_value()) break;
    JET_ASSIGN_OR_RETURN(const std::vector<Value> values, reader.Decode(*next));
    JET_ASSIGN_OR_RETURN(RowValues cells, CellsFromValues(def, values));
    rows[{next->page, next->slot}] = std::move(cells);
  }
  JET_ASSIGN_OR_RETURN(std::vector<IndexEntry> entries, ReadIndexLeaves(db, index.root_page));
  std::vector<StoredKey> out;
  out.reserve(entries.size());
  for (IndexEntry& e : entries) {
    const auto row = rows.find({e.data_page, e.data_row});
    if (row != rows.end()) out.push_back({std::move(e.key), row->second});
  }
  return out;
}

}  // namespace jet
