#include "jet/write/TablePlan.h"

#include <set>

namespace jet {
namespace {

Status Invalid(const std::string& what) { return Status(ErrorKind::kInvalidArgument, what); }

bool IsVariable(ColumnType type) {
  return type == ColumnType::kText || type == ColumnType::kBinary || type == ColumnType::kMemo ||
         type == ColumnType::kOle;
}

// Text has up to 255 characters.
uint16_t MaxLength(ColumnType type, const Layout& layout) {
  return type == ColumnType::kBinary ? MaxBinaryLength(layout) : 255;
}

Status CheckColumn(const ColumnDesign& c, const Layout& layout) {
  if (c.name.empty() || c.name.size() > 64) return Invalid("column name must have 1 to 64 characters");
  if ((c.type == ColumnType::kText || c.type == ColumnType::kBinary) &&
      (c.length == 0 || c.length > MaxLength(c.type, layout))) {
    return Invalid("column " + c.name + ": length must be 1 to " + std::to_string(MaxLength(c.type, layout)));
  }
  if (c.type == ColumnType::kLargeBinary && c.length == 0)
    return Invalid("column " + c.name + ": needs a length");
  if (c.auto_number && c.type != ColumnType::kLong)
    return Invalid("column " + c.name + ": auto-number needs Long");
  if (c.type == ColumnType::kNumeric && (c.precision == 0 || c.precision > 28 || c.scale > c.precision)) {
    return Invalid("column " + c.name + ": bad numeric precision or scale");
  }
  if (FixedSizeOf(c.type) == 0 && !IsVariable(c.type) && c.type != ColumnType::kBoolean &&
      c.type != ColumnType::kLargeBinary) {
    return Invalid("column " + c.name + ": unknown type");
  }
  return Status::Ok();
}

uint16_t StoredLength(const ColumnDesign& c, const Layout& layout) {
  switch (c.type) {
    case ColumnType::kText:
      return static_cast<uint16_t>(layout.text_is_unicode ? c.length * 2 : c.length);
    case ColumnType::kBinary:
    case ColumnType::kLargeBinary:
      return c.length;
    case ColumnType::kMemo:
    case ColumnType::kOle:
      return 0;
    case ColumnType::kBoolean:
      return 1;
    default:
      return FixedSizeOf(c.type);
  }
}

Status CheckIndexes(const TableDesign& design, const TablePlan& plan) {
  int primaries = 0;
  for (const IndexDesign& index : design.indexes) {
    if (index.columns.empty() || index.columns.size() > 10) {
      return Invalid("index " + index.name + " needs 1 to 10 columns");
    }
    for (const IndexColumnDesign& col : index.columns) {
      const int at = FindColumn(plan, col.column);
      if (at < 0) return Invalid("index " + index.name + " names unknown column " + col.column);
      const ColumnType type = plan.columns[at].design.type;
      if (type == ColumnType::kMemo || type == ColumnType::kOle) {
        return Invalid("index " + index.name + ": memo and OLE columns cannot be indexed");
      }
    }
    primaries += index.primary_key ? 1 : 0;
  }
  if (primaries > 1) return Invalid("table " + design.name + " has more than one primary key");
  return Status::Ok();
}

}  // namespace

uint16_t MaxBinaryLength(const Layout& layout) { return layout.version == JetVersion::kJet4 ? 510 : 255; }

int FindColumn(const TablePlan& plan, const std::string& name) {
  for (size_t i = 0; i < plan.columns.size(); ++i) {
    if (plan.columns[i].design.name == name) return static_cast<int>(i);
  }
  return -1;
}

Result<TablePlan> PlanTable(const TableDesign& design, const Layout& layout) {
  if (design.name.empty() || design.name.size() > 64)
    return Invalid("table name must have 1 to 64 characters");
  if (design.columns.empty() || design.columns.size() > 255) return Invalid("a table has 1 to 255 columns");
  TablePlan plan;
  plan.code_page = design.code_page;
  size_t fixed_total = 0;
  std::set<std::string> names;
  for (const ColumnDesign& c : design.columns) {
    JET_RETURN_IF_ERROR(CheckColumn(c, layout));
    if (!names.insert(c.name).second) return Invalid("duplicate column " + c.name);
    ColumnPlan col;
    col.design = c;
    col.number = static_cast<uint16_t>(plan.columns.size());
    col.stored_length = StoredLength(c, layout);
    col.fixed = !IsVariable(c.type);
    if (col.fixed) {
      col.fixed_size = c.type == ColumnType::kLargeBinary ? c.length : FixedSizeOf(c.type);
      col.fixed_offset = plan.fixed_area;
      fixed_total += col.fixed_size;
      plan.fixed_area = static_cast<uint16_t>(plan.fixed_area + col.fixed_size);
    } else {
      col.var_index = plan.var_count++;
    }
    plan.columns.push_back(col);
  }
  // A row holds its fixed area, the column count, the null mask and the variable-length
  // offsets (at least their count and the end of the data), all on one page.
  const size_t overhead = 2 * layout.row_column_count_size + 2 + (design.columns.size() + 7) / 8;
  if (fixed_total + overhead > layout.page_size - layout.data_row_offsets - 2) {
    return Invalid("the fixed-length columns of table " + design.name + " do not fit a page");
  }
  JET_RETURN_IF_ERROR(CheckIndexes(design, plan));
  return plan;
}

}  // namespace jet
