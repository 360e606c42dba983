#include "jet/write/DesignFromDefinition.h"

#include <algorithm>

#include "jet/write/TablePlan.h"

namespace jet {
namespace {

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
    case ColumnType::kNumeric:
    case ColumnType::kLargeBinary:
      return true;
  }
  return false;
}

Result<ColumnDesign> ColumnFromDefinition(const ColumnDef& col, const Layout& layout) {
  if (!Storable(col.type)) {
    return Status(ErrorKind::kUnsupported, "column '" + col.name + "' has type " +
                                               std::to_string(static_cast<int>(col.type)) +
                                               ", which cannot be carried over");
  }
  ColumnDesign design;
  design.name = col.name;
  design.type = col.type;
  if (col.type == ColumnType::kText) {
    // Jet 4 stores text lengths in bytes of UTF-16.
    design.length = layout.version == JetVersion::kJet4 ? static_cast<uint16_t>(col.length / 2) : col.length;
  } else if (col.type == ColumnType::kBinary) {
    // A damaged length beyond what the version allows is held to that limit; a longer value
    // then fails its row instead of being cut.
    design.length = std::min(col.length, MaxBinaryLength(layout));
  } else if (col.type == ColumnType::kLargeBinary) {
    design.length = col.length;
  }
  design.required = (col.flags & kColumnCanBeNull) == 0 && col.type != ColumnType::kBoolean;
  design.auto_number = col.type == ColumnType::kLong && (col.flags & kColumnAutoNumber) != 0;
  if (col.type == ColumnType::kNumeric) {
    design.precision = col.precision;
    design.scale = col.scale;
  }
  return design;
}

Result<IndexDesign> IndexFromDefinition(const TableDef& def, const LogicalIndex& logical,
                                        const std::string& table) {
  const RealIndex* real = nullptr;
  for (const RealIndex& r : def.real_indexes) {
    if (r.number == logical.real_index) real = &r;
  }
  if (real == nullptr) {
    return CorruptError("index '" + logical.name + "' of table '" + table + "' names a missing index tree");
  }
  IndexDesign design;
  design.name = logical.name;
  for (const IndexColumn& c : real->columns) {
    const ColumnDef* col = def.FindColumnByNumber(c.column_number);
    if (col == nullptr) {
      return CorruptError("index '" + logical.name + "' of table '" + table + "' names a missing column");
    }
    design.columns.push_back(IndexColumnDesign{col->name, !c.ascending});
  }
  design.primary_key = logical.kind == kLogicalIndexPrimary;
  design.unique = (real->flags & kIndexUnique) != 0;
  design.ignore_nulls = (real->flags & kIndexIgnoreNulls) != 0;
  design.required = (real->flags & kIndexRequired) != 0;
  return design;
}

}  // namespace

Result<TableDesign> DesignFromDefinition(const TableDef& def, const std::string& name, bool system,
                                         const Layout& layout) {
  TableDesign design;
  design.name = name;
  design.system = system;
  for (const ColumnDef& col : def.columns) {
    JET_ASSIGN_OR_RETURN(ColumnDesign column, ColumnFromDefinition(col, layout));
    design.columns.push_back(std::move(column));
  }
  for (const LogicalIndex& logical : def.indexes) {
    JET_ASSIGN_OR_RETURN(IndexDesign index, IndexFromDefinition(def, logical, name));
    design.indexes.push_back(std::move(index));
  }
  return design;
}

}  // namespace jet
