#include "jet/CompactSchema.h"

#include <algorithm>

namespace jet {
namespace {

constexpr uint16_t kMaxBinaryLength = 255;

bool Storable(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean:
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
    case ColumnType::kBinary:
    case ColumnType::kText:
    case ColumnType::kOle:
    case ColumnType::kMemo:
    case ColumnType::kReplicationId:
    case ColumnType::kNumeric: return true;
  }
  return false;
}

Result<ColumnSpec> ColumnFromDefinition(const ColumnDef& col, const Layout& layout) {
  if (!Storable(col.type)) {
    return Status(ErrorKind::kUnsupported, "column '" + col.name + "' has type " +
                                               std::to_string(static_cast<int>(col.type)) +
                                               ", which cannot be carried over");
  }
  ColumnSpec spec;
  spec.name = col.name;
  spec.type = col.type;
  if (col.type == ColumnType::kText) {
    // Jet 4 stores text lengths in bytes of UTF-16.
    spec.length = layout.version == JetVersion::kJet4 ? static_cast<uint16_t>(col.length / 2) : col.length;
  } else if (col.type == ColumnType::kBinary) {
    // Jet 4 allows binary columns of up to 510 bytes where the writer stops at 255; a longer
    // value then fails the row instead of being cut.
    spec.length = std::min<uint16_t>(col.length, kMaxBinaryLength);
  }
  spec.required = (col.flags & kColumnCanBeNull) == 0 && col.type != ColumnType::kBoolean;
  spec.auto_number = col.type == ColumnType::kLong && (col.flags & kColumnAutoNumber) != 0;
  if (col.type == ColumnType::kNumeric) {
    spec.precision = col.precision;
    spec.scale = col.scale;
  }
  return spec;
}

Result<IndexSpec> IndexFromDefinition(const TableDef& def, const LogicalIndex& logical, const std::string& table) {
  const RealIndex* real = nullptr;
  for (const RealIndex& r : def.real_indexes) {
    if (r.number == logical.real_index) real = &r;
  }
  if (real == nullptr) {
    return CorruptError("index '" + logical.name + "' of table '" + table + "' names a missing index tree");
  }
  IndexSpec spec;
  spec.name = logical.name;
  for (const IndexColumn& c : real->columns) {
    const ColumnDef* col = def.FindColumnByNumber(c.column_number);
    if (col == nullptr) {
      return CorruptError("index '" + logical.name + "' of table '" + table + "' names a missing column");
    }
    spec.columns.push_back(IndexColumnSpec{col->name, !c.ascending});
  }
  spec.primary_key = logical.kind == kLogicalIndexPrimary;
  spec.unique = (real->flags & kIndexUnique) != 0;
  spec.ignore_nulls = (real->flags & kIndexIgnoreNulls) != 0;
  spec.required = (real->flags & kIndexRequired) != 0;
  return spec;
}

}  // namespace

Result<TableSpec> SpecFromDefinition(const TableDef& def, const std::string& name, bool system, const Layout& layout) {
  TableSpec spec;
  spec.name = name;
  spec.system = system;
  for (const ColumnDef& col : def.columns) {
    JET_ASSIGN_OR_RETURN(ColumnSpec column, ColumnFromDefinition(col, layout));
    spec.columns.push_back(std::move(column));
  }
  for (const LogicalIndex& logical : def.indexes) {
    JET_ASSIGN_OR_RETURN(IndexSpec index, IndexFromDefinition(def, logical, name));
    spec.indexes.push_back(std::move(index));
  }
  return spec;
}

}  // namespace jet
